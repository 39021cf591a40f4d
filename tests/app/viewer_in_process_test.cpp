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
      slides.emplace_back();
      for (int i = 0; i < count; ++i, ++page) {
        const Rgb& c = pageColors[page % 8];
        slides.back().push_back("page" + std::to_string(page) + ".png");
        writeSolidPage(folder, slides.back().back(), c.r, c.g, c.b);
      }
    }
    ASSERT_TRUE(slideList.load(writeSlideList(folder, slides)));
    showFirstPage();
  }

  // Lets the running transition, view animation or settle run out.
  void passTime(float seconds = 60) {
    viewer.animationStart.stamp = timeGetTime() - uint32_t(seconds * 1000);
    idleFunc();
  }

  // The loaded pages, as "0 1 2".
  static std::string loaded() {
    std::string pages;
    for (int i = 0; i < slideList.pageCount(); ++i)
      if (slideList.page(i).isLoaded()) pages += (pages.empty() ? "" : " ") + std::to_string(i);
    return pages;
  }
  // Where the show stands: "slide s, page p, <state>, loaded <pages>".
  static std::string state() {
    const char* const names[] = {"showing", "transitioning", "browsing", "settling"};
    return "slide " + std::to_string(viewer.currentSlide) + ", page " +
           std::to_string(viewer.currentPage) + ", " + names[viewer.presentationState] +
           ", loaded " + loaded();
  }

  testfiles::TempDir folder;
};

TEST_F(ViewerInProcess, StartUpLoadsTheFirstPageAndItsNeighbour) {
  open({1, 1, 1, 1});
  EXPECT_EQ(state(), "slide 0, page 0, showing, loaded 0 1");
  EXPECT_EQ(viewer.currentTransition, &slideList.transition(0));
}

TEST_F(ViewerInProcess, AfterATransitionOnlyPagesNearItsEndsStayLoaded) {
  open({1, 1, 1, 1, 1, 1, 1, 1});
  nextPage();
  EXPECT_EQ(viewer.presentationState, Transitioning);
  passTime();
  EXPECT_EQ(state(), "slide 1, page 1, showing, loaded 0 1 2");

  // A jump blends, loads its target and leaves only the target's
  // neighbourhood behind.
  gotoPage(5);
  EXPECT_EQ(viewer.currentTransition, viewer.ownedTransition);
  EXPECT_EQ(loaded(), "0 1 2 5");
  passTime();
  EXPECT_EQ(state(), "slide 5, page 5, showing, loaded 4 5 6");
  EXPECT_EQ(viewer.ownedTransition, nullptr);  // the jump's blend is gone

  nextPage();
  passTime();
  nextPage();
  passTime();
  // The last page blends onto itself: pages c - 1 to c + 1 stay.
  EXPECT_EQ(state(), "slide 7, page 7, showing, loaded 6 7");
  ASSERT_NE(viewer.currentTransition, nullptr);
  EXPECT_EQ(viewer.currentTransition, viewer.ownedTransition);
  EXPECT_EQ(viewer.currentTransition->fromPage(), 7);
  EXPECT_EQ(viewer.currentTransition->toPage(), 7);
  nextPage();  // nothing after the last page
  EXPECT_EQ(viewer.presentationState, Showing);

  gotoPage(2);
  passTime();
  EXPECT_EQ(loaded(), "1 2 3");
}

TEST_F(ViewerInProcess, DigitsDuringATransitionAreIgnoredAndTheNumberStaysUntilItsEnd) {
  open({1, 1, 2, 1, 1});  // five slides, six pages
  keyboardFunc('3', 0, 0);
  EXPECT_EQ(viewer.presentationState, Transitioning);
  EXPECT_EQ(viewer.currentTransition->toPage(), 3);  // the last page of slide 3
  keyboardFunc('4', 0, 0);
  EXPECT_EQ(viewer.typedNumber, 3);
  passTime();
  EXPECT_EQ(state(), "slide 2, page 3, showing, loaded 2 3 4");
  EXPECT_EQ(viewer.typedNumber, 0);
}

TEST_F(ViewerInProcess, ANumberThatASecondDigitCouldExtendWaitsForItOrReturn) {
  open(std::vector<int>(12, 1));
  const struct {
    const char* keys;
    int page, typedAfter;
  } cases[] = {{"12", 11, 0}, {"9", 8, 0},     {"1\r", 0, 0},  // Return takes the number
               {"13", 0, 0},  {"1\x1b", 0, 0}, {"1", 0, 1}};   // no slide 13; Escape clears
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    viewer.typedNumber = 0;
    for (const char* key = c.keys; *key; ++key) keyboardFunc(uint8_t(*key), 0, 0);
    passTime();
    EXPECT_EQ(viewer.currentPage, c.page);
    EXPECT_EQ(viewer.typedNumber, c.typedAfter);
    gotoPage(0);
    passTime();
  }
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
  EXPECT_EQ(state(), "slide 3, page 4, settling, loaded 0 1 3 4 5");  // nothing unloaded yet
  EXPECT_NEAR(viewer.stripOffset, 0.4f, 1e-5);
  EXPECT_EQ(viewer.currentTransition, &slideList.transition(4));
  passTime(0.5f);
  EXPECT_EQ(viewer.presentationState, Settling);
  passTime(0.7f);
  EXPECT_EQ(viewer.presentationState, Showing);
}

TEST_F(ViewerInProcess, DuringATransitionTheRightButtonDoesNothingAndTheLeftStepsAfter) {
  // (The right and left buttons in the other wheel modes are driven on the
  // real binary by the end-to-end tests.)
  open({1, 1, 1});
  nextPage();
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 10);
  EXPECT_EQ(viewer.presentationState, Transitioning);
  EXPECT_FALSE(viewer.viewAnimation);
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
  passTime();
  mouseFunc(GLUT_LEFT_BUTTON, GLUT_DOWN, 10, 10);
  EXPECT_EQ(viewer.presentationState, Transitioning);
  EXPECT_EQ(viewer.currentTransition->toPage(), 2);
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

  for (int x : {80, 128, 176}) {  // the red page, lit
    gltest::Rgba p = gltest::pixelAt(x, 96);
    EXPECT_TRUE(p.r > 150 && p.g < 70 && p.b < 70) << x << ": " << p.r << "," << p.g << "," << p.b;
  }
  for (int x : {48, 208}) {  // the gaps on either side
    gltest::Rgba p = gltest::pixelAt(x, 96);
    EXPECT_LT(p.r + p.g + p.b, 30) << x;
  }
  gltest::Rgba next = gltest::pixelAt(244, 96);  // the green second slide
  EXPECT_TRUE(next.g > 100 && next.r < 70) << next.r << "," << next.g;

  // The state left behind is the flat one pages draw in.
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_LIGHTING));
}

}  // namespace
