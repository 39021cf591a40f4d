#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "video/clip_decoder.h"

// Decodes a clip's pictures ahead of need, in decoding order, into a few
// pictures that go round between the clip's threads and the one user (the
// GUI thread). One thread feeds the decoder and another converts what it
// gives, so the decoder never waits for a conversion. While they run they
// alone touch the decoder; stop() ends them and hands the decoder back.
class DecodeAhead {
 public:
  using Picture = std::unique_ptr<ClipPicture>;

  // At most that many pictures, fewer where they are large; never fewer
  // than two, one the user holds and one being converted.
  DecodeAhead(ClipDecoder& decoder, int pictures);
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Makes the pictures (once) and starts the threads; false when memory or
  // a thread cannot be had.
  bool start();
  void stop();
  bool running() const { return decoding.joinable(); }

  // The next picture, waiting for it; null once the stream has ended.
  Picture take();
  // A picture the user is done with.
  void giveBack(Picture picture);
  // Drops what is decoded ahead; the next picture taken is the one at the
  // key frame. A clip that cannot go there afterwards has failed.
  void seekTo(int keyFrame);
  bool failed();

 private:
  // A picture as the decoder gave it, waiting for conversion.
  struct Decoded {
    AVFrame* frame;
    int index;
  };

  bool make();
  void decodeAll();
  void convertAll();
  void dropDecoded();

  ClipDecoder& decoder;
  const int mostPictures;
  std::mutex mutex;
  std::condition_variable wakeDecoder, wakeConverter, pictureReady;
  std::vector<Picture> spare;                // not in use
  std::deque<Picture> ready;                 // converted, in order
  std::vector<AVFrame*> frames, freeFrames;  // all the decoder's frames; those free
  std::deque<Decoded> decoded;               // decoded, in order
  unsigned generation = 0;                   // counts seeks: what was decoded before one is dropped
  int seekTarget = -1;                       // a key frame to go to before decoding on
  bool decodedAll = false;                   // the decoder has given its last picture until a seek
  bool atEnd = false;                        // and all of them are converted
  bool broken = false;
  bool quitting = false;
  std::thread decoding, converting;
};
