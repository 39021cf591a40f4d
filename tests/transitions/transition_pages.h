#pragma once
// Two real pages with real picture textures for drawing transitions into
// the test window, and the GL state the frame sets before a transition.
#include <GL/glew.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/page.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "transitions/transition.h"

namespace transitiontest {

constexpr int windowWidth = 256, windowHeight = 192;

// Page 0: left half red, right half green. Page 1: blue. Both 200 x 150,
// so their textures are padded (extents 0.78125 x 0.5859375).
class TransitionPages : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW(windowWidth, windowHeight);
    const testfiles::Picture halves =
        testfiles::makePicture(200, 150, [](int x, int, uint8_t* rgba) {
          rgba[0] = x < 100 ? 255 : 0;
          rgba[1] = x < 100 ? 0 : 255;
          rgba[2] = 0;
          rgba[3] = 255;
        });
    ASSERT_TRUE(testfiles::writePng(folder.file("from.png"), halves, false));
    ASSERT_TRUE(testfiles::writePng(folder.file("to.png"),
                                    testfiles::solidPicture(200, 150, 0, 0, 255), false));
    addPage("from.png");
    addPage("to.png");
    registerTransitionPages(&pages);
    enterFrameState();
  }

  void TearDown() override { registerTransitionPages(nullptr); }

  void addPage(const std::string& name) {
    SmartPtr<Page> page(new Page(name, folder.path() + "/"));
    page->texture = new SlideTexture(page->fileName.c_str(), true, false);
    pages.push_back(page);
  }

  // What the frame leaves on: texturing, depth test, culling; blending and
  // lighting off, colour white, the page filling the window.
  static void enterFrameState() {
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    gltest::usePageProjection();
  }

  // The capabilities every transition must hand back as it found them.
  static void expectFrameStateKept() {
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  testfiles::TempDir folder;
  PageList pages;
};

inline bool isRed(const gltest::Rgba& c) {
  return c.r > 240 && c.g < 15 && c.b < 15;
}
inline bool isGreen(const gltest::Rgba& c) {
  return c.r < 15 && c.g > 240 && c.b < 15;
}
inline bool isBlue(const gltest::Rgba& c) {
  return c.r < 15 && c.g < 15 && c.b > 240;
}
// Red, green or a blend of them (the seam and the filtered picture
// edges), darkened or not, but not the orange of burn's sparks.
inline bool isOldPage(const gltest::Rgba& c) {
  return c.b < 15 && c.r + c.g > 40 && !(c.r >= 200 && c.g >= 120);
}

// Pixel column of page coordinate x when the page fills the window.
inline int columnOf(float x) {
  return int((x + 0.5f) * windowWidth);
}

}  // namespace transitiontest
