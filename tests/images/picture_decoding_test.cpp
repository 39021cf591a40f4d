// Pictures decoded from real files. RasterImage: JPEG decoding in its
// colour spaces, PNG decoding of every colour type and bit depth (made here
// or taken from PngSuite) compared with a plain libpng expansion of the same
// file, loading by format with the fallback, the pixel queries, resampling,
// the caps; the decoders' byte sources with fread/fseek semantics. The EXIF
// reader over marker sections and TIFF directories built byte by byte,
// including blocks at the edges of its checks, and every hand-made malformed
// file under tests/malformed/: the EXIF ones hold the loops, the deep and
// wide trees and the bad counts and formats, the pictures fail to decode.
// (Fuzz findings that turned out to be valid pictures are kept as
// "regress-*" and only replayed.) Then pictures as users hand them over:
// cut-off JPEGs and photographs with an EXIF orientation. Last, slide
// textures of pictures, thumbnails and clips as GL holds them, also when
// prepared on a worker and uploaded in a shared context, and thumbnails of
// JPEGs decoded at the scale that still holds them.
#include <GL/glew.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/state/viewer_state.h"
#include "encoders.h"
#include "images/exif_reader.h"
#include "images/image_stream.h"
#include "images/jpeg_decoder.h"
#include "images/picture_orientation.h"
#include "images/picture_preparer.h"
#include "images/prepared_picture.h"
#include "images/raster_image.h"
#include "images/slide_texture.h"
#include "images/texture_pool.h"
#include "images/texture_uploader.h"
#include "platform/clock.h"
#include "platform/shared_gl_context.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "video/opengl_video.h"

// A largest texture side below this GL's own, as a smaller card reports it:
// every query in this program goes through here. 0 leaves GL's answer.
static GLint largestTextureSide = 0;
extern "C" void glGetIntegerv(GLenum name, GLint* value) {
  using Query = void (*)(GLenum, GLint*);
  static const Query query = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "glGetIntegerv"));
  query(name, value);
  if (name == GL_MAX_TEXTURE_SIZE && largestTextureSide) *value = largestTextureSide;
}

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

Bytes section(int marker, const Bytes& data) {
  size_t length = data.size() + 2;
  return Bytes{0xFF, uint8_t(marker), uint8_t(length >> 8), uint8_t(length)} + data;
}

const Bytes startOfImage = {0xFF, 0xD8};
const Bytes colourFrame = section(0xC0, {8, 0x01, 0xE0, 0x02, 0x80, 3, 1, 0x22, 0, 2, 0x11, 1, 3,
                                         0x11, 1});  // 640 x 480, three components

// SOI, the given sections, then a frame header and a start of scan.
Bytes jpegSections(const std::vector<Bytes>& sections, const Bytes& frame = colourFrame) {
  Bytes out = startOfImage;
  for (const Bytes& s : sections) out = out + s;
  return out + frame + section(0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
}

struct Result {
  bool ok;
  ExifInfo info;
  std::string error;
};

Result read(const Bytes& bytes) {
  Result result{false, {}, ""};
  ExifReader reader(&result.info);
  MemoryImageStream stream(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  result.ok = reader.readSections(stream);
  testing::internal::GetCapturedStdout();
  result.error = reader.error();
  return result;
}

Bytes exifJpeg(const Bytes& block) {
  return jpegSections({section(0xE1, block)});
}

// Every field the reader fills, across IFD0, the EXIF and interoperability
// sub-directories and IFD1, whose thumbnail follows the TIFF data.
Bytes fullBlock(bool bigEndian) {
  double brightness = -1.25;
  float yResolution = 2000.5f;
  uint64_t brightnessBits = 0, yResolutionBits = 0;
  std::memcpy(&brightnessBits, &brightness, 8);
  std::memcpy(&yResolutionBits, &yResolution, 4);
  Tiff b{
      {{textTag(0x010F, "Quorvex Optics of Lower Wessexshire, lenses"),
        textTag(0x0110, "QX-100 with a model name well beyond forty characters"),
        shortTag(0x0112, 6), rationalTag(0x011A, 300, 1), rationalTag(0x011B, 150, 1),
        shortTag(0x0128, 2), Entry{0x8769, 4, 1, {}, 1}},
       {rationalTag(0x829A, 1, 250), rationalTag(0x829D, 28, 10), textTag(0x9000, "0230", 7),
        textTag(0x9003, "2024:01:02 03:04:05 and more"),
        rationalTag(0x9201, 9, 1, 10),  // ignored: exposure time already known
        Entry{0x9203, 12, 1, {{8, brightnessBits}}}, rationalTag(0x9204, -2, 3, 10),
        rationalTag(0x920A, 50, 1),
        textTag(0x9286, std::string("ASCII\0\0\0Hello there   ", 22), 7),
        Entry{0xA002, 4, 1, {{4, 3000}}}, Entry{0xA005, 4, 1, {}, 2}, rationalTag(0xA20E, 4000, 1),
        Entry{0xA20F, 11, 1, {{4, yResolutionBits}}}, shortTag(0x8827, 2), shortTag(0x9209, 0x19),
        shortTag(0xA003, 2000), shortTag(0xA210, 3)},
       {textTag(0x0001, "R98")},
       {Entry{0x0201, 4, 1, {{4, 0}}}, Entry{0x0202, 4, 1, {{4, 9}}}}},
      {3},
      bigEndian};
  b.directories[3][0].value = {{4, b.tiff().size()}};
  return b.app1() + Bytes{'T', 'H', 'U', 'M', 'B', 'N', 'A', 'I', 'L'};
}

TEST(ExifReader, ReadsEveryFieldInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    // Big-endian with a progressive grey frame header.
    Bytes bytes =
        jpegSections({section(0xE1, fullBlock(bigEndian))},
                     bigEndian ? section(0xC2, {8, 0, 16, 0, 32, 1, 1, 0x11, 0}) : colourFrame);
    ExifInfo info{};
    ExifReader reader(&info);
    MemoryImageStream stream(bytes.data(), bytes.size());
    ASSERT_TRUE(reader.readSections(stream)) << reader.error();
    EXPECT_TRUE(info.isExif);
    EXPECT_STREQ(info.make, "Quorvex Optics of Lower Wessexs");           // 31 characters
    EXPECT_STREQ(info.model, "QX-100 with a model name well beyond fo");  // 39 characters
    EXPECT_STREQ(info.dateTime, "2024:01:02 03:04:05");                   // 19 characters
    EXPECT_STREQ(info.version, "0230");
    EXPECT_STREQ(info.comment, "Hello there");
    // clang-format off
#define FIELD(name, want) std::make_tuple(#name, double(info.name), double(want))
    const std::tuple<const char*, double, double> numbers[] = {
        FIELD(orientation, 6), FIELD(xResolution, 300), FIELD(yResolution, 150),
        FIELD(resolutionUnit, 1), FIELD(exposureTime, 1.0 / 250), FIELD(fNumber, 2.8),
        FIELD(isoSpeed, 400), FIELD(brightness, -1.25), FIELD(exposureBias, -2.0 / 3),
        FIELD(flashUsed, 1), FIELD(focalLength, 50),
        FIELD(focalPlaneXRes, 4000), FIELD(focalPlaneYRes, 2000.5),
        FIELD(focalPlaneUnit, 0.3937008), FIELD(ccdWidth, 3000 * double(0.3937008f) / 4000),
        FIELD(width, bigEndian ? 32 : 640), FIELD(height, bigEndian ? 16 : 480),
        FIELD(isColor, !bigEndian), FIELD(process, bigEndian ? 0xC2 : 0xC0),
        FIELD(thumbnailSize, 9)};
#undef FIELD
    // clang-format on
    for (const auto& [field, got, want] : numbers) {
      EXPECT_FLOAT_EQ(float(got), float(want)) << field;
    }
    ASSERT_NE(info.thumbnail, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.thumbnail), 9), "THUMBNAIL");
    // Kept: the EXIF block, the frame header and the start of scan.
    std::vector<int> kept;
    for (const auto& keptSection : reader.sections()) kept.push_back(keptSection.marker);
    EXPECT_EQ(kept, (std::vector<int>{0xE1, bigEndian ? 0xC2 : 0xC0, 0xDA}));
  }
  ExifReader own;  // with a record of its own
  Bytes block = fullBlock(false);
  EXPECT_TRUE(own.parseExifBlock(block.data(), block.size()));
  EXPECT_EQ(own.info().isoSpeed, 400);
}

#define FIELD(name) [](const ExifInfo& info) { return double(info.name); }

TEST(ExifReader, ValueRules) {
  const struct {
    std::vector<Entry> entries;
    double (*field)(const ExifInfo&);
    double want;
    std::string error = "";
  } cases[] = {
      {{shortTag(0x0112, 9)}, FIELD(orientation), 0, "Undefined rotation value"},
      {{shortTag(0x8827, 49)}, FIELD(isoSpeed), 9800},  // below 50: in units of 200
      {{shortTag(0x8827, 50)}, FIELD(isoSpeed), 50},
      {{{0x8827, 3, 0, {{2, 0xFFFF}}}}, FIELD(isoSpeed), 0},  // no component
      {{shortTag(0x0128, 1)}, FIELD(resolutionUnit), 1},
      {{shortTag(0x0128, 4)}, FIELD(resolutionUnit), 0.03937008},
      {{shortTag(0x0128, 5)}, FIELD(resolutionUnit), 0.00003937008},
      {{shortTag(0xA210, 6)}, FIELD(focalPlaneUnit), 0},                 // unknown code
      {{shortTag(0x9209, 0x10)}, FIELD(flashUsed), 0},                   // did not fire
      {{rationalTag(0x9201, 5, 1, 10)}, FIELD(exposureTime), 1.0 / 32},  // from APEX values
      {{rationalTag(0x9202, 4, 1), rationalTag(0x9205, 8, 1)}, FIELD(fNumber), 4},
      {{rationalTag(0x920A, 5, 0)}, FIELD(focalLength), 0},  // zero denominator
  };
  for (const auto& c : cases) {
    Result result = read(exifJpeg(Tiff{{c.entries}}.app1()));
    EXPECT_TRUE(result.ok && result.info.isExif);
    EXPECT_FLOAT_EQ(float(c.field(result.info)), float(c.want)) << c.entries[0].tag;
    EXPECT_EQ(result.error, c.error);
  }
}

// Sections and EXIF blocks at the edges of the checks.
TEST(ExifReader, RefusalsAndEdges) {
  // Kept are these, the frame header and the start of scan: 18 fit. Not
  // counted: APP0, APP1 without "Exif", later comments.
  std::vector<Bytes> full(17, section(0xE2, {0}));
  for (const Bytes& s : {section(0xFE, {'c'}), section(0xE0, {'J', 'F', 'I', 'F', 0}),
                         section(0xE1, {'h', 't', 't', 'p'}), section(0xFE, {'d'})})
    full.push_back(s);
  const Bytes scan = {0xDA, 0x00, 0x02}, second = {'s', 'e', 'c', 'o', 'n', 'd'},
              good = Tiff{{{}}}.app1();
  auto with = [](Bytes bytes, size_t at, uint8_t value) { return bytes[at] = value, bytes; };
  auto cut = [](const Bytes& bytes, size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + long(length));
  };
  // A sub-directory exactly at the end: its fault stays its own.
  Tiff atEnd{{{Entry{0x8769, 4, 1, {{4, 0}}}}}};
  atEnd.directories[0][0].value = {{4, atEnd.tiff().size()}};
  Bytes noLink = Tiff{{{shortTag(0x0112, 8)}}}.app1();
  auto comment = [](const std::string& text) {
    return exifJpeg(Tiff{{{textTag(0x9286, text, 7)}}}.app1());
  };
  const struct {
    Bytes bytes;
    bool ok, exif;
    std::string error, comment = "";
    int process = 0xC0;  // of the frame header read, 0: none
  } cases[] = {
      {jpegSections({}, section(0xC0, {8})), true, false, "", "", 0},  // too short for a size
      {jpegSections(full), true, false, "", "c"},
      {jpegSections(std::vector<Bytes>(19, section(0xE2, {0}))), false, false,
       "Too many sections in jpg file"},
      {startOfImage + Bytes(6, 0xFF) + scan, true, false, "", "", 0},
      {startOfImage + Bytes{0xFF}, false, false, "Premature end of file?", "", 0},
      // The first comment only, printable; an EXIF block after it empties it.
      {jpegSections({section(0xFE, {'l', 'i', 'n', 'e', '\r', '\n', 'a', '\r', 'b', 1, '\t', 'e',
                                    0x80, '\n'}),
                     section(0xFE, second)}),
       true, false, "", "line\na?b?\te?\n"},
      {jpegSections({section(0xFE, Bytes(1200, 'x'))}), true, false, "", std::string(998, 'x')},
      {jpegSections({section(0xFE, second), section(0xE1, Tiff{{{shortTag(0x0112, 1)}}}.app1())}),
       true, true, ""},
      {exifJpeg(with(good, 5, 1)), true, false, "Incorrect Exif header"},
      {exifJpeg(with(good, 10, 7)), true, false, "Suspicious offset of first IFD value"},
      {exifJpeg(with(good, 10, 17)), true, false, "Suspicious offset of first IFD value"},
      {exifJpeg(cut(good, 5)), true, false, "Incorrect Exif header"},
      {exifJpeg(cut(good, 13)), true, false, "Suspicious offset of first IFD value"},
      // A value starting in the block and running past its end.
      {exifJpeg(Tiff{{{Entry{0x829A, 5, 3, {{4, 8}}}}}}.app1()), true, false,
       "Illegal pointer offset value in EXIF."},
      {exifJpeg(atEnd.app1()), true, true, "Illegally sized directory"},
      // A thumbnail beyond the block is ignored.
      {exifJpeg(
           Tiff{{{Entry{0x0201, 4, 1, {{4, 20}}}, Entry{0x0202, 4, 1, {{4, 100000}}}}}}.app1()),
       true, true, ""},
      {exifJpeg(cut(noLink, noLink.size() - 4)), true, true, ""},  // a last directory needs no link
      // User comments: after the character code, trailing spaces cut, 199 at most.
      {comment(std::string("ASCII\0\0\0note", 12)), true, true, "", "note"},
      {comment(std::string("ASCII   \0\0", 10)), true, true, ""},  // nothing after the code
      {comment("plain text  "), true, true, "", "plain text"},
      {comment(std::string(300, 'c')), true, true, "", std::string(199, 'c')},
  };
  for (const auto& c : cases) {
    Result result = read(c.bytes);
    EXPECT_EQ(std::tuple(result.ok, result.info.isExif, result.error,
                         std::string(result.info.comment), result.info.process),
              std::tuple(c.ok, c.exif, c.error, c.comment, c.process));
    EXPECT_EQ(result.info.thumbnail, nullptr);
  }
}

// The resolution of a real JPEG reaches the image, unless the reader fails
// (here on too many sections), when the picture still decodes.
TEST(ExifReader, ResolutionReachesTheImage) {
  // x, y and unit in the file (0: none), x = 0: too many sections.
  const int cases[][5] = {{300, 200, 2, 300, 200},
                          {120, 0, 3, int(120.0f / 0.3937008f), 96},
                          {120, 0, 0, 96, 96},
                          {0, 0, 0, 96, 96}};
  for (const auto& [x, y, unit, horizontal, vertical] : cases) {
    Tiff b{{{rationalTag(0x011A, x, 1)}}};
    if (y) b.directories[0].push_back(rationalTag(0x011B, y, 1));
    if (unit) b.directories[0].push_back(shortTag(0x0128, uint16_t(unit)));
    JpegSpec spec{8, 8};
    spec.markers = {{0xE1, b.app1()}};
    if (!x) spec.markers.assign(25, {0xE2, {0}});
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, encodeJpeg(spec), ImageFormatJpeg));
    EXPECT_EQ(image.exifInfo.isExif, x != 0);
    EXPECT_EQ(std::tuple(image.horizontalResolution, image.verticalResolution),
              std::tuple(horizontal, vertical));
    EXPECT_EQ(image.exifInfo.thumbnail, nullptr);  // the reader's sections are gone
  }
}

std::vector<std::string> malformedFiles(const std::string& target) {
  std::vector<std::string> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(QUORVEX_SOURCE_DIR "/tests/malformed/" + target))
    if (entry.path().filename().string().rfind("regress-", 0) != 0)
      files.push_back(entry.path().string());
  EXPECT_GE(files.size(), 10u);
  return files;
}

TEST(MalformedFiles, PicturesFailToDecode) {
  for (const std::string& path : malformedFiles("image_decode")) {
    std::vector<uint8_t> bytes = testfiles::readBytes(path);
    RasterImage image, loaded;
    MemoryImageStream stream(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(image.decode(stream, ImageFormatUnknown)) << path;
    EXPECT_FALSE(loaded.load(path, ImageFormatJpeg)) << path;  // with the fallback too
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(image.lastError.empty()) << path;
    EXPECT_EQ(image.width(), 0) << path;
  }
}

// Each crafted EXIF file with the check it must fall foul of.
TEST(MalformedFiles, ExifBlocksAreNotAccepted) {
  const std::map<std::string, std::string> reasons = {
      {"alignment.jpg", "Invalid Exif alignment marker."},
      {"count-wraps.jpg", "Illegal pointer offset value in EXIF."},
      {"deep-chain.jpg", "EXIF directories nested too deep"},
      {"entry-count-beyond.jpg", "Illegally sized directory"},
      {"first-directory-offset.jpg", "Suspicious offset of first IFD value"},
      {"format-zero.jpg", "Illegal format code in EXIF dir"},
      {"length-below-two.jpg", "invalid marker"},
      {"next-link-loop.jpg", "EXIF directory linked twice"},
      {"no-image.jpg", "No image in jpeg!"},
      {"not-jpeg.jpg", "Not a JPEG file"},
      {"short-tiff-header.jpg", "Invalid Exif start (1)"},
      {"subdirectory-beyond.jpg", "Illegal subdirectory link"},
      {"subdirectory-links-parent.jpg", "EXIF directory linked twice"},
      {"too-many-directories.jpg", "Too many EXIF directories"},
      {"too-many-sections.jpg", "Too many sections in jpg file"},
      {"too-much-padding.jpg", "too many padding bytes"},
      {"truncated-section.jpg", "Premature end of file?"},
      {"value-offset-beyond.jpg", "Illegal pointer offset value in EXIF."},
  };
  for (const std::string& path : malformedFiles("exif")) {
    Result result = read(testfiles::readBytes(path));
    EXPECT_FALSE(result.ok && result.info.isExif) << path;
    auto reason = reasons.find(std::filesystem::path(path).filename().string());
    ASSERT_NE(reason, reasons.end()) << path << ": " << result.error;
    EXPECT_EQ(result.error, reason->second) << path;
  }
}

// 32 x 16, quadrants red, green (top), blue, white (bottom), with an EXIF
// orientation unless it is 0.
Bytes quadrantPhoto(int orientation) {
  JpegSpec spec = quadrantSpec(32, 16);
  if (orientation)
    spec.markers.push_back(
        {JPEG_APP0 + 1, Tiff{{{shortTag(0x0112, uint16_t(orientation))}}}.app1()});
  return encodeJpeg(spec);
}

// The colours of the top left, top right, bottom left and bottom right
// pixels as letters R, G, B, W.
std::string corners(const RasterImage& image) {
  const int w = image.width() - 1, h = image.height() - 1;
  std::string letters;
  for (auto [x, y] : {std::pair(0, h), {w, h}, {0, 0}, {w, 0}}) {  // rows bottom up
    const RgbQuad c = image.pixelColor(x, y);
    letters += c.red > 128 ? (c.green > 128 ? 'W' : 'R') : c.green > 128 ? 'G' : 'B';
  }
  return letters;
}

// Data cut short is libjpeg's warning: the rows read are shown. (A file cut
// before its first scan is a libjpeg error: header-only.jpg.)
TEST(UserPictures, CutOffJpegShowsWhatWasRead) {
  for (bool progressive : {false, true}) {
    JpegSpec spec{64, 64};
    spec.sample = [](int x, int y, int c) { return (x * 4 + y * 3 * c + (x ^ y) * 7) & 255; };
    spec.progressive = progressive;
    spec.quality = 90;
    const Bytes whole = encodeJpeg(spec);
    RasterImage full, cut;
    ASSERT_TRUE(decodeBytes(full, whole, ImageFormatJpeg));
    ASSERT_TRUE(
        decodeBytes(cut, {whole.begin(), whole.end() - long(whole.size() / 4)}, ImageFormatJpeg))
        << progressive << cut.lastError;
    EXPECT_EQ(cut.width(), 64);
    if (!progressive) {  // the top row (stored last) is whole
      EXPECT_TRUE(std::equal(cut.row(63), cut.row(63) + 64 * 3, full.row(63)));
    }
  }
}

TEST(UserPictures, ExifOrientationTurnsThePicture) {
  const char* expected[] = {"RGBW", "RGBW", "GRWB", "WBGR", "BWRG", "RBGW", "BRWG", "WGBR", "GWRB"};
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, quadrantPhoto(orientation), ImageFormatJpeg));
    EXPECT_EQ(image.exifInfo.orientation, orientation);
    ASSERT_TRUE(applyOrientation(image, image.exifInfo.orientation));
    const bool turned = orientation >= 5;
    EXPECT_EQ(image.width(), turned ? 16 : 32);
    EXPECT_EQ(corners(image), expected[orientation]);
  }
}

// Pages and thumbnails are turned unless "AutoRotate" is 0.
TEST(UserPictures, SlideTexturesFollowAutoRotate) {
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  writeFile(dir.file("photo.jpg"), quadrantPhoto(6));
  for (bool autoRotate : {true, false})
    for (bool thumbnail : {false, true}) {
      viewer.autoRotate = autoRotate;
      SlideTexture texture(dir.file("photo.jpg").c_str(), true, thumbnail);
      EXPECT_EQ(texture.width, autoRotate ? 16 : 32) << autoRotate << thumbnail;
    }
  viewer.autoRotate = true;
}

// Every pixel different: red from x, green from y (top-down), blue mixed.
int patterned(int x, int y, int c) {
  const int channels[4] = {x * 7, y * 5, x * 3 + y * 11, 40 + (x + y) % 200};
  return channels[c] % 256;
}

// The texels as the per-texel rule gives them: pixelColor and alphaAt of
// the image at every texel, the image decoded (and shrunk) as the texture's
// was.
std::vector<uint8_t> texelsByRule(const std::string& path, const SlideTexture& texture) {
  RasterImage image;
  EXPECT_TRUE(image.load(path, ImageFormatUnknown)) << image.lastError;
  EXPECT_EQ(texture.hasAlpha, image.hasAlphaPlane() ? 1 : 0);
  if (image.width() != texture.width || image.height() != texture.height) {
    EXPECT_TRUE(image.resample(texture.width, texture.height, 1));
  }
  std::vector<uint8_t> texels;
  for (int y = 0; y < texture.textureHeight; ++y)
    for (int x = 0; x < texture.textureWidth; ++x) {
      RgbQuad c = image.pixelColor(x, y);
      texels.insert(texels.end(), {c.red, c.green, c.blue});
      if (texture.hasAlphaChannel()) texels.push_back(image.alphaAt(x, y));
    }
  return texels;
}

// The texture's level 0 as GL holds it, in its own format.
std::vector<uint8_t> uploadedTexels(SlideTexture& texture) {
  texture.bind();
  return gltest::boundTextureTexels(texture.hasAlphaChannel());
}

// A parameter of the bound texture, or of one of its levels.
GLint textureParameter(GLenum name, int level = -1) {
  GLint value = 0;
  if (level < 0) glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  if (level >= 0) glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
  return value;
}

// Every test has a GL window and a folder for its files.
class SlideTextures : public testing::Test {
 protected:
  void SetUp() override { REQUIRE_GL_WINDOW(); }
  std::string writePng(const std::string& name, const PngSpec& spec) {
    writeFile(dir.file(name), encodePng(spec));
    return dir.file(name);
  }
  testfiles::TempDir dir;
};

// Before the test window makes the first X call.
const bool threadedX = (enableThreadedX(), true);

// Pictures prepared on a worker and uploaded in the uploader's context are,
// texel for texel, what the GUI thread makes on the spot; a forgotten
// upload returns its name, and a name taken again is set back.
TEST(TextureUploader, UploadsWhatTheGuiThreadWouldAndReturnsForgottenNames) {
  REQUIRE_GL_WINDOW();
  ASSERT_TRUE(threadedX);
  testfiles::TempDir dir;
  const testfiles::Picture picture = testfiles::makePicture(300, 200, [](int x, int y, uint8_t* p) {
    p[0] = uint8_t(x), p[1] = uint8_t(y * 3), p[2] = uint8_t(x ^ y), p[3] = uint8_t(x + y);
  });
  ASSERT_TRUE(testfiles::writePng(dir.file("alpha.png"), picture, true));
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("photo.jpg"), picture));
  TextureUploader uploader;
  ASSERT_TRUE(uploader.available());
  keepTextureNames(1);
  WorkerPool workers(1);
  ResultQueue results;
  unsigned photoName = 0;
  {
    PicturePreparer preparer(workers, results, &uploader);
    for (const char* name : {"alpha.png", "photo.jpg"}) {
      SCOPED_TRACE(name);
      const std::string path = dir.file(name);
      SlideTexture direct(path.c_str(), true, false);
      preparer.prepare(path, false, 0);
      while (!preparer.isReady(path, false)) results.waitFor(0.05);
      std::unique_ptr<SlideTexture> ahead(preparer.take(path, false));
      EXPECT_EQ(uploadedTexels(*ahead), uploadedTexels(direct));
      EXPECT_EQ(ahead->levelCount, direct.levelCount);
      EXPECT_EQ(ahead->uExtent, direct.uExtent);
      photoName = ahead->textureId;  // kept by the pool when it goes
      clampTextureWrap();            // and set back when it is taken again
    }
    // Made and then forgotten: its name goes back to the pool.
    const std::string path = dir.file("photo.jpg");
    preparer.prepare(path, false, 0);
    while (!preparer.isReady(path, false)) results.waitFor(0.05);
    preparer.forget(path, false);
  }
  PreparedPicture uploaded =
      preparePicture(dir.file("photo.jpg"), true, false, [](bool, int, int) { return true; });
  std::thread worker([&] { EXPECT_TRUE(uploader.upload(uploaded)); });
  worker.join();
  EXPECT_TRUE(uploaded.levels.empty());
  SlideTexture fromPool(std::move(uploaded));
  EXPECT_EQ(fromPool.textureId, photoName);
  EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  uploader.stop();
  PreparedPicture refused =
      preparePicture(dir.file("photo.jpg"), true, false, [](bool, int, int) { return true; });
  EXPECT_FALSE(uploader.upload(refused));
  keepTextureNames(0);
}

TEST_F(SlideTextures, SizesExtentsAndExtensionsOfPicturesAndThumbnails) {
  // ".jpeg" is tried as PNG first, "wrong.png" is a JPEG after all; a
  // picture larger than GL takes is shrunk to the largest side it does.
  const struct {
    std::string name;
    bool thumbnail;
    int width, height, shownWidth, shownHeight, textureWidth, textureHeight;
    float uExtent, vExtent;
    int largest = 0;  // the side GL reports, 0: its own
  } cases[] = {
      {"1024x768.jpg", false, 1024, 768, 1024, 768, 1024, 1024, 1.0f, 0.75f},
      {"800x600.jpg", false, 800, 600, 800, 600, 1024, 1024, 0.78125f, 0.5859375f},
      {"1600x1200.jpg", true, 1600, 1200, 256, 192, 256, 256, 1.0f, 0.75f},
      {"322x100.jpg", true, 322, 100, 255, 79, 256, 128, 255 / 256.0f, 79 / 128.0f},
      {"100x1000.jpg", true, 100, 1000, 25, 256, 64, 256, 25 / 64.0f, 1.0f},
      {"3000x5.jpg", true, 3000, 5, 256, 1, 256, 64, 1.0f, 1 / 64.0f},  // never to nothing
      {"long.jpeg", false, 10, 10, 10, 10, 64, 64, 10 / 64.0f, 10 / 64.0f},
      {"wrong.png", false, 10, 10, 10, 10, 64, 64, 10 / 64.0f, 10 / 64.0f},
      {"1000x500.jpg", false, 1000, 500, 256, 128, 256, 128, 1.0f, 1.0f, 256},
  };
  for (const auto& c : cases) {
    std::string path = dir.file(c.name);
    SCOPED_TRACE(path + (c.thumbnail ? " as thumbnail" : ""));
    testfiles::Picture picture = testfiles::solidPicture(c.width, c.height, 9, 99, 199);
    ASSERT_TRUE(testfiles::writeJpeg(path, picture));
    largestTextureSide = c.largest;
    testing::internal::CaptureStderr();
    SlideTexture texture(path.c_str(), true, c.thumbnail);
    const std::string printed = testing::internal::GetCapturedStderr();
    largestTextureSide = 0;
    EXPECT_EQ(printed, c.largest ? path + ": 1000 x 500 pixels make a texture larger than GL " +
                                       "takes; shown at 256 x 128\n"
                                 : "");
    // Kind, alpha, shown size, texture size, as GL has it too, extents
    // (fractions of powers of two, exact).
    EXPECT_EQ(std::tuple(texture.kind, texture.hasAlpha, texture.width, texture.height,
                         texture.textureWidth, texture.textureHeight,
                         textureParameter(GL_TEXTURE_WIDTH, 0),
                         textureParameter(GL_TEXTURE_HEIGHT, 0), texture.uExtent, texture.vExtent),
              std::tuple(0, 0, c.shownWidth, c.shownHeight, c.textureWidth, c.textureHeight,
                         c.textureWidth, c.textureHeight, c.uExtent, c.vExtent));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureId);  // left bound
    const std::vector<uint8_t> texels = uploadedTexels(texture);
    for (size_t channel : {0, 1, 2}) EXPECT_NEAR(texels[channel], picture.rgba[channel], 4);
  }
}

TEST_F(SlideTextures, TexelsAreThePictureBottomUpPaddedByTheOutsideRule) {
  auto indexed = [](int width, int height, int bitDepth, size_t entries) {
    PngSpec spec{width, height, PNG_COLOR_TYPE_PALETTE, bitDepth,
                 [entries](int x, int y, int) { return int((x * 3 + y) % entries); }};
    for (size_t i = 0; i < entries; ++i)
      spec.palette.push_back({uint8_t(i * 37), uint8_t(255 - i * 13), uint8_t(i * 91)});
    return spec;
  };
  Sample mixed = [](int x, int y, int c) { return (x * 17 + y * 29 + c * 61) % 256; };
  PngSpec keyed = indexed(20, 20, 8, 40);
  keyed.paletteAlpha = {0};  // one transparent entry, the first
  const std::pair<std::string, bool> files[] = {
      // path, thumbnail
      {writePng("rgba.png", {37, 23, PNG_COLOR_TYPE_RGBA, 8, mixed}), false},
      {writePng("rgb.png", {65, 23, PNG_COLOR_TYPE_RGB, 8, mixed}), false},  // 128 wide
      {writePng("eight-bit.png", indexed(70, 3, 8, 200)), false},
      {writePng("keyed.png", keyed), false},
      // Thumbnails: the nearest-pixel shrink.
      {writePng("big.png", {322, 100, PNG_COLOR_TYPE_RGB, 8, patterned}), true},
      {writePng("big-alpha.png", {300, 517, PNG_COLOR_TYPE_RGBA, 8, patterned}), true},
  };
  for (const auto& [path, thumbnail] : files) {
    SCOPED_TRACE(path);
    SlideTexture texture(path.c_str(), true, thumbnail);
    std::vector<uint8_t> got = uploadedTexels(texture), want = texelsByRule(path, texture);
    ASSERT_EQ(got.size(), want.size());
    size_t at = size_t(std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin());
    EXPECT_EQ(at, got.size()) << "byte " << at << ": " << int(got[at]) << " not " << int(want[at]);
  }
}

TEST_F(SlideTextures, UndecodableAndUnknownFilesMakeSixtyFourSquareTextures) {
  testfiles::writeText(dir.file("broken.jpg"), "no picture in here");
  testfiles::writeText(dir.file("picture.bmp"), "BM not decoded at all");
  testfiles::writeText(dir.file("fake.avi"), "not a clip");
  std::vector<uint8_t> failurePattern, black(64 * 64 * 3, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t band = std::abs(x - y) <= 16 ? 0 : 255;  // white with a red diagonal band
      failurePattern.insert(failurePattern.end(), {255, band, band});
    }
  const struct {
    std::string name;
    const std::vector<uint8_t>& texels;
    int kind;
    std::string message;  // the image layer keeps its errors
  } cases[] = {
      {dir.file("broken.jpg"), failurePattern, SlideTexture::Picture, ""},
      {dir.file("missing.png"), failurePattern, SlideTexture::Picture, ""},
      // Not a picture by the extension: nothing is loaded.
      {dir.file("picture.bmp"), black, SlideTexture::Picture, ""},
      {dir.file("noextension"), black, SlideTexture::Picture, ""},
      {dir.file("fake.avi"), black, SlideTexture::Video, "Error: Failed To Open The AVI Stream\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    SlideTexture texture(c.name.c_str(), true, true);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    // Kind, alpha, shown size, texture size, extents.
    EXPECT_EQ(
        std::tuple(texture.kind, texture.hasAlpha, texture.width, texture.height,
                   texture.textureWidth, texture.textureHeight, texture.uExtent, texture.vExtent),
        std::tuple(c.kind, 0, 0, 0, 64, 64, 0.0f, 0.0f));
    texture.startVideo();  // a clip without frames plays nothing
    texture.updateVideo();
    texture.stopVideo();
    EXPECT_EQ(uploadedTexels(texture), c.texels);
  }
}

// Filters, the wrap (left alone) and the levels, each as GLU builds it from
// level 0, up to the first GLU does not have; without mipmaps level 0 only.
TEST_F(SlideTextures, FiltersWrapsLevelsAlignmentAndLifetime) {
  const std::string wide = writePng("wide.png", {100, 50, PNG_COLOR_TYPE_RGB, 8, patterned});
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // whatever the caller had set is kept
  GLuint name = 0;
  for (const auto& [path, mipmaps] :
       {std::pair(wide, true), std::pair(wide, false),
        std::pair(writePng("tall.png", {30, 200, PNG_COLOR_TYPE_RGBA, 8, patterned}), true)}) {
    SCOPED_TRACE(path + (mipmaps ? " with mipmaps" : ""));
    SlideTexture texture(path.c_str(), mipmaps, false);
    name = texture.textureId;
    EXPECT_EQ(
        std::tuple(textureParameter(GL_TEXTURE_MIN_FILTER), textureParameter(GL_TEXTURE_MAG_FILTER),
                   textureParameter(GL_TEXTURE_WRAP_S)),
        std::tuple(mipmaps ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR, GL_LINEAR, GL_REPEAT));
    const bool rgba = texture.hasAlphaChannel();
    const GLenum format = rgba ? GL_RGBA : GL_RGB;
    std::vector<uint8_t> base = uploadedTexels(texture);
    GLuint reference = 0;
    glGenTextures(1, &reference);
    glBindTexture(GL_TEXTURE_2D, reference);
    ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), texture.textureWidth,
                                texture.textureHeight, format, GL_UNSIGNED_BYTE, base.data()),
              0);
    for (int level = 0, width = 1, gotWidth = 0; width > 0; ++level) {
      glBindTexture(GL_TEXTURE_2D, reference);
      std::vector<uint8_t> want = gltest::boundTextureTexels(rgba, &width, level);
      if (level && !mipmaps) want.clear(), width = 0;
      texture.bind();
      EXPECT_EQ(gltest::boundTextureTexels(rgba, &gotWidth, level), want) << "level " << level;
      EXPECT_EQ(gotWidth, width) << "level " << level;
    }
    glDeleteTextures(1, &reference);
    texture.bind();
    clampTextureWrap();
    EXPECT_EQ(std::pair(textureParameter(GL_TEXTURE_WRAP_S), textureParameter(GL_TEXTURE_WRAP_T)),
              std::pair(GL_CLAMP, GL_CLAMP));
  }
  EXPECT_FALSE(glIsTexture(name));  // the texture name goes with the texture
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(SlideTextures, AVideoPlaysIntoItsTextureWithoutMipmaps) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg command";
  std::string path = dir.file("clip.AVI");
  std::string command =
      "ffmpeg -v error -y -nostdin -f lavfi -i \"nullsrc=s=80x48:r=10:d=2,format=gbrp,"
      "geq=r='N*12':g='Y*5':b='X*3'\" -c:v rawvideo -pix_fmt bgr24 '" +
      path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);

  SlideTexture texture(path.c_str(), true, true);  // asks for mipmaps and a thumbnail
  ASSERT_EQ(texture.kind, SlideTexture::Video);
  ASSERT_NE(texture.video, nullptr);
  // Alpha, shown size (a video is never shrunk), texture size, extents,
  // filter, levels, playing.
  EXPECT_EQ(std::tuple(texture.hasAlpha, texture.width, texture.height, texture.textureWidth,
                       texture.textureHeight, texture.uExtent, texture.vExtent,
                       textureParameter(GL_TEXTURE_MIN_FILTER),
                       textureParameter(GL_TEXTURE_WIDTH, 1), texture.isPlaying()),
            std::tuple(0, 80, 48, 128, 64, 80 / 128.0f, 0.75f, GL_LINEAR, 0, false));
  // Stored as opaque RGBA, black before the first frame.
  texture.bind();
  const std::vector<uint8_t> rgba = gltest::boundTextureTexels(true);
  EXPECT_EQ(std::tuple(rgba[0], rgba[3], rgba.back()), std::tuple(0, 255, 255));

  // Time passes by the start stamp: 1.25 s in frame 12; past the length
  // the last frame, and no longer playing.
  texture.startVideo();
  const std::tuple<uint32_t, int, bool> steps[] = {{1250, 12, true}, {2500, 19, false}};
  for (const auto& [elapsed, frame, playing] : steps) {
    glBindTexture(GL_TEXTURE_2D, 0);
    texture.videoStartTime = timeGetTime() - elapsed;
    texture.updateVideo();  // binds its own texture
    EXPECT_EQ(std::pair(texture.video->currentFrame, texture.isPlaying()),
              std::pair(frame, playing));
    // Texel row 0 is the frame's bottom row; right of the frame, the cleared texture.
    std::vector<uint8_t> texels = uploadedTexels(texture);
    EXPECT_EQ(std::tuple(texels[0], texels[1], texels[80 * 3 + 2]),
              std::tuple(frame * 12, 47 * 5, 0));
  }
  texture.startVideo();  // playing again, until stopped
  const bool restarted = texture.isPlaying();
  texture.stopVideo();
  EXPECT_EQ(std::pair(restarted, texture.isPlaying()), std::pair(true, false));
}

static void toThumbnail(int& width, int& height) {
  const double scale = 256.0 / std::max(width, height);
  if (scale < 1) width = std::max(1, int(width * scale)), height = std::max(1, int(height * scale));
}

TEST(ReducedJpeg, DecodesAtTheSmallestEighthThatKeepsTheTargetSize) {
  testfiles::TempDir dir;
  const struct {
    int width, height, decodedWidth, decodedHeight;
  } cases[] = {
      {4000, 3000, 500, 375},  // 1/8 still holds 256 x 192
      {1600, 1200, 400, 300},  // 1/8 gives 200: 2/8
      {2048, 1536, 256, 192},  // 1/8 is the thumbnail exactly
      {300, 40, 263, 35},      // 256 x 34 wants 7/8
      {200, 100, 200, 100},    // no shrink wanted: the whole picture
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const std::string path = dir.file("p.jpg");
    ASSERT_TRUE(testfiles::writeJpeg(path, testfiles::solidPicture(c.width, c.height, 9, 99, 199)));
    FileImageStream stream(path);
    RasterImage image;
    int fullWidth = 0, fullHeight = 0;
    ASSERT_TRUE(decodeJpegReduced(stream, image, image.escape, toThumbnail, fullWidth, fullHeight));
    EXPECT_EQ(std::tuple(fullWidth, fullHeight, image.width(), image.height()),
              std::tuple(c.width, c.height, c.decodedWidth, c.decodedHeight));
  }
}

}  // namespace
