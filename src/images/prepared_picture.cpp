#include "images/prepared_picture.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/state/viewer_state.h"
#include "images/image_stream.h"
#include "images/jpeg_decoder.h"
#include "images/picture_orientation.h"
#include "images/raster_image.h"
#include "platform/file_case.h"

namespace {

constexpr int thumbnailSide = 256;
constexpr int smallestTextureSide = 64;
constexpr int texelBytes = 4;

// Scales width x height so that the larger side becomes side, truncating
// each product toward zero (a 322-pixel side becomes 255); a side never
// shrinks to nothing.
void shrinkToSide(int& width, int& height, int side) {
  double scale = double(side) / std::max(width, height);
  width = std::max(1, int(width * scale));
  height = std::max(1, int(height * scale));
}

void shrinkToThumbnail(int& width, int& height) {
  if (width > thumbnailSide || height > thumbnailSide) shrinkToSide(width, height, thumbnailSide);
}

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

// The next mipmap level as GLU's gluBuild2DMipmaps makes it: each texel the
// rounded mean of a 2 x 2 block, or once one side is down to 1, the
// truncated mean of a pair along the other.
// Two rows of a level into one of the next, as GLU's gluBuild2DMipmaps
// makes it: each texel the rounded mean of a 2 x 2 block.
void halveRowPair(const uint8_t* __restrict a, const uint8_t* __restrict b, int width,
                  uint8_t* __restrict out) {
  for (int x = 0; x + 1 < width; x += 2, a += 2 * texelBytes, b += 2 * texelBytes)
    for (int c = 0; c < texelBytes; ++c)
      *out++ = uint8_t((a[c] + a[c + texelBytes] + b[c] + b[c + texelBytes] + 2) >> 2);
}

// The next mipmap level; once one side is down to 1, each texel is the
// truncated mean of a pair along the other.
TexelBuffer halveLevel(const TexelBuffer& source, int width, int height) {
  TexelBuffer target(size_t(std::max(1, width / 2)) * std::max(1, height / 2) * texelBytes);
  if (width > 1 && height > 1) {
    const size_t sourceRow = size_t(width) * texelBytes, targetRow = sourceRow / 2;
    for (int y = 0; y + 1 < height; y += 2)
      halveRowPair(&source[size_t(y) * sourceRow], &source[size_t(y + 1) * sourceRow], width,
                   &target[size_t(y / 2) * targetRow]);
  } else {
    // A single row or column: the pairs lie next to each other either way.
    const int pairs = std::max(width, height) / 2;
    for (int i = 0; i < pairs; ++i)
      for (int c = 0; c < texelBytes; ++c)
        target[i * texelBytes + c] =
            uint8_t((source[2 * i * texelBytes + c] + source[(2 * i + 1) * texelBytes + c]) >> 1);
  }
  return target;
}

// Level 0 row by row, and level 1 from each pair of rows while they are
// still in the cache; the smaller levels from level 1.
template <class RowOf>
void buildLevels(PreparedPicture& picture, const RowOf& rowOf) {
  const int width = picture.textureWidth, height = picture.textureHeight;
  const size_t rowSize = size_t(width) * texelBytes;
  const int levels = picture.mipmaps ? mipmapLevelCount(width, height) : 1;
  TexelBuffer base(rowSize * size_t(height));
  TexelBuffer second(levels > 1 ? rowSize / 2 * size_t(height / 2) : 0);
  for (int y = 0; y < height; y += 2) {
    uint8_t* rows = &base[size_t(y) * rowSize];
    rowOf(y, rows);
    rowOf(y + 1, rows + rowSize);  // heights are powers of two from 64
    if (levels > 1) halveRowPair(rows, rows + rowSize, width, &second[size_t(y / 2) * rowSize / 2]);
  }
  picture.levels.push_back(std::move(base));
  if (levels == 1) return;
  picture.levels.push_back(std::move(second));
  for (int level = 2, w = width / 2, h = height / 2; level < levels; ++level) {
    picture.levels.push_back(halveLevel(picture.levels.back(), w, h));
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
  }
}

// A thumbnail's JPEG, decoded no larger than the thumbnail needs; sets the
// picture's own size. Falls back to the whole decode (and its fallbacks).
bool loadThumbnailJpeg(RasterImage& image, const std::string& path, int& width, int& height) {
  {
    FileImageStream stream(path);
    if (stream.isOpen() &&
        decodeJpegReduced(stream, image, image.escape, shrinkToThumbnail, width, height))
      return true;
  }
  // A whole decode replaces whatever the failed one left.
  if (!image.load(path, ImageFormatJpeg)) return false;
  width = image.width(), height = image.height();
  return true;
}

}  // namespace

constexpr size_t hugePage = size_t(2) << 20;

template <>
void* TexelAllocator<uint8_t>::allocateTexels(size_t bytes) {
  if (bytes < 2 * hugePage) return ::operator new(bytes);
  const size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
  void* memory = std::aligned_alloc(hugePage, rounded);
  if (!memory) throw std::bad_alloc();
  madvise(memory, rounded, MADV_HUGEPAGE);
  return memory;
}

template <>
void TexelAllocator<uint8_t>::freeTexels(void* memory, size_t bytes) {
  if (bytes < 2 * hugePage)
    ::operator delete(memory);
  else
    std::free(memory);
}

int textureSideFor(int size) {
  int side = smallestTextureSide;
  while (side < size && side < (1 << 30)) side *= 2;
  return side;
}

int mipmapLevelCount(int width, int height) {
  int levels = 1;
  for (int side = std::max(width, height); side > 1; side /= 2) ++levels;
  return levels;
}

PreparedPicture preparePicture(const std::string& path, bool mipmaps, bool thumbnail,
                               const TextureFits& fits) {
  PreparedPicture picture;
  picture.fileName = path;
  picture.mipmaps = mipmaps;
  picture.thumbnail = thumbnail;
  RasterImage image(ImageFormatUnknown);
  // No name at all (a page or picture object without "filename", a slide
  // with nothing to make its thumbnail from) is a picture that failed.
  bool failed = path.empty();
  int width = 0, height = 0;
  bool sized = false;

  const std::string openName = findFileIgnoringCase(path);

  // The first letter of a three-letter extension decides.
  if (path.size() >= 3) {
    const char letter = path[path.size() - 3];
    if (letter == 'j' || letter == 'J') {
      if (thumbnail)
        failed = !(sized = loadThumbnailJpeg(image, openName, width, height));
      else if (!image.load(openName, ImageFormatJpeg))
        failed = true;
      // A photograph stands as its camera saw it, before anything is sized.
      const int orientation = image.exifInfo.orientation;
      if (!failed && viewer.autoRotate && applyOrientation(image, orientation) && sized &&
          orientation >= 5 && orientation <= 8)
        std::swap(width, height);
    }
    if (letter == 'p' || letter == 'P') {
      if (!image.load(openName, ImageFormatPng)) failed = true;
    }
    if (letter == 'a' || letter == 'A') {
      picture.isVideo = true;
      picture.mipmaps = false;
      return picture;
    }
  }
  if (!sized) width = image.width(), height = image.height();

  if (thumbnail && (width > thumbnailSide || height > thumbnailSide)) {
    shrinkToSide(width, height, thumbnailSide);
    if (!image.resample(width, height, 1)) width = image.width(), height = image.height();
  }

  picture.textureWidth = picture.textureHeight = smallestTextureSide;
  if (!failed) {
    picture.textureWidth = textureSideFor(width);
    picture.textureHeight = textureSideFor(height);
    picture.hasAlpha = image.hasAlphaPlane();
  }

  // A picture too large for GL is shown smaller rather than not at all.
  if (!failed && !fits(picture.hasAlpha, picture.textureWidth, picture.textureHeight)) {
    const int originalWidth = width, originalHeight = height;
    int side = std::max(picture.textureWidth, picture.textureHeight) / 2;
    while (side > smallestTextureSide &&
           !fits(picture.hasAlpha, textureSideFor(std::min(width, side)),
                 textureSideFor(std::min(height, side))))
      side /= 2;
    if (width > side || height > side) {
      shrinkToSide(width, height, side);
      if (!image.resample(width, height, 1)) width = image.width(), height = image.height();
    }
    picture.textureWidth = textureSideFor(width);
    picture.textureHeight = textureSideFor(height);
    char message[160];
    std::snprintf(message, sizeof message,
                  ": %d x %d pixels make a texture larger than GL takes; shown at %d x %d\n",
                  originalWidth, originalHeight, width, height);
    picture.shrinkMessage = path + message;
  }

  picture.failed = failed;
  if (!failed) picture.width = width, picture.height = height;
  if (failed) {
    buildLevels(picture,
                [&](int y, uint8_t* row) { failurePatternRow(y, row, picture.textureWidth); });
  } else {
    PictureRows rows(image, picture.hasAlpha, picture.textureWidth, picture.textureHeight);
    buildLevels(picture, [&](int y, uint8_t* row) { rows.row(y, row); });
  }
  return picture;
}
