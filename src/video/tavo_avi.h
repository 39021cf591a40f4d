#pragma once
#include <string>

#include "video/clip_decoder.h"
#include "video/decode_ahead.h"
#include "video/opengl_video.h"

struct FSOUND_STREAM;

// An AVI file's first video stream, decoded through FFmpeg, with the file's
// sound track as a sound stream. Frame n is the picture of the n-th chunk of
// the stream; an empty chunk repeats the picture before it.
//
// Pictures are decoded ahead on two threads of the clip's own, in order; the
// GL upload stays on the calling thread. Playing forward decodes
// sequentially; going back seeks to the key frame at or before the wanted
// frame and decodes forward from there. A stream or decoder that cannot be
// opened is reported in a message box and leaves a clip without frames, and
// so does a stream without length (silent then too) or one whose pictures
// find no memory. Frames larger than GL's largest texture are scaled down
// to fit.
class TavoAvi : public OpenGLVideo {
 public:
  TavoAvi(std::string path, int playMode);
  ~TavoAvi() override;
  TavoAvi(const TavoAvi&) = delete;
  TavoAvi& operator=(const TavoAvi&) = delete;

  // Uploads frame (0 .. frameCount - 1; others upload nothing) as
  // frameWidth x frameHeight texels into the lower-left corner of the bound
  // GL_TEXTURE_2D, bottom row first.
  void showFrame(int frame) override;
  // With the clip's texture bound: starts decoding ahead now, so that the
  // first frame is ready when the clip is first shown.
  void beginDecoding();
  void startSound() override;
  // Stops the sound and the decoding ahead; showing a frame resumes it.
  void stopSound() override;

  std::string fileName;
  FSOUND_STREAM* soundStream = nullptr;

  // Work done so far, for tests and benchmarks.
  int picturesDecoded = 0;  // pictures taken from the decoder
  int seeks = 0;
  int uploads = 0;

 private:
  void becomeFrameless();
  // By the bound texture's format, before the first picture is converted.
  void chooseTexelOrder();
  void closeSound();
  // Makes `held` the picture shown at frame; false when there is none.
  bool findPicture(int frame);
  void seekTo(int keyFrame);
  void forgetPictures();

  ClipDecoder decoder;
  DecodeAhead decoding;
  // `held` is the last picture decoded at or before the frame asked for;
  // `ahead` the first one found past it, kept for the next request.
  DecodeAhead::Picture held, ahead;
  int nextIndex = 0;              // no picture before this one can come from the decoder
  bool endOfStream = false;       // the decoder has given its last picture
  bool texelOrderChosen = false;  // by the texture of the first frame shown
  bool rgbaTexels = false;
};
