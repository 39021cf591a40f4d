#include "images/raster_image.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "images/image_stream.h"
#include "images/jpeg_decoder.h"
#include "images/png_decoder.h"

namespace {

const char* const unknownFormat = "Decode: Unknown or wrong format";

// Moves the decoded picture of from into to; the controls (progress,
// escape, lastError, pixelLimit) stay with each image.
void takePicture(RasterImage& to, RasterImage& from) {
  to.format = from.format;
  to.imageWidth = from.imageWidth;
  to.imageHeight = from.imageHeight;
  to.bitsPerPixel = from.bitsPerPixel;
  to.palette = std::move(from.palette);
  to.pixels = std::move(from.pixels);
  to.alphaPlane = std::move(from.alphaPlane);
  to.backgroundColor = from.backgroundColor;
  to.backgroundIndex = from.backgroundIndex;
  to.horizontalResolution = from.horizontalResolution;
  to.verticalResolution = from.verticalResolution;
  to.jpegQuality = from.jpegQuality;
  to.exifInfo = from.exifInfo;
}

// Copies pixel sx of a source row to pixel x of a target row.
inline void copyPixel(const uint8_t* source, int sx, uint8_t* target, int x, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 24:
      target[3 * x] = source[3 * sx];
      target[3 * x + 1] = source[3 * sx + 1];
      target[3 * x + 2] = source[3 * sx + 2];
      break;
    case 8:
      target[x] = source[sx];
      break;
    case 4: {
      int index = (source[sx >> 1] >> ((sx & 1) ? 0 : 4)) & 0x0F;
      int shift = (x & 1) ? 0 : 4;
      target[x >> 1] = uint8_t((target[x >> 1] & ~(0x0F << shift)) | index << shift);
      break;
    }
    case 1: {
      int bit = (source[sx >> 3] >> (7 - (sx & 7))) & 1;
      int mask = 0x80 >> (x & 7);
      target[x >> 3] = uint8_t(bit ? target[x >> 3] | mask : target[x >> 3] & ~mask);
      break;
    }
  }
}

}  // namespace

RasterImage::RasterImage(int format) : format(format), exifInfo{} {}

bool RasterImage::checkSize(int width, int height) {
  char text[160];
  if (pictureSizeAllowed(width, height, pixelLimit, text, sizeof text)) return true;
  lastError = text;
  return false;
}

bool RasterImage::allocate(int width, int height, int bits, bool withAlphaPlane) {
  if (!checkSize(width, height)) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    lastError = "Unsupported bits per pixel";
    return false;
  }
  int64_t rowSize = ((int64_t(width) * bits + 31) / 32) * 4;
  try {
    pixels.assign(size_t(rowSize * height), 0);
    alphaPlane.assign(withAlphaPlane ? size_t(width) * size_t(height) : 0, 0);
    palette.assign(bits <= 8 ? size_t(1) << bits : 0, RgbQuad{});
  } catch (const std::bad_alloc&) {
    pixels.clear();
    alphaPlane.clear();
    lastError = "Could not allocate memory for the picture";
    return false;
  }
  imageWidth = width;
  imageHeight = height;
  bitsPerPixel = uint16_t(bits);
  return true;
}

bool RasterImage::load(const std::string& path, int requestedFormat) {
  if (requestedFormat == ImageFormatJpeg || requestedFormat == ImageFormatPng) {
    FileImageStream stream(path);
    if (!stream.isOpen()) {
      lastError = "Cannot open " + path;
      return false;
    }
    if (decode(stream, requestedFormat)) return true;
  }
  std::string firstError = lastError;
  FileImageStream stream(path);
  if (!stream.isOpen()) {
    lastError = "Cannot open " + path;
    return false;
  }
  bool decoded = decode(stream, ImageFormatUnknown);
  if (!decoded && requestedFormat != ImageFormatUnknown) lastError = firstError;
  return decoded;
}

bool RasterImage::decode(ImageStream& stream, int requestedFormat) {
  auto decodeAs = [&](int decoderFormat) {
    RasterImage picture(decoderFormat);
    picture.pixelLimit = pixelLimit;
    bool decoded = decoderFormat == ImageFormatJpeg ? decodeJpeg(stream, picture, escape)
                                                    : decodePng(stream, picture, escape);
    if (decoded)
      takePicture(*this, picture);
    else
      lastError = picture.lastError;
    return decoded;
  };

  switch (requestedFormat) {
    case ImageFormatJpeg:
    case ImageFormatPng:
      return decodeAs(requestedFormat);
    case ImageFormatUnknown: {
      long start = stream.tell();
      if (decodeAs(ImageFormatJpeg)) return true;
      stream.seek(start, SEEK_SET);
      if (decodeAs(ImageFormatPng)) return true;
      stream.seek(start, SEEK_SET);
      lastError = unknownFormat;
      return false;
    }
    default:
      lastError = unknownFormat;
      return false;
  }
}

RgbQuad RasterImage::pixelColor(int x, int y) const {
  bool inside = x >= 0 && y >= 0 && x < imageWidth && y < imageHeight && !pixels.empty();
  if (!inside) {
    if (backgroundIndex == -1) return pixels.empty() ? backgroundColor : pixelColor(0, 0);
    if (bitsPerPixel <= 8 && size_t(backgroundIndex) < palette.size())
      return palette[size_t(backgroundIndex)];
    return backgroundColor;
  }
  const uint8_t* pixelRow = row(y);
  RgbQuad color;
  if (bitsPerPixel == 24) {
    color.blue = pixelRow[3 * x];
    color.green = pixelRow[3 * x + 1];
    color.red = pixelRow[3 * x + 2];
    color.alpha = backgroundColor.alpha;
  } else {
    const int index = paletteIndex(x, y);
    if (size_t(index) < palette.size()) color = palette[size_t(index)];
  }
  if (!alphaPlane.empty()) color.alpha = alphaPlane[size_t(y) * size_t(imageWidth) + size_t(x)];
  return color;
}

int RasterImage::paletteIndex(int x, int y) const {
  const uint8_t* pixelRow = row(y);
  if (bitsPerPixel == 8) return pixelRow[x];
  if (bitsPerPixel == 4) return (pixelRow[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
  return (pixelRow[x >> 3] >> (7 - (x & 7))) & 1;
}

uint8_t RasterImage::alphaAt(int x, int y) const {
  if (alphaPlane.empty() || x < 0 || y < 0 || x >= imageWidth || y >= imageHeight) return 0;
  return alphaPlane[size_t(y) * size_t(imageWidth) + size_t(x)];
}

bool RasterImage::resample(int newWidth, int newHeight, int mode, RasterImage* destination) {
  if (newWidth <= 0 || newHeight <= 0) return false;
  if (mode != 1) {
    lastError = "Resample: only nearest-pixel resampling is available";
    return false;
  }
  if (newWidth == imageWidth && newHeight == imageHeight && !destination) return true;
  if (pixels.empty()) {
    lastError = "Resample: the image has no pixels";
    return false;
  }
  float xScale = float(double(imageWidth) / newWidth);
  float yScale = float(double(imageHeight) / newHeight);

  RasterImage target(format);
  target.pixelLimit = pixelLimit;
  if (!target.allocate(newWidth, newHeight, bitsPerPixel, hasAlphaPlane())) {
    lastError = target.lastError;
    return false;
  }
  target.palette = palette;
  target.backgroundColor = backgroundColor;
  target.backgroundIndex = backgroundIndex;
  target.horizontalResolution = horizontalResolution;
  target.verticalResolution = verticalResolution;
  target.jpegQuality = jpegQuality;
  target.exifInfo = exifInfo;

  // Source column of every target column, truncated toward zero.
  std::vector<int> sourceColumn(static_cast<size_t>(newWidth));
  for (int x = 0; x < newWidth; ++x)
    sourceColumn[size_t(x)] = std::min(int(float(x) * xScale), imageWidth - 1);

  bool withAlpha = hasAlphaPlane();
  for (int y = 0; y < newHeight; ++y) {
    progress = int(int64_t(100) * y / newHeight);
    if (escape) break;
    int sy = std::min(int(float(y) * yScale), imageHeight - 1);
    const uint8_t* sourceRow = row(sy);
    uint8_t* targetRow = target.row(y);
    for (int x = 0; x < newWidth; ++x)
      copyPixel(sourceRow, sourceColumn[size_t(x)], targetRow, x, bitsPerPixel);
    if (withAlpha) {
      const uint8_t* sourceAlpha = &alphaPlane[size_t(sy) * size_t(imageWidth)];
      uint8_t* targetAlpha = &target.alphaPlane[size_t(y) * size_t(newWidth)];
      for (int x = 0; x < newWidth; ++x) targetAlpha[x] = sourceAlpha[sourceColumn[size_t(x)]];
    }
  }
  takePicture(destination ? *destination : *this, target);
  return true;
}
