// Sound files damaged in the middle play on after the damage.
#include <gtest/gtest.h>

#include <cmath>

#include "support/disk_audio.h"

using namespace soundtest;

TEST(DamagedStream, PlaysOnPastCorruptPackets) {
  const size_t frames = 3 * rate;
  std::vector<int16_t> sine(frames);
  for (size_t i = 0; i < frames; ++i) sine[i] = int16_t(9000 * std::sin(i * 0.0628));
  for (const char* kind : {"mp3", "flac"}) {
    SCOPED_TRACE(kind);
    DiskAudio audio;
    ASSERT_TRUE(audio.started);
    writeWav(audio.file("source.wav"), rate, 1, sine);
    // Written in one letter case, named in another.
    const std::string name = audio.file(std::string("Sound.") + kind);
    ASSERT_TRUE(runFfmpeg("-i " + audio.file("source.wav") + " " + name));
    std::vector<uint8_t> bytes = testfiles::readBytes(name);
    for (size_t i = bytes.size() * 4 / 10; i < bytes.size() * 5 / 10; i += 7) bytes[i] ^= 0x5A;
    testfiles::writeText(name, std::string(bytes.begin(), bytes.end()));
    std::vector<int16_t> output =
        audio.playThrough(audio.file(std::string("sound.") + kind), frames * 8 / 10);
    EXPECT_GE(soundFrames(output).size() / 2, frames * 8 / 10);
  }
}
