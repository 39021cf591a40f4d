// The PNG decoder over real files: every colour type and bit depth, made
// here or taken from PngSuite, compared with a plain libpng expansion of
// the same file composited the way the decoder is asked to composite.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "encoders.h"
#include "images/image_stream.h"
#include "images/raster_image.h"
#include "support/test_files.h"

using encoders::PngSpec;

namespace {

// The file expanded by libpng to 8-bit RGBA, rows top-down, and its bKGD
// colour in the same terms.
struct Expanded {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  bool hasBackground = false;
  uint8_t background[3] = {0, 0, 0};
  int colorType = 0, bitDepth = 0;
  const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

void readBytes(png_structp png, png_bytep data, size_t length) {
  auto* source = static_cast<std::pair<const uint8_t*, size_t>*>(png_get_io_ptr(png));
  if (length > source->second) png_error(png, "short");
  std::memcpy(data, source->first, length);
  source->first += length;
  source->second -= length;
}

bool expand(const std::vector<uint8_t>& file, Expanded& out) {
  std::pair<const uint8_t*, size_t> source(file.data(), file.size());
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &source, readBytes);
  png_read_info(png, info);
  out.width = int(png_get_image_width(png, info));
  out.height = int(png_get_image_height(png, info));
  out.colorType = png_get_color_type(png, info);
  out.bitDepth = png_get_bit_depth(png, info);
  png_color_16p background;
  if (png_get_bKGD(png, info, &background)) {
    out.hasBackground = true;
    if (out.colorType == PNG_COLOR_TYPE_PALETTE) {
      png_colorp palette;
      int count;
      png_get_PLTE(png, info, &palette, &count);
      out.background[0] = palette[background->index].red;
      out.background[1] = palette[background->index].green;
      out.background[2] = palette[background->index].blue;
    } else {
      int depth = out.bitDepth;
      auto scale = [depth](int v) {
        if (depth == 16) return v >> 8;
        return v * 255 / ((1 << depth) - 1);
      };
      bool grey = !(out.colorType & PNG_COLOR_MASK_COLOR);
      out.background[0] = uint8_t(scale(grey ? background->gray : background->red));
      out.background[1] = uint8_t(scale(grey ? background->gray : background->green));
      out.background[2] = uint8_t(scale(grey ? background->gray : background->blue));
    }
  }
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
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool decode(RasterImage& image, const std::vector<uint8_t>& file) {
  MemoryImageStream stream(file.data(), file.size());
  return image.decode(stream, ImageFormatPng);
}

// Checks every pixel of the decoded image against the expansion: with an
// alpha plane colour and alpha as they are, without one composited on the
// file's background or on grey 192.
void expectMatches(const RasterImage& image, const Expanded& reference, int tolerance,
                   const std::string& name) {
  ASSERT_EQ(image.width(), reference.width) << name;
  ASSERT_EQ(image.height(), reference.height) << name;
  const uint8_t* background = reference.background;
  const uint8_t grey[3] = {192, 192, 192};
  if (!reference.hasBackground) background = grey;
  int mismatches = 0;
  for (int y = 0; y < reference.height && mismatches < 5; ++y)
    for (int x = 0; x < reference.width && mismatches < 5; ++x) {
      const uint8_t* expected = reference.at(x, y);
      int imageY = reference.height - 1 - y;  // bottom-up
      RgbQuad color = image.pixelColor(x, imageY);
      int got[3] = {color.red, color.green, color.blue};
      for (int c = 0; c < 3; ++c) {
        int alpha = expected[3];
        int want = image.hasAlphaPlane()
                       ? expected[c]
                       : (expected[c] * alpha + background[c] * (255 - alpha) + 127) / 255;
        if (std::abs(got[c] - want) > tolerance) {
          ADD_FAILURE() << name << " pixel " << x << "," << y << " channel " << c << ": got "
                        << got[c] << " want " << want << " (alpha " << alpha << ")";
          ++mismatches;
        }
      }
      if (image.hasAlphaPlane() && image.alphaAt(x, imageY) != expected[3]) {
        ADD_FAILURE() << name << " alpha at " << x << "," << y;
        ++mismatches;
      }
    }
}

// What the decoder makes of each file layout: bits per pixel and alpha plane.
struct Layout {
  int colorType, bitDepth, bitsPerPixel;
  bool alphaPlane;
};
const Layout layouts[] = {
    {PNG_COLOR_TYPE_GRAY, 1, 1, false},        {PNG_COLOR_TYPE_GRAY, 2, 4, false},
    {PNG_COLOR_TYPE_GRAY, 4, 4, false},        {PNG_COLOR_TYPE_GRAY, 8, 8, false},
    {PNG_COLOR_TYPE_GRAY, 16, 8, false},       {PNG_COLOR_TYPE_RGB, 8, 24, false},
    {PNG_COLOR_TYPE_RGB, 16, 24, false},       {PNG_COLOR_TYPE_PALETTE, 1, 1, false},
    {PNG_COLOR_TYPE_PALETTE, 2, 4, false},     {PNG_COLOR_TYPE_PALETTE, 4, 4, false},
    {PNG_COLOR_TYPE_PALETTE, 8, 8, false},     {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 8, false},
    {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 24, true}, {PNG_COLOR_TYPE_RGB_ALPHA, 8, 24, true},
    {PNG_COLOR_TYPE_RGB_ALPHA, 16, 24, false},
};

// A picture with structure in every channel, odd size so that rows end
// inside a byte and the interlace passes are uneven.
PngSpec patternSpec(int colorType, int bitDepth, bool interlaced) {
  PngSpec spec;
  spec.width = 13;
  spec.height = 11;
  spec.colorType = colorType;
  spec.bitDepth = bitDepth;
  spec.interlaced = interlaced;
  int top = (1 << bitDepth) - 1;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i <= top; ++i)
      spec.palette.push_back(png_color{uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * 5)});
    spec.sample = [top](int x, int y, int) { return (x * 3 + y * 5) % (top + 1); };
  } else {
    int channels = encoders::channelsOf(colorType);
    bool alpha = colorType & PNG_COLOR_MASK_ALPHA;
    spec.sample = [=](int x, int y, int c) {
      if (alpha && c == channels - 1) return (x * 40 + y * 9) % (top + 1);  // some transparent
      return int((long(x) * 7919 + long(y) * 104729 + c * 31337) % (top + 1));
    };
  }
  return spec;
}

TEST(PngDecoder, EveryColourTypeAndDepth) {
  for (const Layout& layout : layouts) {
    for (bool interlaced : {false, true}) {
      std::string name = "type " + std::to_string(layout.colorType) + " depth " +
                         std::to_string(layout.bitDepth) + (interlaced ? " interlaced" : "");
      std::vector<uint8_t> file =
          encoders::encodePng(patternSpec(layout.colorType, layout.bitDepth, interlaced));
      ASSERT_FALSE(file.empty()) << name;
      RasterImage image;
      ASSERT_TRUE(decode(image, file)) << name << ": " << image.lastError;
      EXPECT_EQ(image.format, ImageFormatPng);
      EXPECT_EQ(image.bitsPerPixel, layout.bitsPerPixel) << name;
      EXPECT_EQ(image.hasAlphaPlane(), layout.alphaPlane) << name;
      if (layout.bitsPerPixel <= 8) {
        EXPECT_EQ(image.palette.size(), size_t(1) << layout.bitsPerPixel) << name;
      }
      Expanded reference;
      ASSERT_TRUE(expand(file, reference));
      expectMatches(image, reference, layout.bitDepth == 16 ? 2 : 1, name);
    }
  }
}

TEST(PngDecoder, InterlacedFilesDecodeLikePlainOnes) {
  for (const Layout& layout : layouts) {
    RasterImage plain, interlaced;
    ASSERT_TRUE(
        decode(plain, encoders::encodePng(patternSpec(layout.colorType, layout.bitDepth, false))));
    ASSERT_TRUE(decode(interlaced,
                       encoders::encodePng(patternSpec(layout.colorType, layout.bitDepth, true))));
    EXPECT_EQ(plain.pixels, interlaced.pixels) << layout.colorType << "/" << layout.bitDepth;
    EXPECT_EQ(plain.alphaPlane, interlaced.alphaPlane);
  }
}

TEST(PngDecoder, TwoBitGreyBecomesFourBitWithFourGreys) {
  PngSpec spec = patternSpec(PNG_COLOR_TYPE_GRAY, 2, false);
  spec.width = 5;
  spec.height = 1;
  spec.sample = [](int x, int, int) { return x % 4; };
  RasterImage image;
  ASSERT_TRUE(decode(image, encoders::encodePng(spec)));
  EXPECT_EQ(image.bitsPerPixel, 4);
  EXPECT_EQ(image.row(0)[0], 0x01);
  EXPECT_EQ(image.row(0)[1], 0x23);
  EXPECT_EQ(image.row(0)[2], 0x00);
  const int greys[4] = {0, 85, 170, 255};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(image.palette[size_t(i)].green, greys[i]);
  EXPECT_EQ(image.pixelColor(3, 0).red, 255);
  EXPECT_EQ(image.pixelColor(2, 0).red, 170);
}

TEST(PngDecoder, PaletteTransparencySetsAlphaAndBackgroundIndex) {
  PngSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.colorType = PNG_COLOR_TYPE_PALETTE;
  spec.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  spec.paletteAlpha = {0};
  spec.sample = [](int x, int, int) { return x % 3; };
  RasterImage image;
  ASSERT_TRUE(decode(image, encoders::encodePng(spec))) << image.lastError;
  EXPECT_EQ(image.backgroundIndex, 0);
  EXPECT_EQ(image.palette[0].alpha, 0);
  EXPECT_EQ(image.palette[1].red, 40);
  EXPECT_EQ(image.palette[1].blue, 60);
  // Outside the picture: the background entry.
  EXPECT_EQ(image.pixelColor(-1, -1).alpha, image.palette[0].alpha);
  EXPECT_EQ(image.pixelColor(1, 0).green, 50);

  spec.paletteAlpha = {255, 128};
  RasterImage two;
  ASSERT_TRUE(decode(two, encoders::encodePng(spec)));
  EXPECT_EQ(two.backgroundIndex, -1);
  EXPECT_EQ(two.palette[0].alpha, 255);
  EXPECT_EQ(two.palette[1].alpha, 128);
}

TEST(PngDecoder, RgbaKeepsAlphaAndTakesBackgroundChunk) {
  PngSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  spec.sample = [](int x, int y, int c) { return c == 3 ? (y == 0 ? 255 : 40 * x) : 100 + c; };
  spec.hasBackground = true;
  spec.background = png_color_16{0, 0x11, 0x22, 0x33, 0};
  RasterImage image;
  ASSERT_TRUE(decode(image, encoders::encodePng(spec)));
  ASSERT_TRUE(image.hasAlphaPlane());
  EXPECT_EQ(image.alphaAt(2, 0), 80);  // file row 1 is image row 0
  EXPECT_EQ(image.alphaAt(2, 1), 255);
  EXPECT_EQ(image.alphaAt(3, 0), 0);
  EXPECT_EQ(image.pixelColor(1, 0).alpha, 40);
  EXPECT_EQ(image.pixelColor(1, 0).red, 100);
  EXPECT_EQ(image.backgroundColor.red, 0x11);
  EXPECT_EQ(image.backgroundColor.green, 0x22);
  EXPECT_EQ(image.backgroundColor.blue, 0x33);
}

TEST(PngDecoder, CompositesOnTheFileBackground) {
  PngSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.colorType = PNG_COLOR_TYPE_RGB;
  spec.sample = [](int x, int, int c) { return x == 0 ? 7 : 50 + c; };
  spec.hasTransparentColor = true;
  spec.transparentColor = png_color_16{0, 7, 7, 7, 0};
  spec.hasBackground = true;
  spec.background = png_color_16{0, 200, 100, 0, 0};
  RasterImage image;
  ASSERT_TRUE(decode(image, encoders::encodePng(spec)));
  EXPECT_FALSE(image.hasAlphaPlane());
  RgbQuad transparent = image.pixelColor(0, 0), solid = image.pixelColor(1, 0);
  EXPECT_EQ(transparent.red, 200);
  EXPECT_EQ(transparent.green, 100);
  EXPECT_EQ(transparent.blue, 0);
  EXPECT_EQ(solid.red, 50);
  EXPECT_EQ(solid.blue, 52);

  // Without a bKGD chunk: grey 192.
  spec.hasBackground = false;
  RasterImage grey;
  ASSERT_TRUE(decode(grey, encoders::encodePng(spec)));
  EXPECT_EQ(grey.pixelColor(0, 0).red, 192);
  EXPECT_EQ(grey.pixelColor(0, 0).blue, 192);
}

TEST(PngDecoder, PngSuiteFiles) {
  std::string folder = std::string(QUORVEX_TEST_DATA) + "/pngsuite";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".png") continue;
    std::vector<uint8_t> file = testfiles::readBytes(entry.path().string());
    std::string name = entry.path().filename().string();
    RasterImage image;
    ASSERT_TRUE(decode(image, file)) << name << ": " << image.lastError;
    Expanded reference;
    ASSERT_TRUE(expand(file, reference)) << name;
    expectMatches(image, reference, reference.bitDepth == 16 ? 2 : 1, name);
    ++files;
  }
  EXPECT_GE(files, 30);
}

TEST(PngDecoder, CorruptAndTruncatedFilesFail) {
  std::vector<uint8_t> file = encoders::encodePng(patternSpec(PNG_COLOR_TYPE_RGB, 8, false));
  std::vector<uint8_t> cut(file.begin(), file.begin() + long(file.size() / 2));
  RasterImage image;
  EXPECT_FALSE(decode(image, cut));
  EXPECT_EQ(image.lastError, "Read Error");

  std::vector<uint8_t> damaged = file;
  damaged[20] ^= 0x40;  // inside IHDR: its CRC no longer matches
  EXPECT_FALSE(decode(image, damaged));
  EXPECT_NE(image.lastError.find("CRC"), std::string::npos) << image.lastError;
  EXPECT_EQ(image.width(), 0);

  std::vector<uint8_t> notPng(file.begin() + 1, file.end());
  EXPECT_FALSE(decode(image, notPng));
  EXPECT_FALSE(image.lastError.empty());
}

TEST(PngDecoder, RefusesOversizedHeaders) {
  PngSpec spec;
  spec.width = 20000;
  spec.height = 1;
  spec.colorType = PNG_COLOR_TYPE_GRAY;
  RasterImage image;
  ASSERT_FALSE(decode(image, encoders::encodePng(spec)));
  EXPECT_EQ(image.lastError.rfind("Picture too large: 20000 x 1 pixels", 0), 0u) << image.lastError;
}

}  // namespace
