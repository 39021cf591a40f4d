#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "video/opengl_video.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;
struct FSOUND_STREAM;

// An AVI file's first video stream, decoded through FFmpeg, with the file's
// sound track as a sound stream. Frame n is the picture of the n-th chunk of
// the stream; an empty chunk repeats the picture before it.
//
// Playing forward decodes sequentially; going back seeks to the key frame at
// or before the wanted frame and decodes forward from there. A stream or
// decoder that cannot be opened is reported in a message box and leaves a
// clip without frames.
class TavoAvi : public OpenGLVideo {
 public:
  TavoAvi(std::string path, int playMode);
  ~TavoAvi() override;
  TavoAvi(const TavoAvi&) = delete;
  TavoAvi& operator=(const TavoAvi&) = delete;

  // Uploads frame (0 .. frameCount - 1; others upload nothing) as
  // frameWidth x frameHeight BGR texels into the lower-left corner of the
  // bound GL_TEXTURE_2D, bottom row first.
  void showFrame(int frame) override;
  void startSound() override;
  void stopSound() override;

  std::string fileName;
  AVFormatContext* container = nullptr;
  int streamIndex = -1;
  int64_t firstTimestamp = 0;  // timestamp of frame 0 in stream ticks
  AVCodecContext* decoder = nullptr;
  SwsContext* converter = nullptr;
  AVPacket* packet = nullptr;
  // Bottom-up BGR rows of frameWidth pixels, each padded to 4 bytes.
  std::vector<uint8_t> framePixels;
  FSOUND_STREAM* soundStream = nullptr;

  // What the decoder holds. `held` is the last picture decoded at or before
  // the frame asked for; `ahead` the first one found past it, kept for the
  // next request. Indices are frame numbers, -1 when the slot is empty.
  AVFrame* held = nullptr;
  AVFrame* ahead = nullptr;
  int heldIndex = -1;
  int aheadIndex = -1;
  int nextIndex = 0;           // no picture before this one can come out of the decoder
  int convertedIndex = -1;     // picture now in framePixels
  bool endOfStream = false;    // the decoder has given its last picture
  bool sentEndOfFile = false;  // the decoder has been told to drain

  // Work done so far, for tests and benchmarks.
  int picturesDecoded = 0;
  int seeks = 0;
  int uploads = 0;

 private:
  bool openVideoStream();
  bool openDecoder();
  void closeDecoding();
  // Makes `held` the picture shown at frame; false when there is none.
  bool findPicture(int frame);
  // Decodes the next picture into picture; false at the end of the stream.
  bool decodeNextPicture(AVFrame* picture, int* index);
  bool seekTo(int keyFrame);
  bool reopenAtStart();
  int keyFrameAtOrBefore(int frame) const;
  int indexOf(const AVFrame* picture) const;
  bool convertHeldPicture();
  void forgetPictures();
};
