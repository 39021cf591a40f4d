// Navigation, input and the strip run inside the test program on a real
// presentation (solid-colour pages decoded by the real loaders) with a real
// GL window: which pages stay loaded, what keys and buttons change, and the
// strip's picture read back from GL. Time passes by moving the animation
// stamp into the past instead of waiting.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/callbacks.h"
#include "app/navigation.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"
#include "app/state/viewer_state.h"
#include "app/strip.h"
#include "platform/clock.h"
#include "support/gl_test_window.h"
#include "support/viewer_process.h"
#include "transitions/transition.h"

namespace {

struct Rgb {
  int r, g, b;
};
const Rgb pageColors[] = {{200, 40, 40},  {40, 200, 40},  {40, 40, 200},   {200, 200, 40},
                          {200, 40, 200}, {40, 200, 200}, {120, 120, 120}, {250, 150, 50}};

void emptySlideList() {
  slideList.slides.clear();
  slideList.transitions.clear();
  slideList.pages.clear();
}

class ViewerInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gltest::ensureWindow(256, 192)) GTEST_SKIP() << "no X display";
    viewer = ViewerState();
    emptySlideList();
    reshapeFunc(256, 192);
    buildStripPath();
  }
  void TearDown() override {
    delete viewer.ownedTransition;
    viewer.ownedTransition = nullptr;
    viewer.currentTransition = nullptr;
    emptySlideList();
  }

  // One slide per entry with that many pages; pages take the colours in turn.
  void open(const std::vector<int>& pagesPerSlide) {
    std::vector<std::vector<std::string>> slides;
    int page = 0;
    for (int count : pagesPerSlide) {
      std::vector<std::string> names;
      for (int i = 0; i < count; ++i, ++page) {
        const Rgb& c = pageColors[page % 8];
        std::string name = "page" + std::to_string(page) + ".png";
        writeSolidPage(folder, name, c.r, c.g, c.b);
        names.push_back(name);
      }
      slides.push_back(names);
    }
    ASSERT_TRUE(slideList.load(writeSlideList(folder, slides)));
    showFirstPage();
  }

  // Lets the running transition, view animation or settle run out.
  void passTime(float seconds = 60) {
    viewer.animationStart.stamp = timeGetTime() - uint32_t(seconds * 1000);
    idleFunc();
  }

  std::vector<int> loadedPages() {
    std::vector<int> loaded;
    for (int i = 0; i < slideList.pageCount(); ++i)
      if (slideList.page(i).isLoaded()) loaded.push_back(i);
    return loaded;
  }

  testfiles::TempDir folder;
};

using Pages = std::vector<int>;

TEST_F(ViewerInProcess, StartUpLoadsTheFirstPageAndItsNeighbour) {
  open({1, 1, 1, 1});
  EXPECT_EQ(viewer.currentPage, 0);
  EXPECT_EQ(viewer.presentationState, Showing);
  EXPECT_EQ(viewer.currentTransition, &slideList.transition(0));
  EXPECT_EQ(loadedPages(), Pages({0, 1}));
}

TEST_F(ViewerInProcess, AfterATransitionOnlyPagesNearItsEndsStayLoaded) {
  open({1, 1, 1, 1, 1, 1, 1, 1});
  nextPage();
  EXPECT_EQ(viewer.presentationState, Transitioning);
  passTime();
  EXPECT_EQ(viewer.presentationState, Showing);
  EXPECT_EQ(viewer.currentPage, 1);
  EXPECT_EQ(loadedPages(), Pages({0, 1, 2}));

  // A jump blends, loads its target and leaves only the target's
  // neighbourhood behind.
  gotoPage(5);
  EXPECT_EQ(viewer.currentTransition, viewer.ownedTransition);
  EXPECT_EQ(loadedPages(), Pages({0, 1, 2, 5}));
  passTime();
  EXPECT_EQ(viewer.currentPage, 5);
  EXPECT_EQ(viewer.ownedTransition, nullptr);  // the jump's blend is gone
  EXPECT_EQ(loadedPages(), Pages({4, 5, 6}));

  nextPage();
  passTime();
  nextPage();
  passTime();
  // The last page blends onto itself: pages c - 1 to c + 1 stay.
  EXPECT_EQ(viewer.currentPage, 7);
  ASSERT_NE(viewer.ownedTransition, nullptr);
  EXPECT_EQ(viewer.currentTransition, viewer.ownedTransition);
  EXPECT_EQ(viewer.currentTransition->fromPage(), 7);
  EXPECT_EQ(viewer.currentTransition->toPage(), 7);
  EXPECT_EQ(loadedPages(), Pages({6, 7}));
  nextPage();  // nothing after the last page
  EXPECT_EQ(viewer.presentationState, Showing);

  gotoPage(2);
  passTime();
  EXPECT_EQ(loadedPages(), Pages({1, 2, 3}));
}

TEST_F(ViewerInProcess, DigitsDuringATransitionAreIgnoredAndTheNumberStaysUntilItsEnd) {
  open({1, 1, 2, 1, 1});  // five slides, six pages
  keyboardFunc('3', 0, 0);
  EXPECT_EQ(viewer.presentationState, Transitioning);
  EXPECT_EQ(viewer.currentTransition->toPage(), 3);  // the last page of slide 3
  keyboardFunc('4', 0, 0);
  EXPECT_EQ(viewer.typedNumber, 3);
  passTime();
  EXPECT_EQ(viewer.currentPage, 3);
  EXPECT_EQ(viewer.currentSlide, 2);
  EXPECT_EQ(viewer.typedNumber, 0);
}

TEST_F(ViewerInProcess, MiddleDragTurnsModelsAndAViewResetTurnsThemBack) {
  open({1, 1});
  mouseFunc(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 100, 100);
  motionFunc(100, 150);
  EXPECT_FLOAT_EQ(viewer.modelRotationX, 30);
  EXPECT_FLOAT_EQ(viewer.modelRotationY, 0);
  motionFunc(400, 150);
  EXPECT_FLOAT_EQ(viewer.modelRotationY, 180);
  motionFunc(402, 150);
  EXPECT_NEAR(viewer.modelRotationY, -178.8f, 1e-3);  // past 180 wraps
  mouseFunc(GLUT_MIDDLE_BUTTON, GLUT_UP, 402, 150);

  keyboardFunc('r', 0, 0);
  EXPECT_TRUE(viewer.viewAnimation);
  // Half way through the animation the frame has turned the models half
  // way back (smoothStep(0.5) = 0.5).
  viewer.animationStart.stamp = timeGetTime() - 300;
  displayFunc();
  EXPECT_NEAR(viewer.modelRotationX, 15, 1.5f);
  passTime(0.7f);
  EXPECT_FALSE(viewer.viewAnimation);
  EXPECT_FLOAT_EQ(viewer.zoomLevel, defaultZoomLevel);
  EXPECT_EQ(viewer.panX, 0);
}

TEST_F(ViewerInProcess, ReleasingTheStripSelectsTheRoundedSlideAtOnce) {
  open({1, 2, 1, 1, 1, 1});
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_DOWN, 200, 100);
  EXPECT_EQ(viewer.presentationState, Browsing);
  EXPECT_EQ(viewer.stripOffset, 0);
  motionFunc(100, 100);  // 100 pixels to the left: one slide
  EXPECT_NEAR(viewer.stripOffset, -1, 1e-6);
  motionFunc(-60, 100);
  EXPECT_NEAR(viewer.stripOffset, -2.6f, 1e-5);
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_UP, -60, 100);
  // Three slides forward, at once, onto the last page of that slide; the
  // 0.4 left over eases out while settling.
  EXPECT_EQ(viewer.presentationState, Settling);
  EXPECT_EQ(viewer.currentSlide, 3);
  EXPECT_EQ(viewer.currentPage, 4);
  EXPECT_NEAR(viewer.stripOffset, 0.4f, 1e-5);
  EXPECT_EQ(viewer.currentTransition, &slideList.transition(4));
  EXPECT_EQ(loadedPages(), Pages({0, 1, 3, 4, 5}));  // nothing unloaded yet
  passTime(0.5f);
  EXPECT_EQ(viewer.presentationState, Settling);
  passTime(0.7f);
  EXPECT_EQ(viewer.presentationState, Showing);

  // Dragged past the ends, a release keeps the current slide.
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
  motionFunc(900, 0);
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_UP, 900, 0);
  EXPECT_EQ(viewer.currentSlide, 3);
}

TEST_F(ViewerInProcess, TheRightButtonBrowsesOnlyWhileAPageIsShown) {
  open({1, 1, 1});
  nextPage();
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 10);
  EXPECT_EQ(viewer.presentationState, Transitioning);
  EXPECT_FALSE(viewer.viewAnimation);
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
  passTime();

  for (int mode : {WheelZoom, WheelPan, WheelRectangle}) {
    viewer.wheelMode = mode;
    viewer.viewAnimation = false;
    mouseFunc(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 10);
    EXPECT_EQ(viewer.presentationState, Showing);
    EXPECT_TRUE(viewer.viewAnimation) << "wheel mode " << mode;  // the view reset
    mouseFunc(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
  }
  // Outside wheel mode 0 a left click does not step.
  viewer.wheelMode = WheelZoom;
  mouseFunc(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
  mouseFunc(GLUT_LEFT_BUTTON, GLUT_UP, 10, 10);
  EXPECT_EQ(viewer.presentationState, Showing);
  viewer.wheelMode = WheelDefault;
  mouseFunc(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
  EXPECT_EQ(viewer.presentationState, Transitioning);
}

// Red, green, blue of a back-buffer pixel (y from the bottom).
gltest::Rgba pixel(int x, int y) {
  return gltest::pixelAt(x, y);
}

TEST_F(ViewerInProcess, TheOpeningStripShowsThePageWhereItWasAndNeighboursBeside) {
  open({1, 1, 1});
  // Twice the default distance: the page fills the middle half of the
  // 256-pixel-wide window.
  float distance = 2 * zoomToDistance(viewer.zoomLevel);
  viewer.presentationState = Browsing;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslatef(0, 0, distance);
  applyStripTilt(0);
  drawSlideStrip(0);  // just opened: b = 0

  for (int x : {80, 128, 176}) {
    gltest::Rgba p = pixel(x, 96);
    EXPECT_GT(p.r, 150) << x;  // the red page, lit
    EXPECT_LT(p.g, 70) << x;
    EXPECT_LT(p.b, 70) << x;
  }
  gltest::Rgba gapBefore = pixel(48, 96), gapAfter = pixel(208, 96);
  EXPECT_LT(gapBefore.r + gapBefore.g + gapBefore.b, 30);
  EXPECT_LT(gapAfter.r + gapAfter.g + gapAfter.b, 30);
  gltest::Rgba next = pixel(244, 96);  // the green second slide
  EXPECT_GT(next.g, 100);
  EXPECT_LT(next.r, 70);

  // The state left behind is the flat one pages draw in.
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

}  // namespace
