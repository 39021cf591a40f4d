// Pictures decoded from real files by RasterImage: JPEG decoding in its
// colour spaces, PNG decoding of every colour type and bit depth (made here
// or taken from PngSuite) compared with a plain libpng expansion of the same
// file, loading by format with the fallback, the pixel queries, resampling,
// the caps; the decoders' byte sources with fread/fseek semantics.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "encoders.h"
#include "images/image_stream.h"
#include "images/raster_image.h"
#include "support/test_files.h"

namespace {

using namespace encoders;
std::vector<uint8_t> quadrantJpeg(int width, int height) {
  return encodeJpeg(quadrantSpec(width, height));
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
    ASSERT_TRUE(decodeBytes(image, encodeJpeg(spec), ImageFormatJpeg)) << image.lastError;
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
  writeFile(dir.file("jpeg.png"), quadrantJpeg(8, 8));
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
  const std::vector<uint8_t> jpeg = quadrantJpeg(16, 16), png = encodePng({});
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

// The file expanded by libpng to 8-bit RGBA, rows top-down.
struct Expanded {
  int width = 0, height = 0, colorType = 0, bitDepth = 0;
  bool hasTrns = false;
  std::vector<uint8_t> rgba, paletteAlpha;  // the tRNS of a palette
  png_color_16 background = {};             // bKGD, or all zero
};

bool expand(const std::vector<uint8_t>& file, Expanded& out) {
  FILE* source = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  bool read = !setjmp(png_jmpbuf(png));
  if (read) {
    png_init_io(png, source);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    png_get_IHDR(png, info, &width, &height, &out.bitDepth, &out.colorType, nullptr, nullptr,
                 nullptr);
    out.width = int(width), out.height = int(height);
    out.hasTrns = png_get_valid(png, info, PNG_INFO_tRNS);
    png_bytep alphas = nullptr;
    png_color_16p background = nullptr;
    int count = 0;
    if (png_get_tRNS(png, info, &alphas, &count, nullptr) && alphas)
      out.paletteAlpha.assign(alphas, alphas + count);
    if (png_get_bKGD(png, info, &background)) out.background = *background;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.rgba.assign(size_t(out.width) * out.height * 4, 0);
    std::vector<png_bytep> rows;
    for (int y = 0; y < out.height; ++y) rows.push_back(&out.rgba[size_t(y) * out.width * 4]);
    png_read_image(png, rows.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(source);
  return read;
}

// Decodes the file and checks the layout and every pixel against the
// expansion. Files with any transparency keep it in an alpha plane; only a
// palette keeps its indices, and opaque grey its depth (2 bits as 4, 16 as 8).
void expectDecodesLikeLibpng(const std::vector<uint8_t>& file) {
  Expanded want;
  RasterImage image;
  ASSERT_TRUE(expand(file, want));
  ASSERT_TRUE(decodeBytes(image, file, ImageFormatPng)) << image.lastError;
  EXPECT_EQ(std::tuple(image.format, image.width(), image.height()),
            std::tuple(ImageFormatPng, want.width, want.height));
  const bool palette = want.colorType == PNG_COLOR_TYPE_PALETTE,
             alpha = (want.colorType & PNG_COLOR_MASK_ALPHA) || want.hasTrns;
  const int depth = std::min(want.bitDepth == 2 ? 4 : want.bitDepth, 8);
  const int bits = (alpha && !palette) || want.colorType == PNG_COLOR_TYPE_RGB ? 24 : depth;
  EXPECT_EQ(std::tuple(image.bitsPerPixel, image.hasAlphaPlane(), image.palette.size()),
            std::tuple(bits, alpha, bits <= 8 ? size_t(1) << bits : 0));
  // A palette keeps the file's tRNS; one transparent entry alone, the
  // first, is the background index. Transparent 8-bit pictures keep the
  // bKGD colour as it is.
  for (size_t i = 0; i < want.paletteAlpha.size(); ++i)
    EXPECT_EQ(image.palette[i].alpha, want.paletteAlpha[i]) << "entry " << i;
  EXPECT_EQ(image.backgroundIndex, want.paletteAlpha == std::vector<uint8_t>{0} ? 0 : -1);
  const RgbQuad& background = image.backgroundColor;
  if (alpha && want.bitDepth <= 8) {
    EXPECT_EQ(std::tuple(background.red, background.green, background.blue),
              std::tuple(want.background.red, want.background.green, want.background.blue));
  }
  int tolerance = want.bitDepth == 16 ? 2 : 1, mismatches = 0;
  for (int y = 0; y < want.height && mismatches < 5; ++y)
    for (int x = 0; x < want.width && mismatches < 5; ++x) {
      const uint8_t* expected = &want.rgba[(size_t(y) * want.width + x) * 4];
      RgbQuad color = image.pixelColor(x, want.height - 1 - y);  // bottom-up
      int got[4] = {color.red, color.green, color.blue, image.alphaAt(x, want.height - 1 - y)};
      for (int c = 0; c < 4; ++c) {
        int value = c < 3 ? expected[c] : alpha ? expected[3] : 0;
        if (std::abs(got[c] - value) <= (c == 3 ? 0 : tolerance)) continue;
        ADD_FAILURE() << "pixel " << x << "," << y << " channel " << c << ": got " << got[c]
                      << " want " << value;
        ++mismatches;
      }
    }
}

// A picture with structure in every channel, odd size so that rows end
// inside a byte and the interlace passes are uneven.
PngSpec patternSpec(int colorType, int bitDepth, bool interlaced) {
  int top = (1 << bitDepth) - 1, channels = channelsOf(colorType);
  PngSpec spec{13, 11, colorType, bitDepth, [=](int x, int y, int c) {
                 if ((colorType & PNG_COLOR_MASK_ALPHA) && c == channels - 1)
                   return (x * 40 + y * 9) % (top + 1);  // some transparent
                 return int((long(x) * 7919 + long(y) * 104729 + c * 31337) % (top + 1));
               }};
  spec.interlaced = interlaced;
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    for (int i = 0; i <= top; ++i)
      spec.palette.push_back(png_color{uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5)});
  return spec;
}

// Every layout made here, plain and interlaced, some with transparency
// (tRNS) and background (bKGD) chunks, and PngSuite's files, many with them.
TEST(PngDecoder, DecodesEveryLayoutLikeLibpng) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  for (int colorType : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE,
                        PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA})
    for (int bitDepth : {1, 2, 4, 8, 16})
      for (bool interlaced : {false, true})
        if (colorType == PNG_COLOR_TYPE_PALETTE ? bitDepth < 16
                                                : colorType == PNG_COLOR_TYPE_GRAY || bitDepth >= 8)
          files.emplace_back(std::to_string(colorType) + "/" + std::to_string(bitDepth),
                             encodePng(patternSpec(colorType, bitDepth, interlaced)));
  PngSpec keyed = patternSpec(PNG_COLOR_TYPE_PALETTE, 8, false);  // the first entry transparent
  keyed.paletteAlpha = {0};
  files.emplace_back("keyed", encodePng(keyed));
  for (const auto& entry : std::filesystem::directory_iterator(QUORVEX_TEST_DATA "/pngsuite"))
    if (entry.path().extension() == ".png")
      files.emplace_back(entry.path().filename(), testfiles::readBytes(entry.path().string()));
  EXPECT_GE(files.size(), 60u);
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    expectDecodesLikeLibpng(file);
  }
}

// Over the ten bytes "0123456789".
void exerciseStream(ImageStream& stream) {
  char buffer[8] = {};
  EXPECT_EQ(stream.tell(), 0);
  EXPECT_EQ(stream.read(buffer, 2, 2), 2u);
  EXPECT_EQ(std::memcmp(buffer, "0123", 4), 0);
  EXPECT_EQ(stream.getc(), '4');
  EXPECT_EQ(stream.tell(), 5);
  EXPECT_EQ(stream.read(buffer, 4, 2), 1u);  // whole items only: 5 bytes remain
  EXPECT_EQ(stream.seek(-3, SEEK_END), 0);
  EXPECT_EQ(stream.getc(), '7');
  EXPECT_EQ(stream.seek(-2, SEEK_CUR), 0);
  EXPECT_EQ(stream.getc(), '6');
  EXPECT_EQ(stream.seek(1, SEEK_SET), 0);
  EXPECT_EQ(stream.getc(), '1');
  EXPECT_NE(stream.seek(-20, SEEK_CUR), 0);
  EXPECT_EQ(stream.seek(100, SEEK_SET), 0);  // past the end, as files allow
  EXPECT_EQ(stream.getc(), EOF);
  EXPECT_EQ(stream.read(buffer, 1, 8), 0u);
}

TEST(ImageStream, MemoryAndFileStreamsReadLikeFiles) {
  MemoryImageStream memory("0123456789", 10);
  exerciseStream(memory);

  testfiles::TempDir dir;
  testfiles::writeText(dir.file("digits.bin"), "0123456789");
  std::string windowsStyle = dir.file("digits.bin");
  std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
  FileImageStream file(windowsStyle);
  ASSERT_TRUE(file.isOpen());
  exerciseStream(file);

  MemoryImageStream empty(nullptr, 0);
  FileImageStream missing(dir.file("absent.bin"));
  EXPECT_FALSE(missing.isOpen());
  EXPECT_NE(missing.seek(0, SEEK_SET), 0);
  char byte;
  EXPECT_EQ(
      std::tuple(empty.read(&byte, 1, 1), empty.getc(), missing.read(&byte, 1, 1), missing.getc()),
      std::tuple(0u, EOF, 0u, EOF));
}

}  // namespace
