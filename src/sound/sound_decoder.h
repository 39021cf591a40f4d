#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

// The sound track of one file, decoded by FFmpeg into interleaved stereo
// signed 16-bit frames at the mixer's rate. Mono tracks are copied into both
// channels unchanged; tracks of more than two channels are mixed down. Only
// one thread uses a decoder at a time; interrupt() may come from any thread.
class SoundDecoder {
 public:
  SoundDecoder() = default;
  ~SoundDecoder();
  SoundDecoder(const SoundDecoder&) = delete;
  SoundDecoder& operator=(const SoundDecoder&) = delete;

  // Opens the best audio stream of path. False, without a message, when the
  // file cannot be read or holds no sound that FFmpeg can decode.
  bool open(const std::string& path, int outputRate);

  // Appends the next decoded frames to stereo (two values a frame). Returns
  // false once the track is over (after appending its last frames) or when
  // reading fails for good.
  bool decodeMore(std::vector<int16_t>& stereo);

  // Moves to milliseconds from the start of the track; a file that cannot
  // seek is opened again. False when neither works.
  bool seek(int milliseconds);

  // Makes blocking reads give up so that the thread using the decoder can
  // end promptly; the decoder is only good for destruction afterwards.
  void interrupt() { interrupted = true; }

 private:
  static int interruptCallback(void* self);
  void close();
  bool configureResampler(const AVFrame* frame);
  void appendFrame(std::vector<int16_t>& stereo);
  void appendConverted(std::vector<int16_t>& stereo, int frames, int dropFrames);
  void flushResampler(std::vector<int16_t>& stereo);

  std::string path;
  int outputRate = 0;
  std::atomic<bool> interrupted{false};

  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int streamIndex = -1;
  bool draining = false;  // the decoder was told the input is over
  int damagedReads = 0;   // unreadable packets in a row

  // What the resampler was set up for, to notice a change mid-track.
  int resamplerInputRate = 0;
  int resamplerInputFormat = -1;
  int resamplerInputChannels = 0;
  int resampledChannels = 0;  // 1 or 2

  // After a seek, the stream time before which decoded sound is dropped.
  int64_t skipUntil = 0;
  bool skipping = false;

  std::vector<int16_t> converted;  // resampler output, resampledChannels a frame
};
