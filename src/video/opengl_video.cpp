#include "video/opengl_video.h"

#include <cmath>

OpenGLVideo::OpenGLVideo(std::string, int playMode) : playMode(playMode) {}

OpenGLVideo::~OpenGLVideo() {}

void OpenGLVideo::update(float seconds) {
  // A clip that could not be opened has no frames: nothing to pick from, and
  // the division and the loop's remainder below would be meaningless.
  if (frameCount <= 0 || !(lengthSeconds > 0)) return;
  float position = seconds / lengthSeconds * float(frameCount);
  if (std::isnan(position)) return;
  // Keep the conversion to int defined for absurd times.
  position = std::fmax(std::fmin(position, 2147483520.0f), -2147483520.0f);
  int index = int(position);
  if (playMode == 0) {
    if (index < 0) index = 0;
    if (index > frameCount - 1) index = frameCount - 1;
  } else if (playMode == 1) {
    index %= frameCount;
  }
  if (index != currentFrame) showFrame(index);
}

void OpenGLVideo::startSound() {}

void OpenGLVideo::stopSound() {}
