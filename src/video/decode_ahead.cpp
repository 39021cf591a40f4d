#include "video/decode_ahead.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace {

// What the pictures of one clip may take together, unless two take more.
constexpr size_t pictureMemory = size_t(64) << 20;

}  // namespace

DecodeAhead::DecodeAhead(ClipDecoder& decoder, int pictures)
    : decoder(decoder), mostPictures(pictures) {}

DecodeAhead::~DecodeAhead() {
  stop();
}

bool DecodeAhead::start() {
  if (running()) return true;
  try {
    if (!made) {
      const size_t bytes = std::max<size_t>(decoder.pictureBytes(), 1);
      const int count = int(std::clamp<size_t>(pictureMemory / bytes, 2, size_t(mostPictures)));
      for (int i = 0; i < count; ++i)
        spare.push_back(std::make_unique<ClipPicture>(decoder.pictureBytes()));
      made = true;
    }
    quitting = false;
    worker = std::thread(&DecodeAhead::run, this);
  } catch (const std::exception&) {  // no memory for the pictures, or no thread
    spare.clear();
    made = false;
    return false;
  }
  return true;
}

void DecodeAhead::stop() {
  if (!running()) return;
  {
    std::lock_guard<std::mutex> lock(mutex);
    quitting = true;
  }
  wakeWorker.notify_one();
  worker.join();
}

DecodeAhead::Picture DecodeAhead::take() {
  std::unique_lock<std::mutex> lock(mutex);
  if (!running() && ready.empty()) return nullptr;
  pictureReady.wait(lock, [&] { return !ready.empty() || atEnd || broken; });
  if (ready.empty()) return nullptr;
  Picture picture = std::move(ready.front());
  ready.pop_front();
  lock.unlock();
  wakeWorker.notify_one();
  return picture;
}

void DecodeAhead::giveBack(Picture picture) {
  if (!picture) return;
  {
    std::lock_guard<std::mutex> lock(mutex);
    spare.push_back(std::move(picture));
  }
  wakeWorker.notify_one();
}

void DecodeAhead::seekTo(int keyFrame) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    ++generation;
    seekTarget = keyFrame;
    for (Picture& picture : ready) spare.push_back(std::move(picture));
    ready.clear();
    atEnd = false;
  }
  wakeWorker.notify_one();
}

bool DecodeAhead::failed() {
  std::lock_guard<std::mutex> lock(mutex);
  return broken;
}

void DecodeAhead::run() {
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
    if (broken || atEnd || spare.empty()) {
      wakeWorker.wait(lock);
      continue;
    }
    Picture picture = std::move(spare.back());
    spare.pop_back();
    const unsigned decodedFor = generation;
    lock.unlock();
    const bool decoded = decoder.next(*picture);
    lock.lock();
    if (decodedFor != generation) {  // a seek came meanwhile: the picture is from before it
      spare.push_back(std::move(picture));
      continue;
    }
    if (decoded) {
      ready.push_back(std::move(picture));
    } else {
      spare.push_back(std::move(picture));
      atEnd = true;
    }
    pictureReady.notify_all();
  }
}
