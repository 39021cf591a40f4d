#include "video/tavo_avi.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/message_box.h"
#include "sound/fsound.h"

namespace {

// The slide pictures' own cap on a side; GL may allow less.
constexpr int maxFrameSide = 16384;
// The held picture, the one after it, and two for the decoder to work on
// (fewer for large frames).
constexpr int picturesInFlight = 4;

int largestTextureSide() {
  GLint largest = 0;  // stays 0 where no GL context is current
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  return largest > 0 ? std::min<int>(largest, maxFrameSide) : maxFrameSide;
}

// Texels in the order the bound texture stores them go to GL as a plain
// copy: GL_RGBA rows for RGBA textures, GL_BGRA rows for the others (what
// most drivers keep). Under Mesa an RGBA texture takes a 1920 x 1080
// picture of RGBA rows in under 1 ms and one of BGRA rows in over 6 ms.
bool boundTextureIsRgba() {
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  return format == GL_RGBA || format == GL_RGBA8;
}

}  // namespace

TavoAvi::TavoAvi(std::string path, int playMode)
    : OpenGLVideo(path, playMode), fileName(std::move(path)), decoding(decoder, picturesInFlight) {
  soundStream = FSOUND_Stream_Open(fileName.c_str(), FSOUND_NORMAL, 0, 0);
  switch (decoder.open(fileName, largestTextureSide())) {
    case ClipDecoder::Opened::NoStream:
      showMessageBox("Failed To Open The AVI Stream", "Error");
      // Without a video stream the owner would restart the sound on every
      // draw (the clip's length is 0), so such a clip stays silent.
      closeSound();
      return;
    case ClipDecoder::Opened::NoDecoder:
      showMessageBox("Failed To Open The AVI Frame (No decompressor found)", "Error");
      // No frames; the frame size and the length stay as the stream gives them.
      frameWidth = decoder.width;
      frameHeight = decoder.height;
      lengthSeconds = decoder.lengthSeconds;
      return;
    case ClipDecoder::Opened::Yes:
      break;
  }
  frameWidth = decoder.width;
  frameHeight = decoder.height;
  if (decoder.frameCount <= 0 || !(decoder.lengthSeconds > 0)) {
    std::fprintf(stderr, "%s: the video stream has no length; shown without frames or sound\n",
                 fileName.c_str());
    decoder.close();
    closeSound();  // the same restart on every draw as without a stream
    return;
  }
  frameCount = decoder.frameCount;
  lengthSeconds = decoder.lengthSeconds;
  if (frameWidth != decoder.sourceWidth || frameHeight != decoder.sourceHeight)
    std::fprintf(
        stderr, "%s: %d x %d pixel frames make a texture larger than GL takes; shown at %d x %d\n",
        fileName.c_str(), decoder.sourceWidth, decoder.sourceHeight, frameWidth, frameHeight);
}

TavoAvi::~TavoAvi() {
  decoding.stop();
  forgetPictures();
  decoder.close();
  if (soundStream) FSOUND_Stream_Stop(soundStream);
  closeSound();
}

void TavoAvi::closeSound() {
  if (soundStream) FSOUND_Stream_Close(soundStream);
  soundStream = nullptr;
}

void TavoAvi::becomeFrameless() {
  decoding.stop();
  forgetPictures();
  decoder.close();
  frameCount = 0;
}

void TavoAvi::forgetPictures() {
  decoding.giveBack(std::move(held));
  decoding.giveBack(std::move(ahead));
}

void TavoAvi::seekTo(int keyFrame) {
  ++seeks;
  forgetPictures();
  decoding.seekTo(keyFrame);
  nextIndex = keyFrame;
  endOfStream = false;
}

bool TavoAvi::findPicture(int frame) {
  auto heldIsTheOne = [&] {
    return held && held->index <= frame &&
           (held->index == frame || (ahead && ahead->index > frame) || endOfStream);
  };
  if (heldIsTheOne()) return true;

  int next = ahead ? ahead->index : nextIndex;
  bool backwards = held ? frame < held->index : frame < next;
  int keyFrame = decoder.keyFrameAtOrBefore(frame);
  // Going back needs a key frame; going forward past a key frame skips the
  // pictures before it. Showing the next frame never seeks.
  if (backwards || keyFrame > next) seekTo(keyFrame);

  if (ahead && ahead->index <= frame) {
    decoding.giveBack(std::move(held));
    held = std::move(ahead);
  }
  while ((!held || held->index != frame) && !ahead && !endOfStream) {
    DecodeAhead::Picture picture = decoding.take();
    if (!picture) {
      endOfStream = true;
      if (decoding.failed()) return false;
      break;
    }
    nextIndex = picture->index + 1;
    ++picturesDecoded;
    if (picture->index <= frame) {
      decoding.giveBack(std::move(held));
      held = std::move(picture);
    } else {
      ahead = std::move(picture);
    }
  }
  // Nothing at or before the frame (a stream whose first picture comes
  // late): show the earliest picture there is.
  if (!held && ahead) held = std::move(ahead);
  return held != nullptr;
}

void TavoAvi::chooseTexelOrder() {
  if (texelOrderChosen) return;
  rgbaTexels = boundTextureIsRgba();
  decoder.convertToRgba(rgbaTexels);
  texelOrderChosen = true;
}

void TavoAvi::beginDecoding() {
  if (frameCount <= 0) return;
  chooseTexelOrder();
  // Without memory now, the first shown frame says so.
  decoding.start();
}

void TavoAvi::showFrame(int frame) {
  currentFrame = frame;
  if (frame < 0 || frame >= frameCount) return;
  chooseTexelOrder();
  if (!decoding.start()) {
    std::fprintf(stderr, "%s: no memory for %d x %d pixel frames; shown without frames\n",
                 fileName.c_str(), frameWidth, frameHeight);
    becomeFrameless();
    return;
  }
  if (!findPicture(frame)) {
    if (decoding.failed()) becomeFrameless();  // neither sought nor opened again
    return;
  }
  if (!held->converted) return;
  if (rgbaTexels)
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frameWidth, frameHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                    held->texels.get());
  else
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frameWidth, frameHeight, GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, held->texels.get());
  ++uploads;
}

void TavoAvi::startSound() {
  if (!soundStream) return;
  FSOUND_Stream_SetTime(soundStream, 0);
  FSOUND_Stream_Play(-1, soundStream);
}

void TavoAvi::stopSound() {
  decoding.stop();
  if (soundStream) FSOUND_Stream_Stop(soundStream);
}
