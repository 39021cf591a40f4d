#include "images/prepared_picture.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <thread>

#include "images/image_stream.h"
#include "images/jpeg_decoder.h"
#include "images/raster_image.h"
#include "images/slide_texture.h"
#include "images/texture_pool.h"
#include "support/gl_test_window.h"
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

// Every level of the bound texture.
std::vector<std::vector<uint8_t>> boundLevels(int levels) {
  std::vector<std::vector<uint8_t>> texels;
  for (int level = 0; level < levels; ++level) {
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    texels.emplace_back(size_t(width) * height * 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.back().data());
  }
  return texels;
}

TEST(PreparedPicture, MadeOnAWorkerIntoAReusedNameItIsTheTextureMadeOnTheSpot) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  const std::string first = dir.file("a.png"), second = dir.file("b.png");
  ASSERT_TRUE(testfiles::writePng(first, gradient(90, 70), true));
  ASSERT_TRUE(testfiles::writePng(second, testfiles::solidPicture(100, 100, 1, 2, 3, 4), true));
  keepTextureNames(2);
  GLuint reusedName = 0;
  {
    SlideTexture old(second.c_str(), true, false);  // same shape: its name comes back
    reusedName = old.textureId;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  }
  PreparedPicture prepared;
  std::thread worker(
      [&] { prepared = preparePicture(first, true, false, [](bool, int, int) { return true; }); });
  worker.join();
  SlideTexture fromWorker(std::move(prepared));
  EXPECT_EQ(fromWorker.textureId, reusedName);
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_REPEAT);
  const auto got = boundLevels(fromWorker.levelCount);
  keepTextureNames(0);
  SlideTexture onTheSpot(first.c_str(), true, false);
  EXPECT_EQ(std::tuple(fromWorker.width, fromWorker.height, fromWorker.hasAlpha),
            std::tuple(onTheSpot.width, onTheSpot.height, onTheSpot.hasAlpha));
  EXPECT_EQ(got, boundLevels(onTheSpot.levelCount));
  EXPECT_EQ(got.size(), 8u);  // 128 x 128 down to 1 x 1
}

}  // namespace
