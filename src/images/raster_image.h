#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "images/codec/picture_caps.h"
#include "images/exif_info.h"

class ImageStream;

enum ImageFormat { ImageFormatUnknown = 0, ImageFormatJpeg = 1, ImageFormatPng = 2 };

// One colour as the image stores it.
struct RgbQuad {
  uint8_t blue = 0, green = 0, red = 0, alpha = 0;
};

// A decoded picture: a bottom-up bitmap (row 0 is the picture's bottom row,
// rows padded to 4 bytes) of 1, 4 or 8 bits per pixel with a palette, or of
// 24 bits per pixel in blue, green, red order, with an optional alpha plane.
//
// Pictures are capped at maxSide pixels a side and maxPixels pixels in all:
// a larger one fails to decode with a message in lastError instead of
// allocating absurd amounts.
class RasterImage {
 public:
  static constexpr int maxSide = maxPictureSide;
  static constexpr int64_t maxPixels = maxPicturePixels;

  explicit RasterImage(int format = ImageFormatUnknown);

  // Decodes a file. format 1 or 2 tries that decoder first; when it fails
  // (or for format 0) every decoder is tried, and the first attempt's error
  // is the one kept in lastError.
  bool load(const std::string& path, int format);
  // Decodes from a stream; on failure the image keeps its content.
  bool decode(ImageStream& stream, int format);

  int width() const { return imageWidth; }
  int height() const { return imageHeight; }
  bool hasAlphaPlane() const { return !alphaPlane.empty(); }

  // Colour of pixel (x, y), y counted from the bottom; outside the picture
  // the colour of pixel (0, 0) (or the background, see the fields).
  RgbQuad pixelColor(int x, int y) const;
  // Palette index of pixel (x, y) inside a picture of 1, 4 or 8 bits.
  int paletteIndex(int x, int y) const;
  // Alpha of pixel (x, y); 0 outside the picture or without an alpha plane.
  uint8_t alphaAt(int x, int y) const;

  // Nearest-pixel resampling (mode 1, the only one there is) in place, or
  // into destination when one is given, leaving this image as it is.
  bool resample(int newWidth, int newHeight, int mode = 1, RasterImage* destination = nullptr);

  // Makes empty pixels (and palette / alpha plane storage) for a picture of
  // that size; false with lastError for a size beyond the caps or
  // pixelLimit. The content is zero.
  bool allocate(int width, int height, int bitsPerPixel, bool withAlphaPlane);
  // Whether a picture of that size may be decoded; false with lastError.
  bool checkSize(int width, int height);

  // Bytes of one pixel row (padded to 4).
  int rowBytes() const { return ((imageWidth * bitsPerPixel + 31) / 32) * 4; }
  const uint8_t* row(int y) const { return pixels.data() + size_t(y) * rowBytes(); }
  uint8_t* row(int y) { return pixels.data() + size_t(y) * rowBytes(); }

  int format;
  int imageWidth = 0, imageHeight = 0;
  uint16_t bitsPerPixel = 24;
  std::vector<RgbQuad> palette;     // 2, 16 or 256 entries for 1, 4, 8 bits
  std::vector<uint8_t> pixels;      // height rows of rowBytes()
  std::vector<uint8_t> alphaPlane;  // width x height, unpadded, or empty
  RgbQuad backgroundColor;
  int backgroundIndex = -1;
  int horizontalResolution = 96, verticalResolution = 96;  // dots per inch
  int jpegQuality = 75;
  volatile int progress = 0;  // 0..100 during long operations
  volatile int escape = 0;    // set by another party to abandon them
  std::string lastError;
  ExifInfo exifInfo;
  // Pictures of more pixels than this fail to decode; below maxPixels only
  // to keep fuzzing fast.
  int64_t pixelLimit = maxPixels;
};
