// RasterImage over real files: JPEG decoding in its colour spaces, loading
// by format with the fallback, the pixel queries, resampling, the caps.
#include "images/raster_image.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "encoders.h"
#include "images/image_stream.h"
#include "support/test_files.h"

using encoders::JpegColors;
using encoders::JpegSpec;
using testfiles::TempDir;

namespace {

// Four flat quadrants, as seen in the file (top-down): red, green / blue, white.
int quadrantSample(int width, int height, int x, int y, int c) {
  static const int colors[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  int quadrant = (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
  return colors[quadrant][c];
}

std::vector<uint8_t> quadrantJpeg(int width, int height, bool progressive = false) {
  JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.progressive = progressive;
  spec.sample = [=](int x, int y, int c) { return quadrantSample(width, height, x, y, c); };
  return encoders::encodeJpeg(spec);
}

bool decodeBytes(RasterImage& image, const std::vector<uint8_t>& bytes, int format) {
  MemoryImageStream stream(bytes.data(), bytes.size());
  return image.decode(stream, format);
}

void expectColor(const RasterImage& image, int x, int y, int red, int green, int blue,
                 int tolerance = 3) {
  RgbQuad color = image.pixelColor(x, y);
  EXPECT_NEAR(color.red, red, tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(color.green, green, tolerance) << "at " << x << "," << y;
  EXPECT_NEAR(color.blue, blue, tolerance) << "at " << x << "," << y;
}

TEST(RasterImage, StartsEmptyWithDefaults) {
  RasterImage image;
  EXPECT_EQ(image.format, ImageFormatUnknown);
  EXPECT_EQ(image.width(), 0);
  EXPECT_EQ(image.height(), 0);
  EXPECT_FALSE(image.hasAlphaPlane());
  EXPECT_EQ(image.backgroundIndex, -1);
  EXPECT_EQ(image.horizontalResolution, 96);
  EXPECT_EQ(image.jpegQuality, 75);
  EXPECT_FALSE(image.exifInfo.isExif);
  EXPECT_EQ(image.exifInfo.width, 0);
  RgbQuad outside = image.pixelColor(3, 3);
  EXPECT_EQ(outside.red + outside.green + outside.blue + outside.alpha, 0);
  EXPECT_EQ(image.alphaAt(0, 0), 0);
  EXPECT_FALSE(image.resample(2, 2));
  EXPECT_EQ(RasterImage(ImageFormatPng).format, ImageFormatPng);
}

TEST(RasterImage, DecodesRgbJpegBottomUpInBlueGreenRed) {
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, quadrantJpeg(16, 16), ImageFormatJpeg)) << image.lastError;
  EXPECT_EQ(image.format, ImageFormatJpeg);
  EXPECT_EQ(image.width(), 16);
  EXPECT_EQ(image.bitsPerPixel, 24);
  EXPECT_TRUE(image.palette.empty());
  EXPECT_FALSE(image.hasAlphaPlane());
  // Row 0 is the bottom of the picture: blue on the left, white on the right.
  expectColor(image, 2, 2, 0, 0, 255);
  expectColor(image, 13, 2, 255, 255, 255);
  expectColor(image, 2, 13, 255, 0, 0);
  expectColor(image, 13, 13, 0, 255, 0);
  // Stored bytes are blue, green, red.
  const uint8_t* topLeft = image.row(13) + 3 * 2;
  EXPECT_LT(topLeft[0], 8);
  EXPECT_GT(topLeft[2], 248);
  EXPECT_EQ(image.pixelColor(2, 13).alpha, 0);  // the background's alpha
}

TEST(RasterImage, PadsRowsToFourBytes) {
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, quadrantJpeg(5, 3), ImageFormatJpeg));
  EXPECT_EQ(image.rowBytes(), 16);
  EXPECT_EQ(image.pixels.size(), 48u);
  expectColor(image, 4, 0, 255, 255, 255, 40);
}

TEST(RasterImage, DecodesGreyJpegWithGreyPalette) {
  JpegSpec spec;
  spec.width = 16;
  spec.height = 8;
  spec.colors = JpegColors::Grey;
  spec.sample = [](int x, int, int) { return x < 8 ? 40 : 200; };
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, encoders::encodeJpeg(spec), ImageFormatJpeg));
  EXPECT_EQ(image.bitsPerPixel, 8);
  ASSERT_EQ(image.palette.size(), 256u);
  for (int i : {0, 17, 255}) {
    EXPECT_EQ(image.palette[size_t(i)].red, i);
    EXPECT_EQ(image.palette[size_t(i)].green, i);
    EXPECT_EQ(image.palette[size_t(i)].blue, i);
  }
  RgbQuad dark = image.pixelColor(2, 3), light = image.pixelColor(13, 3);
  EXPECT_EQ(dark.red, dark.green);
  EXPECT_EQ(dark.green, dark.blue);
  EXPECT_NEAR(dark.red, 40, 3);
  EXPECT_NEAR(light.blue, 200, 3);
}

TEST(RasterImage, ConvertsCmykJpeg) {
  JpegSpec spec;
  spec.width = 8;
  spec.height = 8;
  spec.colors = JpegColors::Cmyk;
  const int cmyk[4] = {200, 100, 50, 128};
  spec.sample = [&](int, int, int c) { return cmyk[c]; };
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, encoders::encodeJpeg(spec), ImageFormatJpeg)) << image.lastError;
  EXPECT_EQ(image.bitsPerPixel, 24);
  // blue = y k / 255, green = m k / 255, red = c k / 255
  expectColor(image, 4, 4, 200 * 128 / 255, 100 * 128 / 255, 50 * 128 / 255, 2);
}

TEST(RasterImage, ProgressiveJpegDecodesLikeBaseline) {
  RasterImage baseline, progressive;
  ASSERT_TRUE(decodeBytes(baseline, quadrantJpeg(32, 24), ImageFormatJpeg));
  ASSERT_TRUE(decodeBytes(progressive, quadrantJpeg(32, 24, true), ImageFormatJpeg))
      << progressive.lastError;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x) {
      RgbQuad a = baseline.pixelColor(x, y), b = progressive.pixelColor(x, y);
      ASSERT_NEAR(a.red, b.red, 2);
      ASSERT_NEAR(a.green, b.green, 2);
      ASSERT_NEAR(a.blue, b.blue, 2);
    }
}

TEST(RasterImage, LoadFallsBackToAnyFormat) {
  TempDir dir;
  std::string misnamed = dir.file("photo.png");
  ASSERT_TRUE(encoders::writeFile(misnamed, quadrantJpeg(8, 8)));
  RasterImage image;
  ASSERT_TRUE(image.load(misnamed, ImageFormatPng)) << image.lastError;
  EXPECT_EQ(image.format, ImageFormatJpeg);
  EXPECT_EQ(image.width(), 8);

  // A PNG asked for as JPEG is found too.
  std::string png = dir.file("picture.jpg");
  ASSERT_TRUE(testfiles::writePng(png, testfiles::solidPicture(3, 2, 10, 20, 30), false));
  RasterImage other;
  ASSERT_TRUE(other.load(png, ImageFormatJpeg)) << other.lastError;
  EXPECT_EQ(other.format, ImageFormatPng);
  expectColor(other, 1, 1, 10, 20, 30, 0);
}

TEST(RasterImage, FailedLoadKeepsTheFirstError) {
  TempDir dir;
  std::string junk = dir.file("junk.jpg");
  testfiles::writeText(junk, "this is not a picture at all");
  RasterImage image;
  EXPECT_FALSE(image.load(junk, ImageFormatJpeg));
  EXPECT_NE(image.lastError.find("Not a JPEG file"), std::string::npos) << image.lastError;
  EXPECT_EQ(image.width(), 0);

  RasterImage any;
  EXPECT_FALSE(any.load(junk, ImageFormatUnknown));
  EXPECT_EQ(any.lastError, "Decode: Unknown or wrong format");

  RasterImage missing;
  EXPECT_FALSE(missing.load(dir.file("absent.png"), ImageFormatPng));
  EXPECT_FALSE(missing.lastError.empty());
}

TEST(RasterImage, DecodeRejectsUnknownFormatCodes) {
  std::vector<uint8_t> jpeg = quadrantJpeg(8, 8);
  RasterImage image;
  EXPECT_FALSE(decodeBytes(image, jpeg, 7));
  EXPECT_EQ(image.lastError, "Decode: Unknown or wrong format");
  EXPECT_FALSE(decodeBytes(image, jpeg, ImageFormatPng));
  EXPECT_NE(image.lastError, "Decode: Unknown or wrong format");
  EXPECT_FALSE(image.lastError.empty());
}

TEST(RasterImage, FailedDecodeKeepsTheContent) {
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, quadrantJpeg(16, 16), ImageFormatUnknown));
  std::vector<uint8_t> pixels = image.pixels;
  std::string junk = "\xFF\xD8\xFF\xC0 broken";
  std::vector<uint8_t> bytes(junk.begin(), junk.end());
  EXPECT_FALSE(decodeBytes(image, bytes, ImageFormatUnknown));
  EXPECT_EQ(image.width(), 16);
  EXPECT_EQ(image.format, ImageFormatJpeg);
  EXPECT_EQ(image.pixels, pixels);
}

std::vector<uint8_t> noisyJpeg(int width, int height, bool progressive) {
  JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.progressive = progressive;
  spec.sample = [](int x, int y, int c) { return (x * 7919 + y * 104729 + c * 31) % 251; };
  return encoders::encodeJpeg(spec);
}

TEST(RasterImage, TruncatedJpegFailsCleanly) {
  std::vector<uint8_t> jpeg = noisyJpeg(64, 64, false);
  for (size_t keep : {jpeg.size() / 2, size_t(700), size_t(200), size_t(2)}) {
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + long(keep));
    RasterImage image;
    EXPECT_FALSE(decodeBytes(image, cut, ImageFormatJpeg)) << keep;
    EXPECT_FALSE(image.lastError.empty());
    EXPECT_EQ(image.width(), 0);
  }
  std::vector<uint8_t> half(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2));
  RasterImage image;
  EXPECT_FALSE(decodeBytes(image, half, ImageFormatJpeg));
  EXPECT_EQ(image.lastError, "Premature end of JPEG file");

  // Only the end-of-image marker missing: the picture is whole.
  std::vector<uint8_t> noEnd(jpeg.begin(), jpeg.end() - 2);
  RasterImage whole;
  EXPECT_TRUE(decodeBytes(whole, noEnd, ImageFormatJpeg)) << whole.lastError;
}

TEST(RasterImage, TruncatedProgressiveJpegFails) {
  std::vector<uint8_t> jpeg = noisyJpeg(64, 64, true);
  std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + long(jpeg.size() * 2 / 3));
  RasterImage image;
  EXPECT_FALSE(decodeBytes(image, cut, ImageFormatJpeg));
  EXPECT_EQ(image.lastError, "Premature end of JPEG file");
  std::vector<uint8_t> tiny(jpeg.begin(), jpeg.begin() + 400);
  RasterImage other;
  EXPECT_FALSE(decodeBytes(other, tiny, ImageFormatJpeg));
}

TEST(RasterImage, EscapeAbandonsDecoding) {
  RasterImage image;
  image.escape = 1;
  EXPECT_FALSE(decodeBytes(image, quadrantJpeg(16, 16), ImageFormatJpeg));
  EXPECT_EQ(image.lastError, "Decoding abandoned");
  std::vector<uint8_t> png = encoders::encodePng(encoders::PngSpec{});
  EXPECT_FALSE(decodeBytes(image, png, ImageFormatPng));
  EXPECT_EQ(image.lastError, "Decoding abandoned");
  EXPECT_EQ(image.width(), 0);
}

TEST(RasterImage, RefusesPicturesBeyondTheCaps) {
  // A JPEG wider than the side cap: refused before any pixel is decoded.
  JpegSpec wide;
  wide.width = RasterImage::maxSide + 1;
  wide.height = 1;
  wide.quality = 50;
  RasterImage image;
  EXPECT_FALSE(decodeBytes(image, encoders::encodeJpeg(wide), ImageFormatJpeg));
  EXPECT_EQ(image.lastError.rfind("Picture too large: 16385 x 1 pixels", 0), 0u) << image.lastError;
  EXPECT_TRUE(image.pixels.empty());

  // The pixel count cap, here lowered.
  RasterImage limited;
  limited.pixelLimit = 100;
  EXPECT_FALSE(decodeBytes(limited, quadrantJpeg(11, 10), ImageFormatJpeg));
  EXPECT_NE(limited.lastError.find("Picture too large"), std::string::npos);
  EXPECT_TRUE(decodeBytes(limited, quadrantJpeg(10, 10), ImageFormatJpeg));

  // 2^28 pixels is the most a picture may have, whatever its shape.
  RasterImage big;
  EXPECT_TRUE(big.checkSize(16384, 16384));
  EXPECT_FALSE(big.checkSize(16384, 16385));
  EXPECT_FALSE(big.checkSize(0, 5));
}

// A 4 x 4 picture whose pixel (x, y) (y from the bottom) has red 10x, green 10y.
RasterImage gridImage(bool withAlpha) {
  RasterImage image(ImageFormatPng);
  EXPECT_TRUE(image.allocate(4, 4, 24, withAlpha));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      uint8_t* p = image.row(y) + 3 * x;
      p[0] = 0;
      p[1] = uint8_t(10 * y);
      p[2] = uint8_t(10 * x);
      if (withAlpha) image.alphaPlane[size_t(y * 4 + x)] = uint8_t(100 + 10 * x + y);
    }
  return image;
}

TEST(RasterImage, PixelQueriesOutsideThePicture) {
  RasterImage image = gridImage(true);
  image.pixels[0] = 77;  // blue of pixel (0, 0)
  RgbQuad corner = image.pixelColor(-1, 0);
  EXPECT_EQ(corner.blue, 77);
  EXPECT_EQ(corner.alpha, 100);
  EXPECT_EQ(image.pixelColor(4, 2).blue, 77);
  EXPECT_EQ(image.alphaAt(3, 1), 131);
  EXPECT_EQ(image.alphaAt(-1, 0), 0);
  EXPECT_EQ(image.alphaAt(0, 4), 0);

  // With a background index a 24-bit picture answers its background colour.
  image.backgroundIndex = 0;
  image.backgroundColor = RgbQuad{1, 2, 3, 4};
  EXPECT_EQ(image.pixelColor(9, 9).red, 3);

  // An indexed picture answers the palette entry of the background index.
  RasterImage indexed;
  ASSERT_TRUE(indexed.allocate(3, 3, 8, false));
  indexed.palette[5] = RgbQuad{50, 60, 70, 80};
  indexed.backgroundIndex = 5;
  EXPECT_EQ(indexed.pixelColor(-5, 1).green, 60);
  EXPECT_EQ(indexed.pixelColor(1, 1).green, 0);
}

TEST(RasterImage, NearestResamplingTakesTruncatedSourcePixels) {
  RasterImage image = gridImage(true);
  ASSERT_TRUE(image.resample(2, 2));
  EXPECT_EQ(image.width(), 2);
  EXPECT_EQ(image.height(), 2);
  EXPECT_EQ(image.format, ImageFormatPng);
  // Source pixels (0,0), (2,0), (0,2), (2,2).
  EXPECT_EQ(image.pixelColor(0, 0).red, 0);
  EXPECT_EQ(image.pixelColor(1, 0).red, 20);
  EXPECT_EQ(image.pixelColor(0, 1).green, 20);
  EXPECT_EQ(image.pixelColor(1, 1).red, 20);
  EXPECT_EQ(image.pixelColor(1, 1).green, 20);
  EXPECT_EQ(image.alphaAt(1, 1), 122);
  EXPECT_EQ(image.alphaAt(1, 0), 120);

  // Enlarging repeats pixels.
  RasterImage larger = gridImage(false);
  ASSERT_TRUE(larger.resample(8, 6));
  EXPECT_EQ(larger.pixelColor(7, 5).red, 30);
  EXPECT_EQ(larger.pixelColor(7, 5).green, 30);
  EXPECT_EQ(larger.pixelColor(1, 1).red, 0);
  EXPECT_FALSE(larger.hasAlphaPlane());

  RasterImage same = gridImage(false);
  std::vector<uint8_t> before = same.pixels;
  EXPECT_TRUE(same.resample(4, 4));
  EXPECT_EQ(same.pixels, before);
  EXPECT_FALSE(same.resample(0, 4));
  EXPECT_FALSE(same.resample(4, 0));
  EXPECT_EQ(same.width(), 4);
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

TEST(RasterImage, EscapeStopsResamplingWithoutFailing) {
  RasterImage image = gridImage(false);
  image.escape = 1;
  EXPECT_TRUE(image.resample(2, 2));
  EXPECT_EQ(image.width(), 2);
}

}  // namespace
