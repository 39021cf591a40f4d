// Slides: their pages appended to the page list, and the thumbnail made
// from the "thumbnail" key or from the last page shrunk.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "content/description_file.h"
#include "content/slide.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

using testfiles::TempDir;

class SlideFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW();
    ASSERT_TRUE(
        testfiles::writeJpeg(dir.file("big.jpg"), testfiles::solidPicture(640, 480, 10, 200, 10)));
    ASSERT_TRUE(
        testfiles::writeJpeg(dir.file("small.jpg"), testfiles::solidPicture(100, 50, 10, 10, 200)));
    ASSERT_TRUE(testfiles::writePng(dir.file("over.png"),
                                    testfiles::solidPicture(300, 200, 250, 250, 0), false));
  }
  void TearDown() override { publishPageList(nullptr); }

  const DescriptionNode& section(const std::string& text) {
    EXPECT_TRUE(file.parseText(text));
    EXPECT_EQ(file.childCount(), 1);
    return file.child(0);
  }
  std::string base() const { return dir.path() + "/"; }

  static GLint boundWrap(GLenum axis) {
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, axis, &wrap);
    return wrap;
  }

  TempDir dir;
  DescriptionFile file;
  PageList pages;
};

TEST_F(SlideFixture, AppendsItsImagesAndShrinksTheLastPage) {
  pages.push_back(SmartPtr<Page>(new Page("before.jpg", base())));
  const DescriptionNode& slideSection = section(
      "<Slide>\n"
      "<Image>\nfilename=small.jpg\n</Image>\n"
      "<image>\nfilename=ignored.jpg\n</image>\n"
      "<Sound>\nfilename=x.wav\n</Sound>\n"
      "<Image>\nfilename=big.jpg\n</Image>\n"
      "</Slide>\n");
  Slide slide(slideSection, pages, base());
  EXPECT_EQ(slide.firstPage, 1);
  EXPECT_EQ(slide.lastPage, 2);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[1]->fileName, base() + "small.jpg");
  EXPECT_EQ(pages[2]->fileName, base() + "big.jpg");
  EXPECT_FALSE(pages[1]->isLoaded());

  ASSERT_NE(slide.thumbnail, nullptr);
  EXPECT_EQ(slide.thumbnail->fileName, base() + "big.jpg");
  EXPECT_EQ(slide.thumbnail->width, 256);
  EXPECT_EQ(slide.thumbnail->height, 192);
  slide.thumbnail->bind();
  EXPECT_EQ(boundWrap(GL_TEXTURE_WRAP_S), 0x2900);  // GL_CLAMP
  EXPECT_EQ(boundWrap(GL_TEXTURE_WRAP_T), 0x2900);
}

TEST_F(SlideFixture, ThumbnailKeyIsUsedAtItsOwnSize) {
  Slide slide(section("<Slide>\nthumbnail=over.png\n<Image>\nfilename=big.jpg\n</Image>\n"
                      "</Slide>\n"),
              pages, base());
  EXPECT_EQ(slide.firstPage, 0);
  EXPECT_EQ(slide.lastPage, 0);
  EXPECT_EQ(slide.thumbnail->fileName, base() + "over.png");
  EXPECT_EQ(slide.thumbnail->width, 300);
  EXPECT_EQ(slide.thumbnail->height, 200);
  slide.thumbnail->bind();
  EXPECT_EQ(boundWrap(GL_TEXTURE_WRAP_S), 0x2900);
}

TEST_F(SlideFixture, WithoutPagesTheThumbnailComesFromAnEmptyName) {
  pages.push_back(SmartPtr<Page>(new Page("before.jpg", base())));
  Slide slide(section("<Slide>\n<Thumbnail>\n</Thumbnail>\n</Slide>\n"), pages, base());
  EXPECT_EQ(slide.firstPage, 1);
  EXPECT_EQ(slide.lastPage, 0);
  EXPECT_EQ(pages.size(), 1u);
  // Not the page before the slide: the empty name, which the texture layer
  // shows as its 64 x 64 failure pattern (red at the first texel).
  ASSERT_NE(slide.thumbnail, nullptr);
  EXPECT_EQ(slide.thumbnail->fileName, "");
  EXPECT_EQ(slide.thumbnail->width, 0);
  EXPECT_EQ(slide.thumbnail->textureWidth, 64);
  EXPECT_EQ(slide.thumbnail->uExtent, 0);
  slide.thumbnail->bind();
  EXPECT_EQ(boundWrap(GL_TEXTURE_WRAP_S), 0x2900);
  std::vector<uint8_t> texels = gltest::boundTextureTexels(false);
  ASSERT_GE(texels.size(), 3u);
  EXPECT_EQ(texels[0], 255);
  EXPECT_EQ(texels[1], 0);
  EXPECT_EQ(texels[2], 0);
}

TEST_F(SlideFixture, OnePageFromABareFileName) {
  pages.push_back(SmartPtr<Page>(new Page("before.jpg", base())));
  Slide slide("big.jpg", pages, base());
  EXPECT_EQ(slide.firstPage, 1);
  EXPECT_EQ(slide.lastPage, 1);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1]->fileName, base() + "big.jpg");
  EXPECT_TRUE(pages[1]->imageObjects.empty());
  EXPECT_TRUE(pages[1]->soundFileName.empty());
  EXPECT_EQ(slide.thumbnail->fileName, base() + "big.jpg");
  EXPECT_EQ(slide.thumbnail->width, 256);
  EXPECT_EQ(slide.thumbnail->height, 192);

  // A small picture is not enlarged for its thumbnail.
  Slide small("small.jpg", pages, base());
  EXPECT_EQ(small.thumbnail->width, 100);
  EXPECT_EQ(small.thumbnail->height, 50);
}

TEST_F(SlideFixture, DestroyingTheSlideDeletesItsThumbnail) {
  GLuint id = 0;
  {
    Slide slide("small.jpg", pages, base());
    id = slide.thumbnail->textureId;
    EXPECT_TRUE(glIsTexture(id));
  }
  EXPECT_FALSE(glIsTexture(id));
  EXPECT_EQ(pages.size(), 1u);  // the page belongs to the list
}

}  // namespace
