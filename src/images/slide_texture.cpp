#include "images/slide_texture.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "images/prepared_picture.h"
#include "images/texture_pool.h"
#include "platform/clock.h"
#include "platform/file_case.h"
#include "video/tavo_avi.h"

namespace {

// Whether GL takes a texture of that size and format: within its largest
// side, and accepted by the proxy, which also knows limits of memory.
bool textureFits(bool withAlpha, int width, int height) {
  const GLenum format = withAlpha ? GL_RGBA : GL_RGB;
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  if (largest > 0 && (width > largest || height > largest)) return false;
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
               nullptr);
  GLint accepted = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
  return accepted != 0;
}

// The prepared levels into the bound texture, one glTexSubImage2D each.
void uploadLevels(const PreparedPicture& picture) {
  // Rows of 4-byte texels are packed; only an alignment of 8 would misread
  // them (the narrow mipmap levels), so the caller's setting is set aside.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  int width = picture.textureWidth, height = picture.textureHeight;
  for (size_t level = 0; level < picture.levels.size(); ++level) {
    glTexSubImage2D(GL_TEXTURE_2D, GLint(level), 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                    picture.levels[level].data());
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

GLenum storageFormatOf(const PreparedPicture& picture) {
  return picture.hasAlpha || picture.isVideo ? GL_RGBA : GL_RGB;
}

// A texture of the pool for the picture, its filters set and its levels
// filled; the levels are freed then.
void fillNewTexture(PreparedPicture& picture) {
  picture.levelCount = int(picture.levels.size());
  picture.texture = takeTextureName(storageFormatOf(picture), picture.textureWidth,
                                    picture.textureHeight, picture.levelCount);
  const GLint magnify = GL_LINEAR;
  const GLint minify = picture.mipmaps ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnify);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minify);
  uploadLevels(picture);
  picture.levels.clear();
  picture.levels.shrink_to_fit();
}

}  // namespace

bool uploadPreparedPicture(PreparedPicture& picture) {
  if (picture.isVideo || picture.texture) return false;
  if (!picture.failed &&
      !textureFits(picture.hasAlpha, picture.textureWidth, picture.textureHeight))
    return false;
  fillNewTexture(picture);
  // Another context draws with it: the texture must be complete first.
  glFinish();
  return true;
}

SlideTexture::SlideTexture(const char* path, bool mipmaps, bool thumbnail)
    : SlideTexture(preparePicture(path ? path : "", mipmaps, thumbnail, textureFits)) {}

SlideTexture::SlideTexture(PreparedPicture&& prepared) : fileName(prepared.fileName) {
  PreparedPicture picture = std::move(prepared);
  // Prepared away from GL, the picture was only held to GL's largest side.
  if (!picture.isVideo && !picture.failed && !picture.texture &&
      !textureFits(picture.hasAlpha, picture.textureWidth, picture.textureHeight))
    picture = preparePicture(fileName, picture.mipmaps, picture.thumbnail, textureFits);
  if (!picture.shrinkMessage.empty()) std::fputs(picture.shrinkMessage.c_str(), stderr);

  kind = Picture;
  if (picture.isVideo) {
    video = new TavoAvi(findFileIgnoringCase(fileName), 0);
    kind = Video;
    width = video->frameWidth;
    height = video->frameHeight;
    picture.textureWidth = textureSideFor(width);
    picture.textureHeight = textureSideFor(height);
    // Opaque black until the clip shows its first frame. Clips are stored as
    // RGBA: the clip's rows then go up as they are, without a conversion in
    // the driver (a blend over the page still sees an alpha of one).
    TexelBuffer black(size_t(picture.textureWidth) * picture.textureHeight * 4, 0);
    for (size_t i = 3; i < black.size(); i += 4) black[i] = 255;
    picture.levels.assign(1, std::move(black));
  } else {
    width = picture.width;
    height = picture.height;
  }
  hasAlpha = picture.hasAlpha ? 1 : 0;
  textureWidth = picture.textureWidth;
  textureHeight = picture.textureHeight;
  uExtent = float(width) / float(textureWidth);
  vExtent = float(height) / float(textureHeight);
  // Uploaded ahead in a context of the workers, or filled here.
  if (picture.texture)
    glBindTexture(GL_TEXTURE_2D, picture.texture);
  else
    fillNewTexture(picture);
  textureId = picture.texture;
  levelCount = picture.levelCount;
  // A page's clip has its first frame decoded before it shows; thumbnails'
  // clips decode only when drawn.
  if (kind == Video && !picture.thumbnail) static_cast<TavoAvi*>(video)->beginDecoding();
}

SlideTexture::~SlideTexture() {
  returnTextureName(textureId, storageFormat(), textureWidth, textureHeight, levelCount);
  delete video;
}

unsigned int SlideTexture::storageFormat() const {
  return hasAlpha || kind == Video ? GL_RGBA : GL_RGB;
}

void SlideTexture::bind() {
  glBindTexture(GL_TEXTURE_2D, textureId);
}

void SlideTexture::startVideo() {
  if (kind != Video) return;
  videoStartTime = timeGetTime();
  video->startSound();
  playing = true;
}

void SlideTexture::stopVideo() {
  if (kind != Video) return;
  video->stopSound();
  playing = false;
}

void SlideTexture::updateVideo() {
  if (kind != Video) return;
  bind();
  video->update(float(uint32_t(timeGetTime() - videoStartTime)) * 0.001f);
  if (float(uint32_t(timeGetTime() - videoStartTime)) * 0.001f > video->lengthSeconds)
    playing = false;
}

void SlideTexture::texCoord(float s, float t) const {
  glTexCoord2f(s * uExtent, t * vExtent);
}

void clampTextureWrap() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}
