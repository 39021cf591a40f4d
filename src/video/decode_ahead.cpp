#include "video/decode_ahead.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

extern "C" {
#include <libavutil/frame.h>
}

namespace {

// What the pictures of one clip may take together, unless two take more.
constexpr size_t pictureMemory = size_t(64) << 20;
// Decoded pictures between the two threads: one converted while the
// decoder makes the next.
constexpr int decodedInFlight = 2;

}  // namespace

DecodeAhead::DecodeAhead(ClipDecoder& decoder, int pictures)
    : decoder(decoder), mostPictures(pictures) {}

DecodeAhead::~DecodeAhead() {
  stop();
  for (AVFrame*& frame : frames) av_frame_free(&frame);
}

bool DecodeAhead::make() {
  if (!frames.empty()) return true;
  try {
    const size_t bytes = std::max<size_t>(decoder.pictureBytes(), 1);
    const int count = int(std::clamp<size_t>(pictureMemory / bytes, 2, size_t(mostPictures)));
    for (int i = 0; i < count; ++i)
      spare.push_back(std::make_unique<ClipPicture>(decoder.pictureBytes()));
    for (int i = 0; i < decodedInFlight; ++i) {
      AVFrame* frame = av_frame_alloc();
      if (!frame) throw std::bad_alloc();
      frames.push_back(frame);
    }
  } catch (const std::exception&) {  // no memory for the pictures or the frames
    spare.clear();
    for (AVFrame*& frame : frames) av_frame_free(&frame);
    frames.clear();
    return false;
  }
  freeFrames = frames;
  return true;
}

bool DecodeAhead::start() {
  if (running()) return true;
  if (!make()) return false;
  quitting = false;
  try {
    decoding = std::thread(&DecodeAhead::decodeAll, this);
    converting = std::thread(&DecodeAhead::convertAll, this);
  } catch (const std::exception&) {  // no thread
    stop();
    return false;
  }
  return true;
}

void DecodeAhead::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    quitting = true;
  }
  wakeDecoder.notify_one();
  wakeConverter.notify_one();
  if (decoding.joinable()) decoding.join();
  if (converting.joinable()) converting.join();
}

DecodeAhead::Picture DecodeAhead::take() {
  std::unique_lock<std::mutex> lock(mutex);
  if (!running() && ready.empty()) return nullptr;
  pictureReady.wait(lock, [&] { return !ready.empty() || atEnd || broken; });
  if (ready.empty()) return nullptr;
  Picture picture = std::move(ready.front());
  ready.pop_front();
  return picture;
}

void DecodeAhead::giveBack(Picture picture) {
  if (!picture) return;
  {
    std::lock_guard<std::mutex> lock(mutex);
    spare.push_back(std::move(picture));
  }
  wakeConverter.notify_one();
}

void DecodeAhead::dropDecoded() {
  for (Decoded& item : decoded) {
    av_frame_unref(item.frame);
    freeFrames.push_back(item.frame);
  }
  decoded.clear();
}

void DecodeAhead::seekTo(int keyFrame) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    ++generation;
    seekTarget = keyFrame;
    for (Picture& picture : ready) spare.push_back(std::move(picture));
    ready.clear();
    dropDecoded();
    decodedAll = atEnd = false;
  }
  wakeDecoder.notify_one();
}

bool DecodeAhead::failed() {
  std::lock_guard<std::mutex> lock(mutex);
  return broken;
}

void DecodeAhead::decodeAll() {
  std::unique_lock<std::mutex> lock(mutex);
  while (!quitting) {
    if (seekTarget >= 0) {
      const int target = seekTarget;
      seekTarget = -1;
      lock.unlock();
      const bool sought = decoder.seekTo(target);
      lock.lock();
      if (!sought) {
        broken = true;
        pictureReady.notify_all();
      }
      continue;
    }
    if (broken || decodedAll || freeFrames.empty()) {
      wakeDecoder.wait(lock);
      continue;
    }
    AVFrame* frame = freeFrames.back();
    freeFrames.pop_back();
    const unsigned decodedFor = generation;
    lock.unlock();
    int index = -1;
    const bool got = decoder.decode(frame, &index);
    lock.lock();
    if (got && decodedFor == generation) {
      decoded.push_back({frame, index});
    } else {  // the end, or a picture from before a seek that came meanwhile
      av_frame_unref(frame);
      freeFrames.push_back(frame);
      if (decodedFor == generation) decodedAll = true;
    }
    wakeConverter.notify_one();
  }
}

void DecodeAhead::convertAll() {
  std::unique_lock<std::mutex> lock(mutex);
  while (!quitting) {
    if (decoded.empty() && decodedAll && !atEnd) {
      atEnd = true;
      pictureReady.notify_all();
      continue;
    }
    if (decoded.empty() || spare.empty()) {
      wakeConverter.wait(lock);
      continue;
    }
    const Decoded item = decoded.front();
    decoded.pop_front();
    Picture picture = std::move(spare.back());
    spare.pop_back();
    const unsigned convertedFor = generation;
    lock.unlock();
    picture->index = item.index;
    picture->converted = decoder.convert(item.frame, *picture);
    av_frame_unref(item.frame);
    lock.lock();
    freeFrames.push_back(item.frame);
    wakeDecoder.notify_one();
    if (convertedFor != generation) {  // a seek came meanwhile
      spare.push_back(std::move(picture));
      continue;
    }
    ready.push_back(std::move(picture));
    pictureReady.notify_all();
  }
}
