#pragma once
#include <string>

// A clip that puts the frame for a point in time into the bound texture.
// The owner passes the seconds since it started the clip.
class OpenGLVideo {
 public:
  OpenGLVideo(std::string path, int playMode);
  virtual ~OpenGLVideo();
  // Uploads frame into the lower-left corner of the bound GL_TEXTURE_2D.
  virtual void showFrame(int frame) = 0;
  // Picks the frame for the time by play mode and shows it unless it is the
  // one already in the texture.
  virtual void update(float seconds);
  virtual void startSound();
  virtual void stopSound();

  int frameCount = 0;
  float lengthSeconds = 0;
  int frameWidth = 0;
  int frameHeight = 0;
  int playMode;           // 0 hold the last frame, 1 loop, else no limit
  int currentFrame = -1;  // frame now in the texture; -1 before the first
};
