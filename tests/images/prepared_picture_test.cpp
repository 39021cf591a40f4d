// Thumbnails of JPEGs decoded at the scale that still holds them.
#include "images/prepared_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "images/image_stream.h"
#include "images/jpeg_decoder.h"
#include "images/raster_image.h"
#include "support/test_files.h"

using testfiles::TempDir;

namespace {

testfiles::Picture gradient(int width, int height) {
  return testfiles::makePicture(width, height, [](int x, int y, uint8_t* rgba) {
    rgba[0] = uint8_t(x), rgba[1] = uint8_t(y * 3), rgba[2] = uint8_t(x ^ y), rgba[3] = 255;
  });
}

void toThumbnail(int& width, int& height) {
  const double scale = 256.0 / std::max(width, height);
  if (scale < 1) width = std::max(1, int(width * scale)), height = std::max(1, int(height * scale));
}

TEST(ReducedJpeg, DecodesAtTheSmallestEighthThatKeepsTheTargetSize) {
  TempDir dir;
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
    ASSERT_TRUE(testfiles::writeJpeg(path, gradient(c.width, c.height)));
    FileImageStream stream(path);
    RasterImage image;
    int fullWidth = 0, fullHeight = 0;
    ASSERT_TRUE(decodeJpegReduced(stream, image, image.escape, toThumbnail, fullWidth, fullHeight));
    EXPECT_EQ(std::tuple(fullWidth, fullHeight, image.width(), image.height()),
              std::tuple(c.width, c.height, c.decodedWidth, c.decodedHeight));
  }
}

}  // namespace
