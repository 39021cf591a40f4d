#pragma once
#include <cstdint>
#include <string>

class OpenGLVideo;
struct PreparedPicture;

// A picture or AVI video as a power-of-two GL texture, with the extents of
// the picture inside it. Texel row 0 holds the picture's bottom row, so
// texture coordinates (0, 0)-(uExtent, vExtent) map the upright picture.
class SlideTexture {
 public:
  enum Kind { Picture = 0, Video = 1 };

  // Decides picture or video from the file name's extension, decodes (and
  // for a thumbnail shrinks to at most 256 a side), pads and uploads. Never
  // fails: an undecodable picture becomes the 64 x 64 failure pattern.
  // Needs a current GL context; leaves the new texture bound.
  SlideTexture(const char* path, bool mipmaps, bool thumbnail);
  // Uploads a picture prepared elsewhere (or makes the video it names).
  explicit SlideTexture(PreparedPicture&& picture);
  ~SlideTexture();
  SlideTexture(const SlideTexture&) = delete;
  SlideTexture& operator=(const SlideTexture&) = delete;

  void bind();
  void startVideo();
  void stopVideo();
  bool isPlaying() const { return playing; }
  void updateVideo();
  // glTexCoord2f of (s, t) scaled by the extents: 0..1 address the picture.
  void texCoord(float s, float t) const;
  bool hasAlphaChannel() const { return hasAlpha != 0; }
  // GL_RGBA for pictures with alpha and for clips, GL_RGB otherwise.
  unsigned int storageFormat() const;

  uint32_t videoStartTime = 0;
  std::string fileName;
  unsigned int textureId = 0;
  int hasAlpha = 0;
  int kind = Picture;
  OpenGLVideo* video = nullptr;
  bool playing = false;
  int width = 0, height = 0;
  int textureWidth = 64, textureHeight = 64;
  float uExtent = 0, vExtent = 0;
  int levelCount = 1;  // mipmap levels of the texture
};

// Uploads a prepared picture (not a video) into a texture of its own in the
// current context, which shares textures with the window's; false, with
// nothing done, when GL does not take its size there. Finished when it returns.
bool uploadPreparedPicture(PreparedPicture& picture);

// GL_CLAMP on both axes of the bound texture (thumbnails and picture objects).
void clampTextureWrap();
