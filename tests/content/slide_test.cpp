// Slides: their pages appended to the page list, and the thumbnail made
// from the "thumbnail" key or from the last page shrunk.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <utility>

#include "content/page_sections.h"
#include "content/slide.h"
#include "images/slide_texture.h"

namespace {

// The thumbnail's file and size; it is clamped at both edges.
void expectThumbnail(const Slide& slide, const std::string& fileName, int width, int height) {
  ASSERT_NE(slide.thumbnail, nullptr);
  EXPECT_EQ(slide.thumbnail->fileName, fileName);
  EXPECT_EQ(slide.thumbnail->width, width);
  EXPECT_EQ(slide.thumbnail->height, height);
  slide.thumbnail->bind();
  for (GLenum axis : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, axis, &wrap);
    EXPECT_EQ(wrap, 0x2900);  // GL_CLAMP
  }
}

// Two pictures, and one page in the list before the slides under test.
struct SlideFixture : pagetest::PageListFixture {
  void SetUp() override {
    pagetest::PageListFixture::SetUp();
    ASSERT_TRUE(
        testfiles::writeJpeg(dir.file("big.jpg"), testfiles::solidPicture(640, 480, 10, 200, 10)));
    ASSERT_TRUE(
        testfiles::writeJpeg(dir.file("small.jpg"), testfiles::solidPicture(100, 50, 10, 10, 200)));
    pages.push_back(SmartPtr<Page>(new Page("before.jpg", base())));
  }
  const DescriptionNode& slideSection(const std::string& inside) {
    EXPECT_TRUE(file.parseText(pagetest::section("Slide", inside)));
    return file.child(0);
  }
  DescriptionFile file;
};

TEST_F(SlideFixture, AppendsItsImagesAndShrinksTheLastPage) {
  using pagetest::section;
  GLuint thumbnailId = 0;
  {
    Slide slide(
        slideSection(pagetest::image("small.jpg") + section("image", "filename=ignored.jpg\n") +
                     section("Sound", "filename=x.wav\n") + pagetest::image("big.jpg")),
        pages, base());
    EXPECT_EQ(std::pair(slide.firstPage, slide.lastPage), std::pair(1, 2));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[1]->fileName, base() + "small.jpg");
    EXPECT_EQ(pages[2]->fileName, base() + "big.jpg");
    EXPECT_FALSE(pages[1]->isLoaded());
    expectThumbnail(slide, base() + "big.jpg", 256, 192);
    thumbnailId = slide.thumbnail->textureId;
  }
  // The slide deletes its thumbnail; the pages belong to the list.
  EXPECT_FALSE(glIsTexture(thumbnailId));
  EXPECT_EQ(pages.size(), 3u);
}

}  // namespace
