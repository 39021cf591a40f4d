#include "images/slide_texture.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "app/state/viewer_state.h"
#include "images/picture_orientation.h"
#include "images/raster_image.h"
#include "platform/clock.h"
#include "platform/file_case.h"
#include "video/tavo_avi.h"

namespace {

constexpr int thumbnailSide = 256;
constexpr int smallestTextureSide = 64;

// The smallest power of two that holds size, never below 64.
int textureSideFor(int size) {
  int side = smallestTextureSide;
  while (side < size && side < (1 << 30)) side *= 2;
  return side;
}

// Scales width x height so that the larger side becomes side, truncating
// each product toward zero (a 322-pixel side becomes 255); a side never
// shrinks to nothing.
void shrinkToSide(int& width, int& height, int side) {
  double scale = double(side) / std::max(width, height);
  width = std::max(1, int(width * scale));
  height = std::max(1, int(height * scale));
}

// Whether GL takes a texture of that size and format: within its largest
// side, and accepted by the proxy, which also knows limits of memory.
bool textureFits(GLenum format, int width, int height) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  if (largest > 0 && (width > largest || height > largest)) return false;
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
               nullptr);
  GLint accepted = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
  return accepted != 0;
}

// Texels are built four bytes each, red, green, blue and alpha, for RGB
// textures too: GL takes them faster than three-byte ones, and an RGB
// texture ignores the fourth byte. They go to GL a band of rows at a time,
// so that no copy of the whole texture is ever made.
constexpr int texelBytes = 4;
constexpr int bandRows = 32;  // divides every texture height (64 and more, powers of two)

using RowSource = std::function<void(int y, uint8_t* row)>;

// Rows of an undecodable picture: white with a red diagonal band.
void failurePatternRow(int y, uint8_t* row, int textureWidth) {
  std::memset(row, 255, size_t(textureWidth) * texelBytes);
  for (int x = std::max(0, y - 16); x <= std::min(textureWidth - 1, y + 16); ++x)
    row[texelBytes * x + 1] = row[texelBytes * x + 2] = 0;
}

// One picture row as texels; without an alpha plane the alpha byte is 255.
void convertRow(const RasterImage& image, int y, const std::array<RgbQuad, 256>& colours,
                bool withAlpha, uint8_t* __restrict out) {
  const int width = image.width();
  const uint8_t* __restrict pixels = image.row(y);
  const uint8_t* alpha = withAlpha ? &image.alphaPlane[size_t(y) * width] : nullptr;
  if (image.bitsPerPixel == 24) {
    if (withAlpha) {
      for (int x = 0; x < width; ++x, pixels += 3, out += 4)
        out[0] = pixels[2], out[1] = pixels[1], out[2] = pixels[0], out[3] = alpha[x];
    } else {
      for (int x = 0; x < width; ++x, pixels += 3, out += 4)
        out[0] = pixels[2], out[1] = pixels[1], out[2] = pixels[0], out[3] = 255;
    }
    return;
  }
  for (int x = 0; x < width; ++x, out += 4) {
    int index;
    if (image.bitsPerPixel == 8)
      index = pixels[x];
    else if (image.bitsPerPixel == 4)
      index = (pixels[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    else
      index = (pixels[x >> 3] >> (7 - (x & 7))) & 1;
    const RgbQuad& colour = colours[size_t(index)];
    out[0] = colour.red, out[1] = colour.green, out[2] = colour.blue;
    out[3] = withAlpha ? alpha[x] : 255;
  }
}

// The texture rows the image's per-pixel queries give, texel (x, y) taking
// pixelColor(x, y) and alphaAt(x, y), built a row at a time: picture rows
// from the pixels, padding from the image's answer outside the picture.
class PictureRows {
 public:
  PictureRows(const RasterImage& image, bool withAlpha, int textureWidth, int textureHeight)
      : image(image), withAlpha(withAlpha) {
    width = image.width(), height = image.height();
    bool hasPixels = width > 0 && height > 0 &&
                     image.pixels.size() >= size_t(image.rowBytes()) * size_t(height) &&
                     (!withAlpha || image.alphaPlane.size() >= size_t(width) * size_t(height));
    if (!hasPixels || width > textureWidth || height > textureHeight) width = height = 0;

    const RgbQuad outside = image.pixelColor(-1, -1);
    const uint8_t padding[texelBytes] = {outside.red, outside.green, outside.blue,
                                         uint8_t(withAlpha ? 0 : 255)};
    paddingRow.resize(size_t(textureWidth) * texelBytes);
    for (size_t at = 0; at < paddingRow.size(); at += texelBytes)
      std::memcpy(&paddingRow[at], padding, texelBytes);

    // Palette lookups as pixelColor makes them: an index past the palette
    // is a zero colour.
    for (size_t i = 0; i < colours.size() && i < image.palette.size(); ++i)
      colours[i] = image.palette[i];
  }

  void row(int y, uint8_t* out) const {
    if (y >= height) {
      std::memcpy(out, paddingRow.data(), paddingRow.size());
      return;
    }
    convertRow(image, y, colours, withAlpha, out);
    const size_t pictureBytes = size_t(width) * texelBytes;
    std::memcpy(out + pictureBytes, paddingRow.data(), paddingRow.size() - pictureBytes);
  }

 private:
  const RasterImage& image;
  bool withAlpha;
  int width, height;
  std::vector<uint8_t> paddingRow;
  std::array<RgbQuad, 256> colours{};
};

// Mipmap filtering as GLU's gluBuild2DMipmaps does it: each texel the
// rounded mean of a 2 x 2 block, or once one side is down to 1, the
// truncated mean of a pair along the other.
void halveRows(const uint8_t* __restrict source, int width, int rows, uint8_t* __restrict target) {
  const size_t sourceRow = size_t(width) * texelBytes;
  for (int y = 0; y + 1 < rows; y += 2) {
    const uint8_t* a = source + size_t(y) * sourceRow;
    const uint8_t* b = a + sourceRow;
    for (int x = 0; x + 1 < width; x += 2, a += 2 * texelBytes, b += 2 * texelBytes)
      for (int c = 0; c < texelBytes; ++c)
        *target++ = uint8_t((a[c] + a[c + texelBytes] + b[c] + b[c + texelBytes] + 2) >> 2);
  }
}

// The next level from a whole level, in place.
void halveInPlace(uint8_t* texels, int& width, int& height, std::vector<uint8_t>& scratch) {
  if (width > 1 && height > 1) {
    scratch.resize(size_t(width / 2) * (height / 2) * texelBytes);
    halveRows(texels, width, height, scratch.data());
    std::memcpy(texels, scratch.data(), scratch.size());
  } else {
    // A single row or column: the pairs lie next to each other either way.
    const int pairs = std::max(width, height) / 2;
    for (int i = 0; i < pairs; ++i)
      for (int c = 0; c < texelBytes; ++c)
        texels[i * texelBytes + c] =
            uint8_t((texels[2 * i * texelBytes + c] + texels[(2 * i + 1) * texelBytes + c]) >> 1);
  }
  width = std::max(1, width / 2);
  height = std::max(1, height / 2);
}

bool hasTextureStorage() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0, minor = 0;
  if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
      (major > 4 || (major == 4 && minor >= 2)))
    return true;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions && std::strstr(extensions, "GL_ARB_texture_storage");
}

// Storage for every level at once: a renderer that had to grow a texture
// level by level would copy it each time.
void allocateLevels(GLenum format, int width, int height, int levels) {
  if (hasTextureStorage()) {
    glTexStorage2D(GL_TEXTURE_2D, levels, format == GL_RGBA ? GL_RGBA8 : GL_RGB8, width, height);
    return;
  }
  for (int level = 0; level < levels; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GLint(format), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
}

// Uploads the rows into the bound texture, and with mipmaps the levels GLU
// would build from them.
void uploadTexture(GLenum format, int width, int height, bool mipmaps, const RowSource& rowOf) {
  int levels = 1;
  if (mipmaps)
    for (int side = std::max(width, height); side > 1; side /= 2) ++levels;
  allocateLevels(format, width, height, levels);

  // Rows of 4-byte texels are packed; only an alignment of 8 would misread
  // them (the narrow mipmap levels), so the caller's setting is set aside.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

  const size_t rowSize = size_t(width) * texelBytes;
  std::vector<uint8_t> band(rowSize * bandRows);
  std::vector<uint8_t> level(levels > 1 ? size_t(width / 2) * (height / 2) * texelBytes : 0);
  for (int y = 0; y < height; y += bandRows) {
    const int rows = std::min(bandRows, height - y);
    for (int r = 0; r < rows; ++r) rowOf(y + r, &band[size_t(r) * rowSize]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, width, rows, GL_RGBA, GL_UNSIGNED_BYTE, band.data());
    if (levels > 1) halveRows(band.data(), width, rows, &level[size_t(y / 2) * (rowSize / 2)]);
  }
  int levelWidth = width / 2, levelHeight = height / 2;
  std::vector<uint8_t> scratch;
  for (int index = 1; index < levels; ++index) {
    if (index > 1) halveInPlace(level.data(), levelWidth, levelHeight, scratch);
    glTexSubImage2D(GL_TEXTURE_2D, index, 0, 0, levelWidth, levelHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                    level.data());
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

}  // namespace

SlideTexture::SlideTexture(const char* path, bool mipmaps, bool thumbnail)
    : fileName(path ? path : "") {
  RasterImage image(ImageFormatUnknown);
  kind = Picture;
  video = nullptr;
  // No name at all (a page or picture object without "filename", a slide
  // with nothing to make its thumbnail from) is a picture that failed.
  bool failed = fileName.empty();
  const std::string openName = findFileIgnoringCase(fileName);

  // The first letter of a three-letter extension decides.
  if (fileName.size() >= 3) {
    const char letter = fileName[fileName.size() - 3];
    if (letter == 'j' || letter == 'J') {
      if (!image.load(openName, ImageFormatJpeg)) failed = true;
      // A photograph stands as its camera saw it, before anything is sized.
      if (!failed && viewer.autoRotate) applyOrientation(image, image.exifInfo.orientation);
    }
    if (letter == 'p' || letter == 'P') {
      if (!image.load(openName, ImageFormatPng)) failed = true;
    }
    if (letter == 'a' || letter == 'A') {
      video = new TavoAvi(openName, 0);
      kind = Video;
      mipmaps = false;
    }
  }

  if (kind == Video) {
    width = video->frameWidth;
    height = video->frameHeight;
  } else {
    width = image.width();
    height = image.height();
  }

  if (kind == Picture && thumbnail && (width > thumbnailSide || height > thumbnailSide)) {
    shrinkToSide(width, height, thumbnailSide);
    if (!image.resample(width, height, 1)) width = image.width(), height = image.height();
  }

  hasAlpha = 0;
  textureWidth = textureHeight = smallestTextureSide;
  if (!failed) {
    textureWidth = textureSideFor(width);
    textureHeight = textureSideFor(height);
    if (kind == Picture && image.hasAlphaPlane()) hasAlpha = 1;
  }
  const GLenum format = hasAlpha ? GL_RGBA : GL_RGB;

  // A picture too large for GL is shown smaller rather than not at all.
  if (kind == Picture && !failed && !textureFits(format, textureWidth, textureHeight)) {
    const int originalWidth = width, originalHeight = height;
    int side = std::max(textureWidth, textureHeight) / 2;
    while (side > smallestTextureSide && !textureFits(format, textureSideFor(std::min(width, side)),
                                                      textureSideFor(std::min(height, side))))
      side /= 2;
    if (width > side || height > side) {
      shrinkToSide(width, height, side);
      if (!image.resample(width, height, 1)) width = image.width(), height = image.height();
    }
    textureWidth = textureSideFor(width);
    textureHeight = textureSideFor(height);
    std::fprintf(stderr,
                 "%s: %d x %d pixels make a texture larger than GL takes; shown at %d x %d\n",
                 fileName.c_str(), originalWidth, originalHeight, width, height);
  }

  uExtent = float(width) / float(textureWidth);
  vExtent = float(height) / float(textureHeight);

  glGenTextures(1, &textureId);
  bind();
  if (mipmaps) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  } else {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  }
  const int rowBytes = textureWidth * texelBytes;
  if (kind == Video) {
    // Black until the clip shows its first frame.
    uploadTexture(format, textureWidth, textureHeight, false,
                  [&](int, uint8_t* row) { std::memset(row, 0, size_t(rowBytes)); });
  } else if (failed) {
    uploadTexture(format, textureWidth, textureHeight, mipmaps,
                  [&](int y, uint8_t* row) { failurePatternRow(y, row, textureWidth); });
  } else {
    PictureRows rows(image, hasAlpha != 0, textureWidth, textureHeight);
    uploadTexture(format, textureWidth, textureHeight, mipmaps,
                  [&](int y, uint8_t* row) { rows.row(y, row); });
  }
}

SlideTexture::~SlideTexture() {
  glDeleteTextures(1, &textureId);
  delete video;
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
