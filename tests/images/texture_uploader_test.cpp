#include "images/texture_uploader.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <thread>

#include "images/picture_preparer.h"
#include "images/prepared_picture.h"
#include "images/slide_texture.h"
#include "images/texture_pool.h"
#include "platform/shared_gl_context.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

// Before the test window makes the first X call.
const bool threadedX = (enableThreadedX(), true);

std::vector<uint8_t> texelsOf(SlideTexture& texture) {
  texture.bind();
  return gltest::boundTextureTexels(texture.hasAlphaChannel());
}

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
      EXPECT_EQ(texelsOf(*ahead), texelsOf(direct));
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
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_REPEAT);
  uploader.stop();
  PreparedPicture refused =
      preparePicture(dir.file("photo.jpg"), true, false, [](bool, int, int) { return true; });
  EXPECT_FALSE(uploader.upload(refused));
  keepTextureNames(0);
}

}  // namespace
