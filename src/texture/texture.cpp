#include "texture/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "texture/texture_data.h"

namespace {

// How a format code of texture data goes to GL. 16-bit samples are grey
// with alpha (the only picture the readers keep at 16 bits), so they are
// uploaded as two-channel 16-bit luminance-alpha.
struct UploadFormat {
  GLint internalFormat;
  GLenum format, type;
};

UploadFormat uploadFormatOf(int format) {
  if (format == sixteenBitSamples)
    return {GL_LUMINANCE16_ALPHA16, GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT};
  return {format, GLenum(format), GL_UNSIGNED_BYTE};
}

bool fitsGl(const TextureData& data) {
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  return data.width > 0 && data.height > 0 && data.width <= unsigned(maxSide) &&
         data.height <= unsigned(maxSide);
}

// Rows of texture data are packed; GL's default unpacking pads them to 4.
class PackedRows {
 public:
  PackedRows() {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  ~PackedRows() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved); }

 private:
  GLint saved = 4;
};

}  // namespace

Texture::Texture() = default;

Texture::~Texture() {
  deleteTexture();
  if (data && ownsData) delete data;
}

void Texture::deleteTexture() {
  if (!created) return;
  glDeleteTextures(1, &textureName);
  textureName = 0;
  created = false;
}

bool Texture::create(TextureData* newData, bool buildMipmaps) {
  deleteTexture();
  if (ownsData && data != newData) delete data;
  data = newData;
  ownsData = false;
  if (!data || !data->hasPixels || !fitsGl(*data)) return false;
  glGenTextures(1, &textureName);
  glBindTexture(GL_TEXTURE_2D, textureName);
  UploadFormat upload = uploadFormatOf(data->format);
  PackedRows packed;
  GLsizei width = GLsizei(data->width), height = GLsizei(data->height);
  if (buildMipmaps) {
    kind = BuiltMipmaps;
    gluBuild2DMipmaps(GL_TEXTURE_2D, upload.internalFormat, width, height, upload.format,
                      upload.type, data->pixels);
  } else {
    kind = OneLevel;
    glTexImage2D(GL_TEXTURE_2D, 0, upload.internalFormat, width, height, 0, upload.format,
                 upload.type, data->pixels);
  }
  created = glIsTexture(textureName);
  return created;
}

void Texture::createLevels(MipmapData* levels) {
  deleteTexture();
  if (ownsData && data != levels) delete data;
  data = levels;
  ownsData = false;
  kind = StoredLevels;
  if (!levels || !levels->hasPixels || !fitsGl(*levels)) return;
  glGenTextures(1, &textureName);
  glBindTexture(GL_TEXTURE_2D, textureName);
  UploadFormat upload = uploadFormatOf(levels->format);
  PackedRows packed;
  for (int i = 0; i < levels->levelCount; ++i)
    glTexImage2D(GL_TEXTURE_2D, i, upload.internalFormat,
                 GLsizei(MipmapData::levelSide(levels->width, i)),
                 GLsizei(MipmapData::levelSide(levels->height, i)), 0, upload.format, upload.type,
                 levels->pixels + levels->levelOffset(i));
  // A chain that stops short of 1 x 1 is still complete for mipmapping.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels->levelCount - 1);
  created = true;
}
