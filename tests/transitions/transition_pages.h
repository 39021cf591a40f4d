#pragma once
// Two real pages with real picture textures for drawing transitions into
// the test window, and the GL state the frame sets before a transition.
#include <GL/glew.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "content/description_file.h"
#include "content/page.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "transitions/transition.h"

namespace transitiontest {

// The kind from page `from` to the next, with the default duration.
inline std::unique_ptr<Transition> create(const char* type, int from) {
  return std::unique_ptr<Transition>(
      createTransition(type, DescriptionNode("Transition"), from, from + 1));
}

constexpr int windowWidth = 256, windowHeight = 192;
constexpr int allPixels = windowWidth * windowHeight;

// Every keyword createTransition knows.
constexpr const char* allKinds[] = {"HARD",        "BLEND",     "SCROLL_LEFT", "FLY_LEFT",
                                    "SQUARES_FLY", "PULL_LEFT", "BURN"};

// Page 0: left half red, right half green. Page 1: blue. Both 200 x 150,
// so their textures are padded (extents 0.78125 x 0.5859375).
class TransitionPages : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW(windowWidth, windowHeight);
    const testfiles::Picture halves =
        testfiles::makePicture(200, 150, [](int x, int, uint8_t* rgba) {
          std::memcpy(rgba, x < 100 ? "\xff\0\0\xff" : "\0\xff\0\xff", 4);
        });
    ASSERT_TRUE(testfiles::writePng(folder.file("from.png"), halves, false));
    ASSERT_TRUE(testfiles::writePng(folder.file("to.png"),
                                    testfiles::solidPicture(200, 150, 0, 0, 255), false));
    for (const char* name : {"from.png", "to.png"}) {
      SmartPtr<Page> page(new Page(name, folder.path() + "/"));
      page->texture = new SlideTexture(page->fileName.c_str(), true, false);
      pages.push_back(page);
    }
    registerTransitionPages(&pages);
    enterFrameState();
  }
  void TearDown() override { registerTransitionPages(nullptr); }

  // The kind from page 0 to page 1 with the default duration, started.
  static std::unique_ptr<Transition> make(const char* type) {
    std::unique_ptr<Transition> transition = create(type, 0);
    transition->start();
    return transition;
  }

  // What the frame leaves on: texturing, depth test, culling; blending and
  // lighting off, colour white, the page filling the window.
  static void enterFrameState() {
    glViewport(0, 0, windowWidth, windowHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (GLenum on : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE}) glEnable(on);
    for (GLenum off : {GL_BLEND, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1}) glDisable(off);
    glDepthMask(GL_TRUE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    gltest::usePageProjection();
  }

  // One frame of the transition, drawn from the state the frame leaves.
  static void drawFrame(Transition& transition, float progress) {
    enterFrameState();
    transition.draw(progress);
  }

  // The capabilities every transition must hand back as it found them.
  static void expectFrameStateKept() {
    for (GLenum on : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE})
      EXPECT_TRUE(glIsEnabled(on)) << "capability " << on << " left off";
    for (GLenum off : {GL_BLEND, GL_LIGHTING, GL_LIGHT1})
      EXPECT_FALSE(glIsEnabled(off)) << "capability " << off << " left on";
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  // How many window pixels pass the test.
  template <class Test>
  static int countPixels(Test test) {
    const std::vector<uint8_t> pixels = gltest::readPixels(0, 0, windowWidth, windowHeight);
    int count = 0;
    for (size_t k = 0; k < pixels.size(); k += 4)
      count += test(gltest::Rgba{pixels[k], pixels[k + 1], pixels[k + 2], pixels[k + 3]});
    return count;
  }

  static bool isRed(const gltest::Rgba& c) { return c.r > 240 && c.g < 15 && c.b < 15; }
  static bool isGreen(const gltest::Rgba& c) { return c.r < 15 && c.g > 240 && c.b < 15; }
  static bool isBlue(const gltest::Rgba& c) { return c.r < 15 && c.g < 15 && c.b > 240; }
  // Red, green or a blend of them (the seam and the filtered picture
  // edges), darkened or not, but not the orange of burn's sparks.
  static bool isOldPage(const gltest::Rgba& c) {
    return c.b < 15 && c.r + c.g > 40 && !(c.r >= 200 && c.g >= 120);
  }
  // Pixel column of page coordinate x when the page fills the window.
  static int columnOf(float x) { return int((x + 0.5f) * windowWidth); }

  testfiles::TempDir folder;
  PageList pages;
};

}  // namespace transitiontest
