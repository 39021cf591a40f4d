// The formats FFmpeg reads besides WAV, converted from generated WAV files by
// the ffmpeg tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sound/fsound.h"
#include "support/disk_audio.h"

using namespace soundtest;

TEST(SoundFormats, LosslessFilesAndTheSoundOfAVideoComeOutExactly) {
  const size_t frames = 22050;
  std::vector<int16_t> stereo = rampSamples(frames, 2, 11);
  // Pictures first, sound second in the AVI: the track is found wherever it is.
  const std::pair<std::string, std::string> files[] = {
      {"sound.flac", ""},
      {"sound.avi",
       "-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -map 1:v -map 0:a "
       "-c:v mjpeg -c:a pcm_s16le "}};
  for (const auto& [file, options] : files) {
    SCOPED_TRACE(file);
    DiskAudio audio;
    ASSERT_TRUE(audio.started);
    writeWav(audio.file("source.wav"), rate, 2, stereo);
    std::string name = audio.file(file);
    ASSERT_TRUE(runFfmpeg("-i " + audio.file("source.wav") + " " + options + name));
    EXPECT_EQ(soundFrames(audio.playThrough(name, frames)), stereo);
  }
}

TEST(SoundFormats, LossyAndResampledFilesKeepLengthAndLoudness) {
  const size_t frames = 22050;
  const double amplitude = 12000;
  const struct {
    std::string name;
    int sampleRate;
    std::string convert;  // ffmpeg output options, empty for the WAV itself
    // Loudness against the original: a mix-down of six channels to two is
    // quieter by however much the mixer leaves headroom.
    double leastGain = 0.9, mostGain = 1.1;
  } cases[] = {{"sound.mp3", rate, "-c:a libmp3lame -b:a 192k"},
               {"sound.ogg", rate, "-c:a libvorbis -q:a 6"},
               {"source.wav", rate / 2, ""},
               {"surround.flac", rate, "-af 'pan=5.1|FL=c0|FR=c0'", 0.2, 1.1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " at " + std::to_string(c.sampleRate));
    DiskAudio audio;
    ASSERT_TRUE(audio.started);
    std::vector<int16_t> sine(frames * c.sampleRate / rate);
    for (size_t i = 0; i < sine.size(); ++i)
      sine[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * 441 * i / c.sampleRate)));
    writeWav(audio.file("source.wav"), c.sampleRate, 1, sine);
    if (!c.convert.empty()) {
      ASSERT_TRUE(
          runFfmpeg("-i " + audio.file("source.wav") + " " + c.convert + " " + audio.file(c.name)));
    }
    // As long as the original, as loud, the same in both channels.
    std::vector<int16_t> output = audio.playThrough(audio.file(c.name), frames * 9 / 10);
    size_t first = output.size(), last = 0;
    for (size_t i = 0; i + 1 < output.size(); i += 2)
      if (output[i] || output[i + 1]) first = std::min(first, i / 2), last = i / 2;
    ASSERT_LE(first, last);
    EXPECT_NEAR(double(last - first + 1), double(frames), frames * 0.05);
    double sum = 0;
    for (size_t i = first; i <= last; ++i) {
      sum += double(output[i * 2]) * output[i * 2];
      EXPECT_EQ(output[i * 2], output[i * 2 + 1]) << i;
    }
    double rms = std::sqrt(sum / double(last - first + 1));
    EXPECT_GE(rms, c.leastGain * amplitude / std::sqrt(2.0));
    EXPECT_LE(rms, c.mostGain * amplitude / std::sqrt(2.0));
  }
}
