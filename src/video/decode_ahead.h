#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "video/clip_decoder.h"

// Decodes a clip's pictures ahead of need on a thread of its own, in
// decoding order, into a few pictures that go round between the thread and
// the one user (the GUI thread). While the thread runs it alone touches the
// decoder; stop() ends it and hands the decoder back where it is.
class DecodeAhead {
 public:
  using Picture = std::unique_ptr<ClipPicture>;

  // At most that many pictures, fewer where they are large; never fewer
  // than two, one the user holds and one the thread decodes into.
  DecodeAhead(ClipDecoder& decoder, int pictures);
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Makes the pictures (once) and starts the thread; false when memory or a
  // thread cannot be had.
  bool start();
  void stop();
  bool running() const { return worker.joinable(); }

  // The next picture, waiting for it; null once the stream has ended.
  Picture take();
  // A picture the user is done with.
  void giveBack(Picture picture);
  // Drops what is decoded ahead; the next picture taken is the one at the
  // key frame. A clip that cannot go there afterwards has failed.
  void seekTo(int keyFrame);
  bool failed();

 private:
  void run();

  ClipDecoder& decoder;
  const int mostPictures;
  std::mutex mutex;
  std::condition_variable wakeWorker, pictureReady;
  std::vector<Picture> spare;  // not in use
  std::deque<Picture> ready;   // decoded, in order
  unsigned generation = 0;     // counts seeks: what was decoded before one is dropped
  int seekTarget = -1;         // a key frame to go to before decoding on
  bool atEnd = false;          // nothing more comes until a seek
  bool broken = false;
  bool quitting = false;
  bool made = false;
  std::thread worker;
};
