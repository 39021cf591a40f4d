// Texture pictures read from real PNG and JPEG files (written here through
// libpng and libjpeg), tiled, and cut into mip chains.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "images/encoders.h"
#include "support/captured_stream.h"
#include "support/test_files.h"
#include "texture/texture_data.h"
#include "texture/texture_readers.h"

using encoders::encodeJpeg;
using encoders::encodePng;
using encoders::JpegSpec;
using encoders::PngSpec;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes pixelsOf(const TextureData& data) {
  return Bytes(data.pixels,
               data.pixels + size_t(data.width) * data.height * size_t(bytesPerPixel(data.format)));
}

// What load threw, or "" when it did not throw.
std::string thrownBy(TextureData& data, const std::string& path, bool wantAlpha = true) {
  try {
    data.load(path, wantAlpha);
  } catch (const char* message) {
    return message;
  }
  return "";
}

// A 1 x 2 picture: channel c of the top row is 5 + 10c, of the bottom row
// 45 + 10c; at 16 bits each value is the high byte over a low byte of 0x12.
int sample8(int, int y, int c) {
  return 5 + 40 * y + 10 * c;
}
int sample16(int x, int y, int c) {
  return sample8(x, y, c) << 8 | 0x12;
}
// 16-bit samples as the machine stores them.
Bytes nativeWords(std::initializer_list<uint16_t> values) {
  Bytes bytes(values.size() * 2);
  std::memcpy(bytes.data(), values.begin(), bytes.size());
  return bytes;
}

}  // namespace

TEST(TextureFiles, TheLowerCasedPathChoosesTheReader) {
  // Every file holds PNG bytes: the PNG reader reads them, the JPEG reader
  // throws libjpeg's complaint about them.
  testfiles::TempDir dir;
  Bytes png = encodePng(PngSpec{1, 2, PNG_COLOR_TYPE_RGB, 8, sample8});
  struct Case {
    const char* name;
    const char* reader;  // "png", "jpeg" or "" (none)
  };
  const Case cases[] = {
      {"a.PNG", "png"},   {"image.png.bak", "png"}, {"both.png.jpg", "png"}, {"b.JPG", "jpeg"},
      {"c.Jpeg", "jpeg"}, {"d.jif", "jpeg"},        {"e.JFIF", "jpeg"},      {"f.gif", ""},
      {"png", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(c.name);
    encoders::writeFile(path, png);
    TextureData data;
    CapturedStream log(std::clog);
    std::string thrown = thrownBy(data, path);
    EXPECT_EQ(data.fileName, path);
    EXPECT_EQ(data.hasPixels, std::string(c.reader) == "png");
    EXPECT_EQ(thrown.rfind("Not a JPEG file", 0) == 0, std::string(c.reader) == "jpeg") << thrown;
    EXPECT_EQ(log.text(),
              *c.reader ? "" : "no subroutine knows that file extension (" + path + ")\n");
  }
}

// A 1 x 2 PNG of the colour type and depth.
static PngSpec png(int colorType, int bitDepth, encoders::Sample sample = sample8) {
  return PngSpec{1, 2, colorType, bitDepth, sample};
}

TEST(TextureFiles, PngLayoutsComeOutInTheirFormat) {
  auto index = [](int, int y, int) { return y; };
  PngSpec palette = png(PNG_COLOR_TYPE_PALETTE, 1, index), keyed = palette,
          interlaced = png(PNG_COLOR_TYPE_RGBA, 8);
  palette.palette = keyed.palette = {{1, 2, 3}, {4, 5, 6}};
  keyed.paletteAlpha = {128};
  interlaced.interlaced = true;
  const int rgb = PNG_COLOR_TYPE_RGB, grey = PNG_COLOR_TYPE_GRAY,
            greyAlpha = PNG_COLOR_TYPE_GRAY_ALPHA;
  struct Case {
    const char* what;
    PngSpec spec;
    bool wantAlpha;
    int format;
    Bytes pixels;  // top row first
  };
  const Case cases[] = {
      {"rgb", png(rgb, 8), false, GL_RGB, {5, 15, 25, 45, 55, 65}},
      {"rgb, alpha asked", png(rgb, 8), true, GL_RGBA, {5, 15, 25, 255, 45, 55, 65, 255}},
      {"interlaced rgba", interlaced, false, GL_RGBA, {5, 15, 25, 35, 45, 55, 65, 75}},
      {"palette", palette, false, GL_RGB, {1, 2, 3, 4, 5, 6}},
      {"palette with tRNS", keyed, false, GL_RGBA, {1, 2, 3, 128, 4, 5, 6, 255}},
      {"grey", png(grey, 8), false, GL_LUMINANCE, {5, 45}},
      {"grey, alpha asked", png(grey, 8), true, GL_RGBA, {5, 5, 5, 255, 45, 45, 45, 255}},
      {"grey and alpha", png(greyAlpha, 8), false, GL_LUMINANCE_ALPHA, {5, 15, 45, 55}},
      {"1-bit grey", png(grey, 1, index), false, GL_LUMINANCE, {0, 255}},
      {"4-bit grey",
       png(grey, 4, [](int, int y, int) { return 3 + 9 * y; }),
       false,
       GL_LUMINANCE,
       {51, 204}},
      {"16-bit rgb", png(rgb, 16, sample16), false, GL_RGB, {5, 15, 25, 45, 55, 65}},
      {"16-bit grey and alpha", png(greyAlpha, 16, sample16), false, sixteenBitSamples,
       nativeWords({0x0512, 0x0f12, 0x2d12, 0x3712})},
      {"16-bit grey and alpha, alpha asked",
       png(greyAlpha, 16, sample16),
       true,
       GL_RGBA,
       {5, 5, 5, 15, 45, 45, 45, 55}},
  };
  testfiles::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.file("picture.png");
    encoders::writeFile(path, encodePng(c.spec));
    TextureData data;
    ASSERT_EQ(thrownBy(data, path, c.wantAlpha), "");
    ASSERT_TRUE(data.hasPixels);
    EXPECT_EQ(std::pair(data.width, data.height), std::pair(1u, 2u));
    EXPECT_EQ(data.format, c.format);
    EXPECT_EQ(pixelsOf(data), c.pixels);
  }
}

TEST(TextureFiles, GreyJpegComesOutAsRgbTopRowFirst) {
  testfiles::TempDir dir;
  std::string path = dir.file("grey.jpg");
  // Top half dark, bottom half light, 8 x 16 so that each half is one block.
  encoders::writeFile(path, encodeJpeg(JpegSpec{8, 16, encoders::JpegColors::Grey,
                                                [](int, int y, int) { return y < 8 ? 20 : 230; }}));
  for (bool wantAlpha : {false, true}) {
    SCOPED_TRACE(wantAlpha);
    TextureData data;
    ASSERT_EQ(thrownBy(data, path, wantAlpha), "");
    EXPECT_EQ(data.format, wantAlpha ? GL_RGBA : GL_RGB);
    ASSERT_EQ(data.width * data.height, 128u);
    int channels = bytesPerPixel(data.format);
    for (unsigned y : {0u, 15u}) {
      const uint8_t* pixel = data.pixels + size_t(y) * 8 * channels + 5 * channels;
      EXPECT_NEAR(pixel[0], y ? 230 : 20, 2);
      EXPECT_EQ(pixel[1], pixel[0]);
      EXPECT_EQ(pixel[2], pixel[0]);
      if (wantAlpha) {
        EXPECT_EQ(pixel[3], 255);
      }
    }
  }
}

TEST(TextureFiles, FailuresThrowTheirMessageAndLeaveNoPicture) {
  testfiles::TempDir dir;
  Bytes png = encodePng(PngSpec{4, 4, PNG_COLOR_TYPE_RGB, 8, sample8});
  Bytes jpeg = encodeJpeg(JpegSpec{16, 16, encoders::JpegColors::Rgb, sample8});
  Bytes badCrc = png;
  badCrc[29] ^= 1;  // the IHDR checksum
  struct Case {
    const char* name;
    Bytes bytes;  // none: the file is missing
    const char* message;
  };
  const Case cases[] = {
      {"missing.png", {}, "can't open png file"},
      {"missing.jpg", {}, "can't open jpeg file"},
      {"crc.png", badCrc, "error reading png file"},
      {"cut.png", Bytes(png.begin(), png.end() - 20), "error reading png file"},
      {"junk.jpg", Bytes(64, 0x41), "Not a JPEG file: starts with 0x41 0x41"},
      {"cut.jpg", Bytes(jpeg.begin(), jpeg.end() - 40), "Premature end of JPEG file"},
      {"wide.png", encodePng(PngSpec{maxPictureSide + 1, 1}),
       "Picture too large: 16385 x 1 pixels (at most 16384 a side and 268435456 pixels)"},
      {"wide.jpg", encodeJpeg(JpegSpec{maxPictureSide + 1, 1}), "Picture too large: 16385 x 1"},
  };
  std::string good = dir.file("good.png");
  encoders::writeFile(good, png);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(c.name);
    if (!c.bytes.empty()) encoders::writeFile(path, c.bytes);
    TextureData data;
    ASSERT_TRUE(data.load(good, true));
    std::string thrown = thrownBy(data, path);
    EXPECT_EQ(thrown.rfind(c.message, 0), 0u) << thrown;
    EXPECT_FALSE(data.hasPixels);
    EXPECT_EQ(data.pixels, nullptr);
    EXPECT_TRUE(data.load(good, true));
  }
}

TEST(TextureFiles, ReadersRunOnSeveralThreadsAtOnce) {
  // Built with ThreadSanitizer, this shows that the readers share no state.
  testfiles::TempDir dir;
  const std::string png = dir.file("a.png"), jpeg = dir.file("a.jpg"), junk = dir.file("b.jpg");
  encoders::writeFile(png, encodePng(PngSpec{16, 16, PNG_COLOR_TYPE_RGB, 8, sample8}));
  encoders::writeFile(jpeg, encodeJpeg(JpegSpec{16, 16, encoders::JpegColors::Rgb, sample8}));
  encoders::writeFile(junk, Bytes(64, 0x41));
  int wrong[4] = {};
  std::vector<std::thread> threads;
  for (int& count : wrong)
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i) {
        TextureData data;
        count += !data.load(png, true) + !data.load(jpeg, true) + (data.width != 16);
        count += thrownBy(data, junk).rfind("Not a JPEG file", 0) != 0;
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int count : wrong) EXPECT_EQ(count, 0);
}

TEST(TextureData, TileRepeatsTheSourceAcrossAndDown) {
  TextureData source;
  ASSERT_TRUE(source.create(2, 1, GL_RGB));
  const Bytes row = {1, 2, 3, 4, 5, 6};
  std::memcpy(source.pixels, row.data(), row.size());
  TextureData tiled;
  ASSERT_TRUE(tiled.tile(source, 3, 2));
  EXPECT_EQ(tiled.width, 6u);
  EXPECT_EQ(tiled.height, 2u);
  EXPECT_EQ(tiled.format, GL_RGB);
  Bytes expected;
  for (int i = 0; i < 6; ++i) expected.insert(expected.end(), row.begin(), row.end());
  EXPECT_EQ(pixelsOf(tiled), expected);

  // Tiled onto itself, the picture is read before it is replaced.
  ASSERT_TRUE(tiled.tile(tiled, 1, 2));
  EXPECT_EQ(tiled.height, 4u);
  expected.insert(expected.end(), expected.begin(), expected.end());
  EXPECT_EQ(pixelsOf(tiled), expected);
}

TEST(TextureData, RefusesPicturesItCannotMake) {
  TextureData empty, small;
  ASSERT_TRUE(small.create(2, 2, GL_RGBA));
  struct Case {
    const char* what;
    const TextureData& source;
    int countX, countY;
  };
  const Case tiles[] = {{"no source picture", empty, 2, 2},
                        {"no copies", small, 0, 3},
                        {"negative copies", small, -1, 3},
                        {"beyond the caps", small, maxPictureSide, 1}};
  for (const Case& c : tiles) {
    SCOPED_TRACE(c.what);
    TextureData data;
    ASSERT_TRUE(data.create(1, 1, GL_RGB));
    EXPECT_FALSE(data.tile(c.source, c.countX, c.countY));
    EXPECT_FALSE(data.hasPixels);
  }
  TextureData data;
  EXPECT_FALSE(data.create(0, 4, GL_RGB));
  EXPECT_FALSE(data.create(maxPictureSide, maxPictureSide + 1, GL_RGB));
  EXPECT_FALSE(data.loadResource("logo", nullptr, true));  // this build has no resources
  EXPECT_FALSE(data.hasPixels);
}

TEST(MipmapData, ChainsOfSixtyFourAreCutIntoSevenLevels) {
  // Pixel (x, y) of the chain picture holds red x, green y, so each level
  // shows where it was taken from.
  auto position = [](int x, int y, int c) { return c == 0 ? x : c == 1 ? y : 0; };
  const unsigned starts[] = {0, 64, 96, 112, 120, 124, 126};  // rows or columns
  testfiles::TempDir dir;
  for (bool stacked : {true, false}) {
    SCOPED_TRACE(stacked ? "64 x 127, stacked" : "127 x 64, side by side");
    std::string path = dir.file("chain.png");
    encoders::writeFile(path, encodePng(PngSpec{stacked ? 64 : 127, stacked ? 127 : 64,
                                                PNG_COLOR_TYPE_RGB, 8, position}));
    MipmapData levels;
    ASSERT_TRUE(levels.load(path, false));
    EXPECT_EQ(levels.width, 64u);
    EXPECT_EQ(levels.height, 64u);
    ASSERT_EQ(levels.levelCount, 7);
    size_t offset = 0;
    for (int i = 0; i < 7; ++i) {
      unsigned side = 64u >> i;
      EXPECT_EQ(levels.levelOffset(i), offset) << i;
      for (unsigned y = 0; y < side; ++y)
        for (unsigned x = 0; x < side; ++x) {
          const uint8_t* pixel = levels.pixels + offset + (y * side + x) * 3;
          ASSERT_EQ(pixel[0], x + (stacked ? 0 : starts[i])) << i;
          ASSERT_EQ(pixel[1], y + (stacked ? starts[i] : 0)) << i;
        }
      offset += side * side * 3;
    }
    EXPECT_FALSE(levels.tile(levels, 1, 1));
    EXPECT_FALSE(levels.create(4, 4, GL_RGB));
  }
  // A chain whose level 0 is no power of two: 4 x 3, then 2 x 1 and 1 x 1.
  std::string path = dir.file("odd.png");
  encoders::writeFile(path, encodePng(PngSpec{4, 5, PNG_COLOR_TYPE_RGB, 8, position}));
  MipmapData levels;
  ASSERT_TRUE(levels.load(path, false));
  EXPECT_EQ(levels.levelCount, 3);
  EXPECT_EQ(levels.levelOffset(2), (4u * 3 + 2 * 1) * 3);
  EXPECT_EQ(levels.pixels[levels.levelOffset(2) + 1], 4);  // taken from the last row
}

TEST(TextureMemory, MalformedFilesThrowFromTheirReader) {
  int count = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(QUORVEX_SOURCE_DIR "/tests/malformed/texture_data")) {
    const std::string path = entry.path().string(), extension = entry.path().extension().string();
    Bytes bytes = testfiles::readBytes(path);
    unsigned width = 0, height = 0;
    int format = 0;
    if (extension != ".jpg") {
      EXPECT_ANY_THROW(readPng(bytes.data(), width, height, format, false, true, bytes.size()))
          << path;
    }
    if (extension != ".png") {
      EXPECT_ANY_THROW(readJpeg(bytes.data(), width, height, true, false, bytes.size())) << path;
    }
    ++count;
  }
  EXPECT_GE(count, 10);
}
