// The PNG decoder over real files: every colour type and bit depth, made
// here or taken from PngSuite, compared with a plain libpng expansion of
// the same file composited the way the decoder is asked to composite.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>

#include "encoders.h"
#include "images/image_stream.h"
#include "images/raster_image.h"
#include "support/test_files.h"

using encoders::decodeBytes;
using encoders::PngSpec;

namespace {

// The file expanded by libpng to 8-bit RGBA, rows top-down.
struct Expanded {
  int width = 0, height = 0, colorType = 0, bitDepth = 0;
  bool hasTrns = false;
  std::vector<uint8_t> rgba;
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
  int top = (1 << bitDepth) - 1, channels = encoders::channelsOf(colorType);
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

// Every layout made here, plain and interlaced, and PngSuite's files: the
// same layouts with transparency (tRNS) and background (bKGD) chunks.
TEST(PngDecoder, DecodesEveryLayoutLikeLibpng) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
  for (int colorType : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE,
                        PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB_ALPHA})
    for (int bitDepth : {1, 2, 4, 8, 16})
      for (bool interlaced : {false, true})
        if (colorType == PNG_COLOR_TYPE_PALETTE ? bitDepth < 16
                                                : colorType == PNG_COLOR_TYPE_GRAY || bitDepth >= 8)
          files.emplace_back(std::to_string(colorType) + "/" + std::to_string(bitDepth),
                             encoders::encodePng(patternSpec(colorType, bitDepth, interlaced)));
  for (const auto& entry : std::filesystem::directory_iterator(QUORVEX_TEST_DATA "/pngsuite"))
    if (entry.path().extension() == ".png")
      files.emplace_back(entry.path().filename(), testfiles::readBytes(entry.path().string()));
  EXPECT_GE(files.size(), 60u);
  for (const auto& [name, file] : files) {
    SCOPED_TRACE(name);
    expectDecodesLikeLibpng(file);
  }
}

TEST(PngDecoder, PaletteTransparencyAndBackgroundChunk) {
  PngSpec spec{4, 2, PNG_COLOR_TYPE_PALETTE, 8, [](int x, int, int) { return x % 3; }};
  spec.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  spec.paletteAlpha = {0};
  RasterImage image;
  ASSERT_TRUE(decodeBytes(image, encoders::encodePng(spec), ImageFormatPng)) << image.lastError;
  // One transparent entry, the first: the background index, the colour
  // outside the picture.
  EXPECT_EQ(std::tuple(image.backgroundIndex, image.palette[0].alpha,
                       image.pixelColor(-1, -1).alpha, image.pixelColor(1, 0).green),
            std::tuple(0, 0, 0, 50));

  spec.paletteAlpha = {255, 128};
  ASSERT_TRUE(decodeBytes(image, encoders::encodePng(spec), ImageFormatPng));
  EXPECT_EQ(std::tuple(image.backgroundIndex, image.palette[0].alpha, image.palette[1].alpha),
            std::tuple(-1, 255, 128));

  // RGBA keeps its alpha and takes the bKGD colour as it is.
  PngSpec rgba{3, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8,
               [](int x, int y, int c) { return c == 3 ? (y == 0 ? 255 : 40 * x) : 100 + c; }};
  rgba.background = png_color_16{0, 0x11, 0x22, 0x33, 0};
  ASSERT_TRUE(decodeBytes(image, encoders::encodePng(rgba), ImageFormatPng));
  const RgbQuad& background = image.backgroundColor;
  EXPECT_EQ(std::tuple(image.alphaAt(2, 0), background.red, background.green, background.blue),
            std::tuple(80, 0x11, 0x22, 0x33));  // file row 1 is image row 0
}

}  // namespace
