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

namespace {

// Four flat quadrants, as seen in the file (top-down): top left, top right,
// bottom left, bottom right; each colour as the file's components.
using Quadrants = std::vector<std::vector<int>>;
const Quadrants redGreenBlueWhite = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

std::vector<uint8_t> quadrantJpeg(int width, int height, JpegColors colors = JpegColors::Rgb,
                                  Quadrants quadrants = redGreenBlueWhite) {
  return encoders::encodeJpeg(
      {width, height, colors, [=](int x, int y, int c) {
         return quadrants[size_t((y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0))][size_t(c)];
       }});
}

TEST(RasterImage, DecodesJpegsOfEveryColourSpaceBottomUp) {
  // Quadrants as the file holds them and the colours they stand for; CMYK
  // red = c k / 255, green = m k / 255, blue = y k / 255.
  const struct {
    JpegColors colors;
    Quadrants file, rgb;
  } cases[] = {
      {JpegColors::Rgb, redGreenBlueWhite, redGreenBlueWhite},
      {JpegColors::Grey,
       {{40}, {200}, {0}, {255}},
       {{40, 40, 40}, {200, 200, 200}, {0, 0, 0}, {255, 255, 255}}},
      {JpegColors::Cmyk,
       {{200, 100, 50, 128}, {255, 255, 255, 255}, {255, 0, 0, 255}, {0, 0, 0, 255}},
       {{100, 50, 25}, {255, 255, 255}, {255, 0, 0}, {0, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.colors));
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, quadrantJpeg(13, 11, c.colors, c.file), ImageFormatJpeg))
        << image.lastError;
    bool grey = c.colors == JpegColors::Grey;  // 8 bits a pixel with a grey palette
    // Format, size, bits a pixel, row bytes (padded to four), alpha plane.
    EXPECT_EQ(std::tuple(image.format, image.width(), image.height(), image.bitsPerPixel,
                         image.rowBytes(), image.pixels.size(), image.hasAlphaPlane()),
              std::tuple(ImageFormatJpeg, 13, 11, grey ? 8 : 24, grey ? 16 : 40,
                         size_t(grey ? 16 : 40) * 11, false));
    const int at[4][2] = {{3, 8}, {10, 8}, {3, 2}, {10, 2}};  // row 0 is the bottom
    for (size_t q = 0; q < 4; ++q) {
      RgbQuad got = image.pixelColor(at[q][0], at[q][1]);
      EXPECT_NEAR(got.red, c.rgb[q][0], 3) << "quadrant " << q;
      EXPECT_NEAR(got.green, c.rgb[q][1], 3) << "quadrant " << q;
      EXPECT_NEAR(got.blue, c.rgb[q][2], 3) << "quadrant " << q;
    }
  }
}

// load() tries the format asked for, then any, and keeps the first error;
// decode() takes only the format asked for.
TEST(RasterImage, LoadFallsBackToAnyFormatAndKeepsTheFirstError) {
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
      {"junk.jpg", ImageFormatPng, 0, "Not a PNG file"},
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
  RasterImage image;
  std::vector<uint8_t> jpeg = quadrantJpeg(16, 16);
  EXPECT_FALSE(decodeBytes(image, jpeg, 7));
  EXPECT_EQ(image.lastError, "Decode: Unknown or wrong format");
  EXPECT_FALSE(decodeBytes(image, jpeg, ImageFormatPng));
  EXPECT_NE(image.lastError, "Decode: Unknown or wrong format");
}

// Failures of every kind leave the image as it was and give the reason.
TEST(RasterImage, FailedDecodingsKeepTheContentAndGiveTheReason) {
  auto noisy = [](bool progressive) {
    JpegSpec spec{64, 64, JpegColors::Rgb,
                  [](int x, int y, int c) { return (x * 7919 + y * 104729 + c * 31) % 251; }};
    spec.progressive = progressive;
    return encoders::encodeJpeg(spec);
  };
  const std::vector<uint8_t> baseline = noisy(false), progressive = noisy(true);
  auto part = [](const std::vector<uint8_t>& bytes, size_t keep) {
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(keep));
  };
  JpegSpec wide{RasterImage::maxSide + 1, 1};
  wide.quality = 50;
  const struct {
    std::vector<uint8_t> bytes;
    const char* error;  // how it starts
    int format = ImageFormatJpeg, escape = 0, pixelLimit = RasterImage::maxPixels;
  } cases[] = {
      {part(baseline, baseline.size() / 2), "Premature end of JPEG file"},
      {part(progressive, progressive.size() * 2 / 3), "Premature end of JPEG file"},
      {part(baseline, 200), ""},
      {part(progressive, 2), ""},
      {{0xFF, 0xD8, 0xFF, 0xC0, 0}, "", ImageFormatUnknown},
      {encoders::encodeJpeg(wide), "Picture too large: 16385 x 1 pixels"},
      {quadrantJpeg(11, 10), "Picture too large", ImageFormatJpeg, 0, 100},
      {baseline, "Decoding abandoned", ImageFormatJpeg, 1},
      {encoders::encodePng(encoders::PngSpec{}), "Decoding abandoned", ImageFormatPng, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, quadrantJpeg(10, 10), ImageFormatJpeg));
    std::vector<uint8_t> pixels = image.pixels;
    image.escape = c.escape;
    image.pixelLimit = c.pixelLimit;
    EXPECT_FALSE(decodeBytes(image, c.bytes, c.format));
    EXPECT_EQ(image.lastError.rfind(c.error, 0), 0u) << image.lastError;
    EXPECT_FALSE(image.lastError.empty());
    EXPECT_EQ(std::tuple(image.width(), image.format), std::tuple(10, int(ImageFormatJpeg)));
    EXPECT_EQ(image.pixels, pixels);
  }
  // Only the end-of-image marker missing: the picture is whole.
  for (const auto* jpeg : {&baseline, &progressive}) {
    RasterImage whole;
    EXPECT_TRUE(decodeBytes(whole, part(*jpeg, jpeg->size() - 2), ImageFormatJpeg))
        << whole.lastError;
  }
  RasterImage capped;  // a lowered pixel cap takes pictures up to it
  capped.pixelLimit = 100;
  EXPECT_TRUE(decodeBytes(capped, quadrantJpeg(10, 10), ImageFormatJpeg));
  // 2^28 pixels is the most a picture may have, whatever its shape.
  EXPECT_TRUE(RasterImage().checkSize(16384, 16384));
  EXPECT_FALSE(RasterImage().checkSize(16384, 16385));
  EXPECT_FALSE(RasterImage().checkSize(0, 5));
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
  // With a background index a 24-bit picture answers its background colour,
  // an indexed one the palette entry.
  image.backgroundIndex = 0;
  image.backgroundColor = RgbQuad{1, 2, 3, 4};
  EXPECT_EQ(image.pixelColor(9, 9).red, 3);
  RasterImage indexed;
  ASSERT_TRUE(indexed.allocate(3, 3, 8, false));
  indexed.palette[5] = RgbQuad{50, 60, 70, 80};
  indexed.backgroundIndex = 5;
  EXPECT_EQ(std::tuple(indexed.pixelColor(-5, 1).green, indexed.pixelColor(1, 1).green),
            std::tuple(60, 0));
  RasterImage empty;
  RgbQuad nothing = empty.pixelColor(3, 3);
  EXPECT_EQ(nothing.red + nothing.green + nothing.blue + nothing.alpha + empty.alphaAt(0, 0), 0);
}

TEST(RasterImage, NearestResamplingTakesTruncatedSourcePixels) {
  RasterImage image = gridImage(true);
  ASSERT_TRUE(image.resample(2, 2));
  EXPECT_EQ(std::tuple(image.width(), image.height(), image.format), std::tuple(2, 2, 2));
  // Source pixels (0,0), (2,0), (0,2), (2,2): red, green, alpha.
  const int want[4][3] = {{0, 0, 100}, {20, 0, 120}, {0, 20, 102}, {20, 20, 122}};
  for (int i = 0; i < 4; ++i) {
    RgbQuad got = image.pixelColor(i % 2, i / 2);
    EXPECT_EQ(std::tuple(got.red, got.green, int(image.alphaAt(i % 2, i / 2))),
              std::tuple(want[i][0], want[i][1], want[i][2]));
  }
  RasterImage larger = gridImage(false);  // enlarging repeats pixels
  ASSERT_TRUE(larger.resample(8, 6));
  EXPECT_EQ(std::tuple(larger.pixelColor(7, 5).red, larger.pixelColor(7, 5).green,
                       larger.pixelColor(1, 1).red, larger.hasAlphaPlane()),
            std::tuple(30, 30, 0, false));
  std::vector<uint8_t> before = larger.pixels;
  EXPECT_TRUE(larger.resample(8, 6));
  EXPECT_EQ(larger.pixels, before);
  EXPECT_FALSE(larger.resample(0, 4));
  EXPECT_FALSE(RasterImage().resample(2, 2));
  larger.escape = 1;
  EXPECT_TRUE(larger.resample(2, 2));  // stopped, not failed
  EXPECT_EQ(larger.width(), 2);

  for (int bits : {1, 4, 8}) {  // indexed pixels 0, 2, 4 of the bottom row
    RasterImage indexed;
    ASSERT_TRUE(indexed.allocate(6, 2, bits, false));
    int top = (1 << bits) - 1;
    indexed.palette.back() = RgbQuad{9, 9, 9, 9};
    for (int x = 0; x < 6; x += 2) {
      if (bits == 8) indexed.row(0)[x] = uint8_t(top);
      if (bits == 4) indexed.row(0)[x / 2] |= uint8_t(top << 4);
      if (bits == 1) indexed.row(0)[0] |= uint8_t(0x80 >> x);
    }
    ASSERT_TRUE(indexed.resample(3, 1)) << bits;
    EXPECT_EQ(indexed.bitsPerPixel, bits);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(indexed.pixelColor(x, 0).red, 9) << bits << " " << x;
    ASSERT_TRUE(indexed.resample(6, 1));
    EXPECT_EQ(indexed.pixelColor(1, 0).red, 9);
  }
}

}  // namespace
