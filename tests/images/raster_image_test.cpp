// RasterImage over real files: JPEG decoding in its colour spaces, loading
// by format with the fallback, the pixel queries, resampling, the caps.
#include "images/raster_image.h"

#include <gtest/gtest.h>

#include <tuple>

#include "encoders.h"
#include "images/image_stream.h"
#include "support/test_files.h"

using encoders::decodeBytes;
using encoders::JpegColors;
using encoders::JpegSpec;
using encoders::Quadrants;
using encoders::quadrantSpec;
using encoders::redGreenBlueWhite;

namespace {

std::vector<uint8_t> quadrantJpeg(int width, int height) {
  return encoders::encodeJpeg(quadrantSpec(width, height));
}

TEST(RasterImage, DecodesJpegsOfEveryColourSpaceBottomUp) {
  // Quadrants as the file holds them and the colours they stand for; CMYK
  // red = c k / 255, green = m k / 255, blue = y k / 255.
  const struct {
    JpegColors colors;
    bool progressive;
    Quadrants file, rgb;
  } cases[] = {
      {JpegColors::Rgb, false, redGreenBlueWhite, redGreenBlueWhite},
      {JpegColors::Rgb, true, redGreenBlueWhite, redGreenBlueWhite},
      {JpegColors::Grey,
       false,
       {{40}, {200}, {0}, {255}},
       {{40, 40, 40}, {200, 200, 200}, {0, 0, 0}, {255, 255, 255}}},
      {JpegColors::Cmyk,
       false,
       {{200, 100, 50, 128}, {255, 255, 255, 255}, {255, 0, 0, 255}, {0, 0, 0, 255}},
       {{100, 50, 25}, {255, 255, 255}, {255, 0, 0}, {0, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.colors) * 10 + c.progressive);
    JpegSpec spec = quadrantSpec(13, 11, c.colors, c.file);
    spec.progressive = c.progressive;
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, encoders::encodeJpeg(spec), ImageFormatJpeg)) << image.lastError;
    bool grey = c.colors == JpegColors::Grey;  // 8 bits a pixel with a grey palette
    // Format, size, bits a pixel, row bytes (padded to four), alpha plane.
    EXPECT_EQ(std::tuple(image.format, image.width(), image.height(), image.bitsPerPixel,
                         image.rowBytes(), image.pixels.size(), image.hasAlphaPlane()),
              std::tuple(ImageFormatJpeg, 13, 11, grey ? 8 : 24, grey ? 16 : 40,
                         size_t(grey ? 16 : 40) * 11, false));
    // Row 0 is the bottom of the picture.
    const int at[4][2] = {{3, 8}, {10, 8}, {3, 2}, {10, 2}};
    for (size_t q = 0; q < 4; ++q) {
      RgbQuad got = image.pixelColor(at[q][0], at[q][1]);
      const int rgb[3] = {got.red, got.green, got.blue};
      for (size_t channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(rgb[channel], c.rgb[q][channel], 3) << "quadrant " << q;
      }
    }
  }
}

TEST(RasterImage, LoadTriesTheFormatAskedForThenAnyAndKeepsTheFirstError) {
  testfiles::TempDir dir;
  encoders::writeFile(dir.file("jpeg.png"), quadrantJpeg(8, 8));
  ASSERT_TRUE(
      testfiles::writePng(dir.file("png.jpg"), testfiles::solidPicture(3, 2, 10, 20, 30), false));
  testfiles::writeText(dir.file("junk.jpg"), "this is not a picture at all");
  const struct {
    const char* name;
    int asked, format;  // format 0: fails
    const char* error;
  } cases[] = {
      {"jpeg.png", ImageFormatPng, ImageFormatJpeg, ""},
      {"png.jpg", ImageFormatJpeg, ImageFormatPng, ""},
      {"junk.jpg", ImageFormatJpeg, 0, "Not a JPEG file"},
      {"junk.jpg", ImageFormatUnknown, 0, "Decode: Unknown or wrong format"},
      {"absent.png", ImageFormatPng, 0, "Cannot open"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " asked as " + std::to_string(c.asked));
    RasterImage image;
    EXPECT_EQ(image.load(dir.file(c.name), c.asked), c.format != 0) << image.lastError;
    EXPECT_EQ(image.format, c.format ? c.format : ImageFormatUnknown);
    EXPECT_EQ(image.width(), c.format == ImageFormatPng ? 3 : c.format ? 8 : 0);
    EXPECT_NE(image.lastError.find(c.error), std::string::npos) << image.lastError;
  }
}

// Decoding takes only the format asked for; a failed or abandoned decoding
// keeps the picture there was, and resampling stops on escape.
TEST(RasterImage, FailedDecodingKeepsTheContent) {
  const std::vector<uint8_t> jpeg = quadrantJpeg(16, 16), png = encoders::encodePng({});
  const std::string junk = "\xFF\xD8\xFF\xC0 broken";
  const struct {
    std::vector<uint8_t> bytes;
    int format, escape;
    const char* error;
  } cases[] = {
      {jpeg, 7, 0, "Decode: Unknown or wrong format"},
      {jpeg, ImageFormatPng, 0, "Not a PNG file"},
      {{junk.begin(), junk.end()}, ImageFormatUnknown, 0, "Decode: Unknown or wrong format"},
      {jpeg, ImageFormatJpeg, 1, "Decoding abandoned"},
      {png, ImageFormatPng, 1, "Decoding abandoned"},
  };
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, jpeg, ImageFormatUnknown));
  const std::vector<uint8_t> pixels = image.pixels;
  for (const auto& c : cases) {
    image.escape = c.escape;
    EXPECT_FALSE(decodeBytes(image, c.bytes, c.format)) << c.error;
    EXPECT_NE(image.lastError.find(c.error), std::string::npos) << image.lastError;
    EXPECT_EQ(std::tuple(image.width(), image.format, image.pixels == pixels),
              std::tuple(16, ImageFormatJpeg, true));
  }
  image.escape = 1;
  EXPECT_TRUE(image.resample(2, 2));  // stopped, not failed
  EXPECT_EQ(image.width(), 2);
}

// 2^28 pixels and 16384 a side at most, or a lower pixelLimit.
TEST(RasterImage, RefusesPicturesBeyondTheCaps) {
  RasterImage image;
  image.pixelLimit = 100;
  EXPECT_FALSE(decodeBytes(image, quadrantJpeg(11, 10), ImageFormatJpeg));
  EXPECT_NE(image.lastError.find("Picture too large: 11 x 10"), std::string::npos);
  EXPECT_TRUE(decodeBytes(image, quadrantJpeg(10, 10), ImageFormatJpeg));
  const int sizes[][3] = {{16384, 16384, 1}, {16385, 1, 0}, {1, 16385, 0}, {0, 5, 0}};
  for (const auto& [width, height, allowed] : sizes) {
    EXPECT_EQ(RasterImage().checkSize(width, height), allowed != 0) << width << " x " << height;
  }
}

// A 4 x 4 picture whose pixel (x, y) (y from the bottom) has red 10x, green
// 10y and alpha 100 + 10x + y.
RasterImage gridImage(bool withAlpha) {
  RasterImage image(ImageFormatPng);
  EXPECT_TRUE(image.allocate(4, 4, 24, withAlpha));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      image.row(y)[3 * x + 1] = uint8_t(10 * y);
      image.row(y)[3 * x + 2] = uint8_t(10 * x);
      if (withAlpha) image.alphaPlane[size_t(y * 4 + x)] = uint8_t(100 + 10 * x + y);
    }
  return image;
}

TEST(RasterImage, PixelQueriesOutsideThePicture) {
  RasterImage image = gridImage(true);
  image.pixels[0] = 77;  // blue of pixel (0, 0)
  RgbQuad corner = image.pixelColor(-1, 0);
  EXPECT_EQ(std::tuple(corner.blue, corner.alpha, image.pixelColor(4, 2).blue),
            std::tuple(77, 100, 77));
  EXPECT_EQ(std::tuple(image.alphaAt(3, 1), image.alphaAt(-1, 0), image.alphaAt(0, 4)),
            std::tuple(131, 0, 0));

  // With a background index a 24-bit picture answers its background colour.
  image.backgroundIndex = 0;
  image.backgroundColor = RgbQuad{1, 2, 3, 4};
  EXPECT_EQ(image.pixelColor(9, 9).red, 3);

  // An indexed picture answers the palette entry of the background index.
  RasterImage indexed;
  ASSERT_TRUE(indexed.allocate(3, 3, 8, false));
  indexed.palette[5] = RgbQuad{50, 60, 70, 80};
  indexed.backgroundIndex = 5;
  EXPECT_EQ(std::tuple(indexed.pixelColor(-5, 1).green, indexed.pixelColor(1, 1).green),
            std::tuple(60, 0));

  // An empty image answers zeros and cannot be resampled.
  RasterImage empty;
  RgbQuad nothing = empty.pixelColor(3, 3);
  EXPECT_EQ(nothing.red + nothing.green + nothing.blue + nothing.alpha + empty.alphaAt(0, 0), 0);
  EXPECT_FALSE(empty.resample(2, 2));
}

TEST(RasterImage, NearestResamplingTakesTruncatedSourcePixels) {
  RasterImage image = gridImage(true);
  ASSERT_TRUE(image.resample(2, 2));
  EXPECT_EQ(std::tuple(image.width(), image.height(), image.format), std::tuple(2, 2, 2));
  // Source pixels (0,0), (2,0), (0,2), (2,2).
  const int want[4][3] = {{0, 0, 100}, {20, 0, 120}, {0, 20, 102}, {20, 20, 122}};
  for (int i = 0; i < 4; ++i) {
    RgbQuad got = image.pixelColor(i % 2, i / 2);
    EXPECT_EQ(std::tuple(got.red, got.green, image.alphaAt(i % 2, i / 2)),
              std::tuple(want[i][0], want[i][1], want[i][2]));
  }

  // Enlarging repeats pixels.
  RasterImage larger = gridImage(false);
  ASSERT_TRUE(larger.resample(8, 6));
  EXPECT_EQ(std::tuple(larger.pixelColor(7, 5).red, larger.pixelColor(7, 5).green,
                       larger.pixelColor(1, 1).red, larger.hasAlphaPlane()),
            std::tuple(30, 30, 0, false));
  EXPECT_FALSE(larger.resample(0, 4));
  EXPECT_EQ(larger.width(), 8);
}

TEST(RasterImage, ResamplesIndexedPixels) {
  for (int bits : {1, 4, 8}) {
    RasterImage image;
    ASSERT_TRUE(image.allocate(6, 2, bits, false));
    int top = (1 << bits) - 1;
    image.palette.back() = RgbQuad{9, 9, 9, 9};
    // Pixels 0, 2, 4 of the bottom row take the last palette entry.
    for (int x = 0; x < 6; x += 2) {
      if (bits == 8) image.row(0)[x] = uint8_t(top);
      if (bits == 4) image.row(0)[x / 2] |= uint8_t(top << 4);
      if (bits == 1) image.row(0)[0] |= uint8_t(0x80 >> x);
    }
    ASSERT_TRUE(image.resample(3, 1)) << bits;
    EXPECT_EQ(image.bitsPerPixel, bits);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image.pixelColor(x, 0).red, 9) << bits << " " << x;
    ASSERT_TRUE(image.resample(6, 1));
    EXPECT_EQ(image.pixelColor(1, 0).red, 9);
  }
}

}  // namespace
