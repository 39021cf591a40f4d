#include "texture/texture_data.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <new>

#include "images/codec/picture_caps.h"
#include "platform/resources.h"
#include "texture/texture_readers.h"

namespace {

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Bytes of a picture of that size and format, or 0 when the caps refuse it.
size_t pictureBytes(int64_t width, int64_t height, int format) {
  char reason[160];
  if (!pictureSizeAllowed(width, height, maxPicturePixels, reason, sizeof reason)) return 0;
  return size_t(width) * size_t(height) * size_t(bytesPerPixel(format));
}

}  // namespace

int bytesPerPixel(int format) {
  switch (format) {
    case GL_LUMINANCE:
      return 1;
    case GL_LUMINANCE_ALPHA:
      return 2;
    case GL_RGB:
      return 3;
    default:
      return 4;
  }
}

TextureData::TextureData() = default;

TextureData::~TextureData() {
  freePixels();
}

void TextureData::freePixels() {
  delete[] pixels;
  pixels = nullptr;
  hasPixels = false;
}

void TextureData::takePixels(std::unique_ptr<unsigned char[]> picture, unsigned newWidth,
                             unsigned newHeight, int newFormat) {
  freePixels();
  if (!picture) return;
  pixels = picture.release();
  width = newWidth;
  height = newHeight;
  format = newFormat;
  hasPixels = true;
}

bool TextureData::load(const std::string& path, bool wantAlpha) {
  freePixels();
  fileName = path;
  std::string lower = lowerCase(path);
  unsigned newWidth = 0, newHeight = 0;
  int newFormat = 0;
  std::unique_ptr<unsigned char[]> picture;
  if (contains(lower, ".png")) {
    picture = readPng(path.c_str(), newWidth, newHeight, newFormat, true, wantAlpha);
  } else if (contains(lower, ".jpg") || contains(lower, ".jpeg") || contains(lower, ".jfif") ||
             contains(lower, ".jif")) {
    picture = readJpeg(path.c_str(), newWidth, newHeight, wantAlpha, true, 0);
    newFormat = wantAlpha ? GL_RGBA : GL_RGB;
  } else {
    std::clog << "no subroutine knows that file extension (" << fileName << ")" << std::endl;
    return false;
  }
  takePixels(std::move(picture), newWidth, newHeight, newFormat);
  return hasPixels;
}

bool TextureData::loadResource(const char* name, void*, bool wantAlpha) {
  freePixels();
  const void* data = nullptr;
  size_t size = 0;
  unsigned newWidth = 0, newHeight = 0;
  int newFormat = 0;
  std::unique_ptr<unsigned char[]> picture;
  if (findProgramResource(name, "PNG", &data, &size)) {
    picture = readPng(data, newWidth, newHeight, newFormat, false, wantAlpha, size);
  } else if (findProgramResource(name, "JPEG", &data, &size)) {
    picture = readJpeg(data, newWidth, newHeight, wantAlpha, false, size);
    newFormat = wantAlpha ? GL_RGBA : GL_RGB;
  } else {
    return false;
  }
  takePixels(std::move(picture), newWidth, newHeight, newFormat);
  return hasPixels;
}

bool TextureData::tile(const TextureData& source, int countX, int countY) {
  size_t rowBytes = size_t(source.width) * size_t(bytesPerPixel(source.format));
  size_t bytes = countX > 0 && countY > 0 && source.hasPixels
                     ? pictureBytes(int64_t(source.width) * countX, int64_t(source.height) * countY,
                                    source.format)
                     : 0;
  std::unique_ptr<unsigned char[]> picture(bytes ? new (std::nothrow) unsigned char[bytes]
                                                 : nullptr);
  if (!picture) {
    freePixels();
    return false;
  }
  // source may be this picture, so the copy is made before it is freed.
  size_t tiledRowBytes = rowBytes * size_t(countX);
  for (int i = 0; i < countY; ++i)
    for (unsigned j = 0; j < source.height; ++j) {
      const unsigned char* from = source.pixels + rowBytes * j;
      unsigned char* to = picture.get() + tiledRowBytes * (size_t(i) * source.height + j);
      for (int k = 0; k < countX; ++k) std::memcpy(to + rowBytes * size_t(k), from, rowBytes);
    }
  takePixels(std::move(picture), source.width * unsigned(countX), source.height * unsigned(countY),
             source.format);
  return true;
}

bool TextureData::create(unsigned newWidth, unsigned newHeight, int newFormat) {
  freePixels();
  size_t bytes = pictureBytes(newWidth, newHeight, newFormat);
  if (!bytes) return false;
  takePixels(std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bytes]), newWidth,
             newHeight, newFormat);
  return hasPixels;
}
