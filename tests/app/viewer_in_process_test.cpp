// Navigation, input, the strip and the idle frames run inside the test
// program on a real presentation (solid-colour pages decoded by the real
// loaders) with a real GL window: which pages stay loaded, what keys and
// buttons change, the strip's picture read back from GL, when a frame is
// due, and the pictures the workers prepare. Time passes by moving the
// animation stamp into the past instead of waiting.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "app/background.h"
#include "app/callbacks.h"
#include "app/frame.h"
#include "app/navigation.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"
#include "app/state/viewer_state.h"
#include "app/strip.h"
#include "images/slide_texture.h"
#include "platform/clock.h"
#include "support/gl_test_window.h"
#include "support/viewer_process.h"
#include "transitions/transition.h"
#include "workers/worker_pool.h"

namespace {

const std::vector<PageColor> pageColors = {{200, 40, 40},   {40, 200, 40},  {40, 40, 200},
                                           {200, 200, 40},  {200, 40, 200}, {40, 200, 200},
                                           {120, 120, 120}, {250, 150, 50}};

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
    ASSERT_TRUE(slideList.load(writeSolidSlides(folder, pageColors, pagesPerSlide)));
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

  // The strip just opened (b = 0) at twice the default distance: the page
  // fills the middle half of the 256-pixel-wide window.
  static void drawOpenedStrip() {
    viewer.presentationState = Browsing;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, 2 * zoomToDistance(viewer.zoomLevel));
    applyStripTilt(0);
    drawSlideStrip(0);
  }

  testfiles::TempDir folder;
};

TEST_F(ViewerInProcess, OnlyPagesNextToTheShownOneStayLoadedAndTransitionsIgnoreTheStrip) {
  open({1, 1, 1, 1, 1, 1, 1, 1});
  EXPECT_EQ(state(), "slide 0, page 0, showing, loaded 0 1");
  EXPECT_EQ(viewer.currentTransition, &slideList.transition(0));
  nextPage();
  // During a transition the right button does nothing.
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 10);
  mouseFunc(GLUT_RIGHT_BUTTON, GLUT_UP, 10, 10);
  EXPECT_TRUE(viewer.presentationState == Transitioning && !viewer.viewAnimation);
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
}

TEST_F(ViewerInProcess, ANumberThatASecondDigitCouldExtendWaitsForItOrReturn) {
  open({2, 1, 1, 1, 1, 1, 1, 1, 1, 1});  // "1" could become "10"; a jump lands on a last page
  // The number stays while its jump runs and is gone when it ends.
  const struct {
    const char* keys;
    int page, typedDuring, typedAfter;
  } cases[] = {{"10", 10, 10, 0}, {"9", 9, 9, 0},     {"1\r", 1, 0, 0},  // Return takes it
               {"11", 0, 0, 0},   {"1\x1b", 0, 0, 0}, {"1", 0, 1, 1},  // no slide 11; Escape clears
               {"34", 3, 3, 0}};  // digits during the jump's transition are ignored
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    viewer.typedNumber = 0;
    for (const char* key = c.keys; *key; ++key) keyboardFunc(uint8_t(*key), 0, 0);
    EXPECT_EQ(viewer.typedNumber, c.typedDuring);
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
  motionFunc(402, 150);
  EXPECT_NEAR(viewer.modelRotationY, -178.8f, 1e-3);  // 181.2 degrees wrap
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
  motionFunc(-60, 100);  // 100 pixels to the left: one slide
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

// (The neighbour beside it is read back in the Background tests.)
TEST_F(ViewerInProcess, TheOpeningStripShowsThePageWhereItWasBetweenGaps) {
  open({1, 1, 1});
  drawOpenedStrip();

  for (int x : {80, 128, 176}) {  // the red page, lit
    gltest::Rgba p = gltest::pixelAt(x, 96);
    EXPECT_TRUE(p.r > 150 && p.g < 70 && p.b < 70) << x << ": " << p.r << "," << p.g << "," << p.b;
  }
  for (int x : {48, 208}) {  // the gaps on either side
    gltest::Rgba p = gltest::pixelAt(x, 96);
    EXPECT_LT(p.r + p.g + p.b, 30) << x;
  }

  // The state left behind is the flat one pages draw in.
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_LIGHTING));
}

// The idle viewer draws only when a frame would differ from the last one:
// the splash, the cursor fade, the progress indicator and the clock's
// seconds still get their frames, a still page none.
TEST_F(ViewerInProcess, AFrameIsDueOnlyWhenSomethingOnScreenMoves) {
  writeSolidPage(folder, "still.png", 10, 20, 30);
  testfiles::writeText(folder.file("clip.avi"), testfiles::readText(besideBinary("demo/clip.avi")));
  ASSERT_TRUE(slideList.load(writeSlideList(folder, {{"still.png"}, {"clip.avi"}})));
  showFirstPage();
  auto secondsAgo = [](TimeStamp& stamp, float seconds) {
    stamp.stamp = timeGetTime() - uint32_t(seconds * 1000);
  };
  // Long after start-up: splash over, cursor faded.
  auto settled = [&] {
    secondsAgo(viewer.clockStart, 100.2f);
    secondsAgo(viewer.lastMouseActivity, 100);
    secondsAgo(viewer.transitionStart, 100);
  };
  // before runs ahead of the frame drawn, change after it.
  const struct {
    const char* what;
    std::function<void()> before, change;
    bool due;
  } cases[] = {
      {"a still page", [] {}, [] {}, false},
      {"the splash replayed", [] {}, [&] { secondsAgo(viewer.clockStart, 1); }, true},
      {"the pointer moved", [] {}, [] { viewer.lastMouseActivity.reset(); }, true},
      {"the cursor fading", [] {}, [&] { secondsAgo(viewer.lastMouseActivity, 2.5f); }, true},
      {"the clock shown", [] {}, [] { viewer.clockVisible = true; }, true},
      {"the clock within its second", [] { viewer.clockVisible = true; }, [] {}, false},
      {"the clock's seconds moved", [] { viewer.clockVisible = true; },
       [&] { secondsAgo(viewer.clockStart, 101.2f); }, true},
      {"the progress indicator", [] {},
       [&] {
         viewer.showProgressPosition = true;
         secondsAgo(viewer.transitionStart, 1);
       },
       true},
  };
  for (const auto& c : cases) {
    settled();
    c.before();
    displayFunc();
    c.change();
    EXPECT_EQ(frameWouldChange(), c.due) << c.what;
    displayFunc();
    viewer.clockVisible = viewer.showProgressPosition = false;
  }
  // A video page asks for frames while it plays.
  nextPage();
  passTime();
  settled();
  displayFunc();
  EXPECT_TRUE(frameWouldChange());
}

// Pictures and thumbnails made by the workers: a page asked for before its
// preparation ends is whole, and the strip shows placeholders until the
// thumbnails arrive. The one worker is held by a gate, so what is not yet
// prepared is known.
class Background : public ViewerInProcess {
 protected:
  void SetUp() override {
    ViewerInProcess::SetUp();
    if (IsSkipped()) return;
    startBackgroundWork(1);
    backgroundWorkers()->submit([opened = opened] { opened.wait(); }, -1);
    started = true;
    open({1, 1, 1});
    prepareThumbnails();
  }
  void TearDown() override {
    if (started) {
      openGate();
      stopBackgroundWork();
    }
    ViewerInProcess::TearDown();
  }
  void openGate() {
    if (!released) release.set_value();
    released = true;
  }
  // The second slide's ribbon in the strip just opened.
  gltest::Rgba neighbourInStrip() {
    drawOpenedStrip();
    viewer.presentationState = Showing;
    return gltest::pixelAt(244, 96);
  }

  std::promise<void> release;
  std::shared_future<void> opened = release.get_future().share();
  bool released = false, started = false;
};

TEST_F(Background, APageAskedForBeforeItsPreparationEndsIsWhole) {
  Page& next = slideList.page(1);
  ASSERT_TRUE(next.isWaiting());  // its preparation is queued behind the gate
  ASSERT_EQ(next.texture, nullptr);
  nextPage();  // the transition needs it now
  ASSERT_NE(next.texture, nullptr);
  EXPECT_FALSE(next.isWaiting());
  // The same texels as the page decoded here at once.
  std::vector<uint8_t> shown = (next.texture->bind(), gltest::boundTextureTexels(false));
  SlideTexture reference(next.fileName.c_str(), true, false);
  EXPECT_EQ(shown, (reference.bind(), gltest::boundTextureTexels(false)));
}

TEST_F(Background, TheStripShowsPlaceholdersUntilTheThumbnailsArrive) {
  ASSERT_EQ(slideList.slide(1).thumbnail, nullptr);
  gltest::Rgba placeholder = neighbourInStrip();
  EXPECT_TRUE(placeholder.r == placeholder.g && placeholder.g == placeholder.b &&
              placeholder.g > 50)
      << placeholder.r << "," << placeholder.g << "," << placeholder.b;

  openGate();
  for (int waits = 0; waits < 600 && !slideList.slide(2).thumbnail; ++waits) {
    waitForBackgroundResults(0.1);
    deliverBackgroundResults();
  }
  gltest::Rgba green = neighbourInStrip();
  EXPECT_TRUE(green.g > 100 && green.r < 70) << green.r << "," << green.g;
}

}  // namespace
