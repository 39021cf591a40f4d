// The formats FFmpeg reads besides WAV, converted from generated WAV files by
// the ffmpeg tool.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "sound/disk_output.h"
#include "sound/fsound.h"

using namespace soundtest;

namespace {

std::vector<int16_t> playThrough(DiskAudio& audio, const std::string& name, size_t frames) {
  FSOUND_STREAM* stream = FSOUND_Stream_Open(name.c_str(), FSOUND_NORMAL, 0, 0);
  EXPECT_NE(stream, nullptr) << name;
  if (!stream) return {};
  EXPECT_GE(FSOUND_Stream_Play(-1, stream), 0);
  EXPECT_TRUE(audio.waitForEnd(frames));
  FSOUND_Stream_Close(stream);
  return audio.finish();
}

std::vector<int16_t> sine(size_t frames, double amplitude, double hertz, int sampleRate) {
  std::vector<int16_t> samples(frames);
  for (size_t i = 0; i < frames; ++i)
    samples[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hertz * i / sampleRate)));
  return samples;
}

// What a lossy or resampled track must still look like: as long as the
// original, as loud, the same in both channels.
struct Heard {
  size_t frames = 0;  // from the first to the last frame that is not silent
  double leftRms = 0;
  bool channelsEqual = true;
};

Heard listen(const std::vector<int16_t>& output) {
  Heard heard;
  size_t first = output.size(), last = 0;
  for (size_t i = 0; i + 1 < output.size(); i += 2)
    if (output[i] || output[i + 1]) first = std::min(first, i / 2), last = i / 2;
  if (first > last) return heard;
  heard.frames = last - first + 1;
  double sum = 0;
  for (size_t i = first; i <= last; ++i) {
    sum += double(output[i * 2]) * output[i * 2];
    heard.channelsEqual = heard.channelsEqual && output[i * 2] == output[i * 2 + 1];
  }
  heard.leftRms = std::sqrt(sum / heard.frames);
  return heard;
}

}  // namespace

TEST(SoundFormats, LosslessFilesAndTheSoundOfAVideoComeOutExactly) {
  const size_t frames = 22050;
  std::vector<int16_t> stereo = rampSamples(frames, 2, 11);
  for (std::string container : {"flac", "avi"}) {
    DiskAudio audio;
    ASSERT_TRUE(audio.started);
    writeWav(audio.file("source.wav"), rate, 2, stereo);
    std::string name = audio.file("sound." + container);
    if (container == "flac") {
      ASSERT_TRUE(runFfmpeg("-i " + audio.file("source.wav") + " " + name));
    } else {
      // Pictures first, sound second: the sound track is found wherever it is.
      ASSERT_TRUE(runFfmpeg("-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -i " +
                            audio.file("source.wav") +
                            " -map 0:v -map 1:a -c:v mjpeg -c:a pcm_s16le " + name));
    }
    EXPECT_EQ(soundFrames(playThrough(audio, name, frames)), stereo) << container;
  }
}

TEST(SoundFormats, LossyAndResampledFilesKeepLengthAndLoudness) {
  const size_t frames = 22050;
  const double amplitude = 12000;
  struct Case {
    std::string name;
    int sampleRate;
    std::string convert;  // ffmpeg output options, empty for the WAV itself
    // Loudness against the original: a mix-down of six channels to two
    // is quieter by however much the mixer leaves headroom.
    double leastGain = 0.9, mostGain = 1.1;
  };
  for (const Case& c :
       {Case{"sound.mp3", rate, "-c:a libmp3lame -b:a 192k"},
        Case{"sound.ogg", rate, "-c:a libvorbis -q:a 6"}, Case{"half-rate.wav", rate / 2, ""},
        Case{"surround.flac", rate, "-af 'pan=5.1|FL=c0|FR=c0'", 0.2, 1.1}}) {
    SCOPED_TRACE(c.name);
    DiskAudio audio;
    ASSERT_TRUE(audio.started);
    size_t sourceFrames = frames * c.sampleRate / rate;
    writeWav(audio.file("source.wav"), c.sampleRate, 1,
             sine(sourceFrames, amplitude, 441, c.sampleRate));
    std::string name = audio.file(c.name);
    if (!c.convert.empty())
      ASSERT_TRUE(runFfmpeg("-i " + audio.file("source.wav") + " " + c.convert + " " + name));
    else
      name = audio.file("source.wav");

    Heard heard = listen(playThrough(audio, name, frames * 9 / 10));
    EXPECT_NEAR(double(heard.frames), double(frames), frames * 0.05);
    EXPECT_GE(heard.leftRms, c.leastGain * amplitude / std::sqrt(2.0));
    EXPECT_LE(heard.leftRms, c.mostGain * amplitude / std::sqrt(2.0));
    EXPECT_TRUE(heard.channelsEqual);
  }
}
