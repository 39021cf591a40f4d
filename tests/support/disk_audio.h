#pragma once
// Helpers of the sound tests: WAV files written by hand, and SDL's disk
// audio driver as the output device, read back as raw 16-bit stereo frames.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sound/fsound.h"
#include "support/test_files.h"

namespace soundtest {

constexpr int rate = 44100;
constexpr size_t deviceBufferFrames = 1024;

// A 16-bit PCM RIFF file; samples interleaved, channels per frame.
inline void writeWav(const std::string& path, int sampleRate, int channels,
                     const std::vector<int16_t>& samples) {
  auto le = [](uint32_t value, int bytes) {  // little-endian
    std::string text;
    for (int i = 0; i < bytes; ++i) text += char(value >> (8 * i));
    return text;
  };
  // The format chunk: its size, PCM, channels, rates, bytes a frame, bits a sample.
  std::string out = "RIFF" + le(36 + samples.size() * 2, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
                    le(channels, 2) + le(sampleRate, 4) + le(sampleRate * channels * 2, 4) +
                    le(channels * 2, 2) + le(16, 2) + "data" + le(samples.size() * 2, 4);
  for (int16_t s : samples) out += le(uint16_t(s), 2);
  testfiles::writeText(path, out);
}

// A saw-like signal that is never zero, different in every channel, so that
// every frame of it is told apart from silence and from its neighbours.
inline std::vector<int16_t> rampSamples(size_t frames, int channels, int seed = 0) {
  std::vector<int16_t> samples(frames * channels);
  for (size_t i = 0; i < samples.size(); ++i) {
    int v = int((i / channels * 37 + i % channels * 12345 + seed) % 60000) - 30000;
    samples[i] = int16_t(v >= 0 ? v + 1 : v);
  }
  return samples;
}

inline std::vector<int16_t> monoToStereo(const std::vector<int16_t>& mono) {
  std::vector<int16_t> stereo;
  for (int16_t s : mono) stereo.insert(stereo.end(), {s, s});
  return stereo;
}

// The frames of output that are not silent, in order.
inline std::vector<int16_t> soundFrames(const std::vector<int16_t>& output) {
  std::vector<int16_t> sound;
  for (size_t i = 0; i + 1 < output.size(); i += 2)
    if (output[i] || output[i + 1]) sound.insert(sound.end(), {output[i], output[i + 1]});
  return sound;
}

inline std::vector<int16_t> slice(const std::vector<int16_t>& stereo, size_t fromFrame,
                                  size_t frames) {
  return {stereo.begin() + fromFrame * 2, stereo.begin() + (fromFrame + frames) * 2};
}

inline bool runFfmpeg(const std::string& arguments) {
  return std::system(("ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments).c_str()) == 0;
}

inline FSOUND_STREAM* openStream(const std::string& name) {
  return FSOUND_Stream_Open(name.c_str(), FSOUND_NORMAL, 0, 0);
}

// The mixer opened on SDL's disk driver for the life of the object, writing
// into a file of its own. delayMs is the pause between device buffers (a
// buffer is 1024 frames, 23 ms of sound), so a small delay runs faster than
// real time.
class DiskAudio {
 public:
  explicit DiskAudio(int channels = 32, int delayMs = 4) {
    FSOUND_Close();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", outputPath.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
    started = FSOUND_Init(rate, channels, 0);
  }
  ~DiskAudio() { FSOUND_Close(); }

  std::string file(const std::string& name) const { return dir.file(name); }
  const std::string& path() const { return dir.path(); }

  // The whole frames the device has written so far, in its native byte
  // order (the file lags by stdio's buffer).
  std::vector<int16_t> output() const {
    std::vector<uint8_t> bytes = testfiles::readBytes(outputPath);
    std::vector<int16_t> samples(bytes.size() / 4 * 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }

  // Waits (within a generous limit that only guards against hanging) until
  // condition(output) holds.
  template <typename Condition>
  bool waitFor(Condition condition) const {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < limit) {
      if (condition(output())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }
  // Until at least frames frames of sound have come out.
  bool waitForSound(size_t frames) const {
    return waitFor([&](const auto& out) { return soundFrames(out).size() >= frames * 2; });
  }
  // Until the device has written frames more frames than it has now.
  bool waitForMoreFrames(size_t frames) const {
    size_t target = output().size() / 2 + frames;
    return waitFor([&](const auto& out) { return out.size() / 2 >= target; });
  }
  // Until at least frames frames of sound have come out and a few buffers of
  // silence have followed the last of them.
  bool waitForEnd(size_t frames) const {
    return waitFor([&](const auto& out) {
      size_t sound = 0, lastSound = 0;
      for (size_t i = 0; i + 1 < out.size(); i += 2)
        if (out[i] || out[i + 1]) ++sound, lastSound = i / 2 + 1;
      return sound >= frames && out.size() / 2 >= lastSound + 4 * deviceBufferFrames;
    });
  }

  // Closes the device, which flushes the file, and returns all it received.
  std::vector<int16_t> finish() {
    FSOUND_Close();
    return output();
  }

  bool started = false;

 private:
  testfiles::TempDir dir;
  std::string outputPath = dir.file("output.raw");
};

}  // namespace soundtest
