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

// A picture of the depth whose bytes and alpha values all differ, with a
// palette of distinct entries.
RasterImage patternImage(int width, int height, int bits) {
  RasterImage image(ImageFormatPng);
  EXPECT_TRUE(image.allocate(width, height, bits, bits == 24));
  for (size_t i = 0; i < image.palette.size(); ++i)
    image.palette[i] = RgbQuad{uint8_t(i * 7), uint8_t(255 - i), uint8_t(i), 9};
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = uint8_t(i * 37 + 11);
  for (size_t i = 0; i < image.alphaPlane.size(); ++i) image.alphaPlane[i] = uint8_t(100 + i);
  return image;
}

TEST(RasterImage, PixelQueriesOutsideThePicture) {
  RasterImage image = patternImage(4, 4, 24);
  image.pixels[0] = 77;  // blue of pixel (0, 0), the colour outside
  RgbQuad corner = image.pixelColor(-1, 0);
  EXPECT_EQ(std::tuple(corner.blue, corner.alpha, image.pixelColor(4, 2).blue),
            std::tuple(77, 100, 77));
  EXPECT_EQ(std::tuple(image.alphaAt(3, 1), image.alphaAt(-1, 0), image.alphaAt(0, 4)),
            std::tuple(107, 0, 0));

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

// Shrinking or enlarging, at every depth, pixel (x, y) is source pixel
// (x * width / newWidth, y * height / newHeight), colour and alpha.
TEST(RasterImage, NearestResamplingTakesTruncatedSourcePixels) {
  for (int bits : {1, 4, 8, 24})
    for (const auto& [width, height] : {std::pair(3, 2), {2, 1}, {13, 9}}) {
      SCOPED_TRACE(testing::Message() << bits << " bits to " << width << " x " << height);
      const RasterImage source = patternImage(6, 4, bits);
      RasterImage image = patternImage(6, 4, bits);
      ASSERT_TRUE(image.resample(width, height));
      EXPECT_EQ(std::tuple(image.width(), image.height(), image.format, int(image.bitsPerPixel),
                           image.hasAlphaPlane()),
                std::tuple(width, height, int(ImageFormatPng), bits, bits == 24));
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const int fromX = x * 6 / width, fromY = y * 4 / height;
          RgbQuad got = image.pixelColor(x, y), want = source.pixelColor(fromX, fromY);
          EXPECT_EQ(std::tuple(got.red, got.green, got.blue, image.alphaAt(x, y)),
                    std::tuple(want.red, want.green, want.blue, source.alphaAt(fromX, fromY)))
              << x << ", " << y;
        }
    }
  RasterImage image = patternImage(4, 4, 24);
  EXPECT_FALSE(image.resample(0, 4));
  EXPECT_EQ(image.width(), 4);
}

}  // namespace
