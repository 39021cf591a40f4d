#include "sound/sound_stream.h"

#include <new>
#include <system_error>
#include <vector>

SoundStream::SoundStream(std::unique_ptr<SoundDecoder> openedDecoder, size_t bufferFrames)
    : decoder(std::move(openedDecoder)), ring(bufferFrames) {}

SoundStream::~SoundStream() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    quit = true;
  }
  decoder->interrupt();
  wake.notify_all();
  if (decoderThread.joinable()) decoderThread.join();
}

bool SoundStream::startDecoding() {
  try {
    decoderThread = std::thread(&SoundStream::decodeLoop, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool SoundStream::mixInto(int32_t* mix, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex);
  ring.addTo(mix, frames);
  // Wake the decoder for a large refill rather than for every buffer.
  if (waitingForRoom && ring.freeFrames() >= ring.capacity() / 2) wake.notify_one();
  return allQueued && ring.empty();
}

void SoundStream::rewindTo(int milliseconds) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    ring.clear();
    allQueued = false;
    seekRequested = true;
    seekMilliseconds = milliseconds;
  }
  wake.notify_one();
}

bool SoundStream::atEnd() {
  std::lock_guard<std::mutex> lock(mutex);
  return allQueued && ring.empty();
}

void SoundStream::decodeLoop() {
  // Decoded frames not yet in the ring, and how many of them went in.
  std::vector<int16_t> pending;
  size_t pendingSent = 0;
  bool trackOver = false;

  std::unique_lock<std::mutex> lock(mutex);
  while (!quit) {
    if (seekRequested) {
      seekRequested = false;
      int milliseconds = seekMilliseconds;
      pending.clear();
      pendingSent = 0;
      lock.unlock();
      bool moved = decoder->seek(milliseconds);
      lock.lock();
      trackOver = !moved;
      continue;
    }

    size_t pendingFrames = pending.size() / 2;
    if (pendingSent < pendingFrames) {
      pendingSent += ring.write(pending.data() + pendingSent * 2, pendingFrames - pendingSent);
      if (pendingSent < pendingFrames) {
        waitingForRoom = true;
        wake.wait(lock);
        waitingForRoom = false;
      }
      continue;
    }

    if (trackOver) {
      allQueued = true;
      wake.wait(lock);  // until a rewind or the end of the stream
      continue;
    }

    // Decode without the lock: the mixer must never wait for FFmpeg.
    pending.clear();
    pendingSent = 0;
    lock.unlock();
    bool more = false;
    try {
      more = decoder->decodeMore(pending);
    } catch (const std::bad_alloc&) {
      pending.clear();  // a frame too big to hold ends the track, not the program
    }
    lock.lock();
    if (!more) trackOver = true;
  }
}
