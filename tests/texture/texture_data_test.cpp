// Texture pictures read from real PNG and JPEG files (written here through
// libpng and libjpeg), tiled, and cut into mip chains.
#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "images/encoders.h"
#include "support/captured_stream.h"
#include "support/test_files.h"
#include "texture/texture_data.h"
#include "texture/texture_readers.h"

using namespace encoders;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes pixelsOf(const TextureData& data) {
  return Bytes(data.pixels,
               data.pixels + size_t(data.width) * data.height * size_t(bytesPerPixel(data.format)));
}

// Writes bytes (none: no file) to path and loads it: what load threw, or "".
std::string thrownBy(TextureData& data, const std::string& path, const Bytes& bytes,
                     bool wantAlpha = true) {
  if (!bytes.empty()) writeFile(path, bytes);
  try {
    data.load(path, wantAlpha);
  } catch (const char* message) {
    return message;
  }
  return "";
}

// Channel c of row y is 5 + 40y + 10c; at 16 bits it is the high byte over
// a low byte of 0x12.
int sample8(int, int y, int c) {
  return 5 + 40 * y + 10 * c;
}
int sample16(int x, int y, int c) {
  return sample8(x, y, c) << 8 | 0x12;
}

// A 1 x 2 PNG of the colour type and depth.
Bytes png(int colorType, int bitDepth, Sample sample = sample8) {
  return encodePng(PngSpec{1, 2, colorType, bitDepth, sample});
}

}  // namespace

TEST(TextureFiles, PngLayoutsAndGreyJpegComeOutInTheirFormatTopRowFirst) {
  auto index = [](int, int y, int) { return y; };
  PngSpec palette{1, 2, PNG_COLOR_TYPE_PALETTE, 1, index},
      keyed = palette, interlaced{1, 2, PNG_COLOR_TYPE_RGBA, 8, sample8};
  palette.palette = keyed.palette = {{1, 2, 3}, {4, 5, 6}};
  keyed.paletteAlpha = {128};
  interlaced.interlaced = true;
  const int rgb = PNG_COLOR_TYPE_RGB, grey = PNG_COLOR_TYPE_GRAY, ga = PNG_COLOR_TYPE_GRAY_ALPHA;
  // 16-bit samples as the machine stores them.
  const uint16_t words[] = {0x0512, 0x0f12, 0x2d12, 0x3712};
  Bytes native(8);
  std::memcpy(native.data(), words, 8);
  // 1 x 16 grey, dark above light: each half fills a block of its own, so
  // it decodes exactly, as RGB.
  const Bytes jpeg = encodeJpeg(
      JpegSpec{1, 16, JpegColors::Grey, [](int, int y, int) { return y < 8 ? 20 : 230; }});
  auto halves = [](const Bytes& dark, const Bytes& light) {
    Bytes rows;
    for (int y = 0; y < 16; ++y) rows = rows + (y < 8 ? dark : light);
    return rows;
  };
  const struct {
    Bytes file;
    bool wantAlpha;
    int format;
    Bytes pixels;  // top row first
  } cases[] = {
      {png(rgb, 8), false, GL_RGB, {5, 15, 25, 45, 55, 65}},
      {encodePng(interlaced), false, GL_RGBA, {5, 15, 25, 35, 45, 55, 65, 75}},
      {encodePng(palette), false, GL_RGB, {1, 2, 3, 4, 5, 6}},
      {encodePng(keyed), false, GL_RGBA, {1, 2, 3, 128, 4, 5, 6, 255}},
      {png(grey, 8), false, GL_LUMINANCE, {5, 45}},
      {png(grey, 8), true, GL_RGBA, {5, 5, 5, 255, 45, 45, 45, 255}},
      {png(ga, 8), false, GL_LUMINANCE_ALPHA, {5, 15, 45, 55}},
      {png(grey, 4, [](int, int y, int) { return 3 + 9 * y; }), false, GL_LUMINANCE, {51, 204}},
      {png(rgb, 16, sample16), false, GL_RGB, {5, 15, 25, 45, 55, 65}},
      {png(ga, 16, sample16), false, sixteenBitSamples, native},
      {png(ga, 16, sample16), true, GL_RGBA, {5, 5, 5, 15, 45, 45, 45, 55}},
      {jpeg, false, GL_RGB, halves({20, 20, 20}, {230, 230, 230})},
      {jpeg, true, GL_RGBA, halves({20, 20, 20, 255}, {230, 230, 230, 255})},
  };
  testfiles::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    const bool isJpeg = c.file == jpeg;
    TextureData data;
    ASSERT_EQ(thrownBy(data, dir.file(isJpeg ? "p.jpg" : "p.png"), c.file, c.wantAlpha), "");
    EXPECT_EQ(std::pair(data.width, data.height), std::pair(1u, isJpeg ? 16u : 2u));
    EXPECT_EQ(data.format, c.format);
    EXPECT_EQ(pixelsOf(data), c.pixels);
  }
}

TEST(TextureFiles, TheLowerCasedPathChoosesTheReaderAndFailuresLeaveNoPicture) {
  testfiles::TempDir dir;
  const Bytes good = encodePng(PngSpec{4, 4, PNG_COLOR_TYPE_RGB, 8, sample8});
  const Bytes jpeg = encodeJpeg(JpegSpec{16, 16, JpegColors::Rgb, sample8});
  const std::string notJpeg = "Not a JPEG file",
                    unknown = "no subroutine knows that file extension";
  const struct {
    const char* name;
    Bytes bytes;         // none: the file is missing
    std::string thrown;  // or else logged; none: read
  } cases[] = {
      // PNG bytes: the PNG reader reads them, the JPEG reader refuses them.
      {"a.PNG", good, ""},
      {"both.png.jpg", good, ""},
      {"b.JPG", good, notJpeg},
      {"c.Jpeg", good, notJpeg},
      {"d.jif", good, notJpeg},
      {"e.JFIF", good, notJpeg},
      {"f.gif", good, unknown},
      {"png", good, unknown},
      {"missing.png", {}, "can't open png file"},
      {"missing.jpg", {}, "can't open jpeg file"},
      {"cut.png", Bytes(good.begin(), good.end() - 20), "error reading png file"},
      {"junk.jpg", Bytes(64, 0x41), notJpeg + ": starts with 0x41 0x41"},
      {"cut.jpg", Bytes(jpeg.begin(), jpeg.end() - 40), "Premature end of JPEG file"},
      {"wide.png", encodePng(PngSpec{maxPictureSide + 1, 1}),
       "Picture too large: 16385 x 1 pixels (at most 16384 a side and 268435456 pixels)"},
      {"tall.jpg", encodeJpeg(JpegSpec{1, maxPictureSide + 1}), "Picture too large: 1 x 16385"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TextureData data;
    ASSERT_EQ(thrownBy(data, dir.file("good.png"), good), "");
    CapturedStream log(std::clog);
    const std::string path = dir.file(c.name), thrown = thrownBy(data, path, c.bytes);
    const std::string said = thrown.empty() ? log.text() : thrown;
    EXPECT_EQ(said.substr(0, c.thrown.size()), c.thrown);
    EXPECT_EQ(said.empty(), c.thrown.empty()) << said;
    EXPECT_EQ(data.hasPixels, c.thrown.empty());
    EXPECT_EQ(data.pixels == nullptr, !c.thrown.empty());
  }
  // Malformed files of either kind fail alike.
  for (const auto& entry :
       std::filesystem::directory_iterator(QUORVEX_SOURCE_DIR "/tests/malformed/texture_data")) {
    TextureData data;
    CapturedStream log(std::clog);
    const std::string thrown = thrownBy(data, entry.path().string(), {});
    EXPECT_FALSE(thrown.empty() && log.text().empty()) << entry.path();
    EXPECT_FALSE(data.hasPixels) << entry.path();
  }
}

TEST(TextureData, TileRepeatsTheSourceAndRefusesPicturesItCannotMake) {
  TextureData source, tiled, empty;
  ASSERT_TRUE(source.create(2, 1, GL_RGB));
  const Bytes row = {1, 2, 3, 4, 5, 6};
  std::memcpy(source.pixels, row.data(), row.size());
  ASSERT_TRUE(tiled.tile(source, 3, 2));
  EXPECT_EQ(std::tuple(tiled.width, tiled.height, tiled.format), std::tuple(6u, 2u, GL_RGB));
  Bytes expected;
  for (int i = 0; i < 6; ++i) expected.insert(expected.end(), row.begin(), row.end());
  EXPECT_EQ(pixelsOf(tiled), expected);
  // Tiled onto itself, the picture is read before it is replaced.
  ASSERT_TRUE(tiled.tile(tiled, 1, 2));
  expected.insert(expected.end(), expected.begin(), expected.end());
  EXPECT_EQ(pixelsOf(tiled), expected);

  const std::tuple<const TextureData*, int, int> refused[] = {
      {&empty, 2, 2}, {&source, 0, 3}, {&source, 3, 0}, {&source, maxPictureSide, 1}};
  for (auto [from, countX, countY] : refused) {
    ASSERT_TRUE(tiled.create(1, 1, GL_RGB));
    EXPECT_FALSE(tiled.tile(*from, countX, countY)) << countX << " x " << countY;
    EXPECT_FALSE(tiled.hasPixels);
  }
  EXPECT_FALSE(tiled.create(0, 4, GL_RGB));
  EXPECT_FALSE(tiled.create(1, maxPictureSide + 1, GL_RGB));
  EXPECT_FALSE(tiled.hasPixels);
}
