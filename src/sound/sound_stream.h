#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "sound/sample_ring.h"
#include "sound/sound_decoder.h"

// One open sound file: a decoder thread of its own keeps the ring of decoded
// frames filled, the mixer drains it on the audio thread. The position of the
// stream is the front of the ring, so taking a stream off its channel keeps
// its place to the frame.
//
// A thread per stream rather than one shared decoder: a file that is slow to
// read or to seek holds up only its own sound, and the viewer keeps just a
// few streams open at a time; an idle thread sleeps on its condition variable.
class SoundStream {
 public:
  // Takes over an opened decoder.
  SoundStream(std::unique_ptr<SoundDecoder> decoder, size_t bufferFrames);
  // Stops the decoder thread and waits for it.
  ~SoundStream();
  SoundStream(const SoundStream&) = delete;
  SoundStream& operator=(const SoundStream&) = delete;

  // Starts the decoder thread, which begins filling the ring at once.
  // False when no thread could be made.
  bool startDecoding();

  // Audio thread: adds the next frames (up to frames) into mix, two values a
  // frame. True when the stream has played to its end.
  bool mixInto(int32_t* mix, size_t frames);

  // Drops what is buffered and has the decoder go to milliseconds.
  void rewindTo(int milliseconds);

  // Everything has been decoded and played.
  bool atEnd();

  // The mixer channel the stream plays on, -1 when stopped. Guarded by the
  // mixer's lock, not by the stream's.
  int channel = -1;

 private:
  void decodeLoop();

  std::unique_ptr<SoundDecoder> decoder;
  std::thread decoderThread;

  std::mutex mutex;  // guards everything below
  std::condition_variable wake;
  SampleRing ring;
  bool quit = false;
  bool seekRequested = false;
  int seekMilliseconds = 0;
  bool allQueued = false;       // the track is over and all of it is in the ring
  bool waitingForRoom = false;  // the decoder thread sleeps until the ring drains
};
