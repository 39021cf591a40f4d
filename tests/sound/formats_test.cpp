// The formats FFmpeg reads besides WAV, converted from generated WAV files by
// the ffmpeg tool, some of them damaged in the middle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sound/fsound.h"
#include "support/disk_audio.h"

using namespace soundtest;

TEST(SoundFormats, FilesKeepLengthAndLoudnessLosslessOnesEverySampleDamagedOnesPlayOn) {
  const double amplitude = 12000;
  const struct {
    std::string name;  // written so, opened in lower case
    int sampleRate;
    std::string convert;  // ffmpeg output options
    bool exact = false, damaged = false;
    // Loudness against the original: a mix-down of six channels to two is
    // quieter by however much the mixer leaves headroom.
    double leastGain = 0.9, mostGain = 1.1;
  } cases[] = {{"sound.mp3", rate, "-c:a libmp3lame -b:a 192k"},
               {"sound.ogg", rate, "-c:a libvorbis -q:a 6"},
               {"source.wav", rate / 2, ""},  // the WAV itself
               {"sound.flac", rate, "", true},
               // Pictures first, sound second: the track is found wherever it is.
               {"sound.avi", rate,
                "-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -map 1:v -map 0:a "
                "-c:v mjpeg -c:a pcm_s16le",
                true},
               {"surround.flac", rate, "-af 'pan=5.1|FL=c0|FR=c0'", false, false, 0.2, 1.1},
               {"Damaged.MP3", rate, "", false, true},
               {"Damaged.Flac", rate, "", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " at " + std::to_string(c.sampleRate));
    DiskAudio audio;
    ASSERT_TRUE(audio.started);
    const size_t frames = c.damaged ? 3 * rate : rate / 2;  // damage of a few packets
    std::vector<int16_t> sine(frames * c.sampleRate / rate);
    for (size_t i = 0; i < sine.size(); ++i)
      sine[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * 441 * i / c.sampleRate)));
    writeWav(audio.file("source.wav"), c.sampleRate, 1, sine);
    const std::string name = audio.file(c.name);
    if (c.name != "source.wav") {
      ASSERT_TRUE(runFfmpeg("-i " + audio.file("source.wav") + " " + c.convert + " " + name));
    }
    if (c.damaged) {
      std::vector<uint8_t> bytes = testfiles::readBytes(name);
      for (size_t i = bytes.size() * 4 / 10; i < bytes.size() * 5 / 10; i += 7) bytes[i] ^= 0x5A;
      testfiles::writeText(name, std::string(bytes.begin(), bytes.end()));
    }
    std::string lower = c.name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    // As long as the original, as loud, the same in both channels.
    FSOUND_STREAM* stream = openStream(audio.file(lower));
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(FSOUND_Stream_Play(-1, stream), 0);
    ASSERT_TRUE(audio.waitForEnd(frames * 8 / 10));
    FSOUND_Stream_Close(stream);
    std::vector<int16_t> output = audio.finish();
    if (c.exact) {
      EXPECT_EQ(soundFrames(output), soundFrames(monoToStereo(sine)));
    }
    size_t first = output.size(), last = 0;
    for (size_t i = 0; i + 1 < output.size(); i += 2)
      if (output[i] || output[i + 1]) first = std::min(first, i / 2), last = i / 2;
    ASSERT_LE(first, last);
    EXPECT_NEAR(double(last - first + 1), double(frames), frames * (c.damaged ? 0.2 : 0.05));
    if (c.damaged) continue;
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
