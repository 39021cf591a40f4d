// Stepping and jumping through a presentation with the keyboard, the mouse
// and the slide strip, on the real binary: the page on screen tells where
// the viewer is. On the way, the timed overlays: the progress indicator
// after a slide change and the replay of the splash (F6). (The typed
// number's rules and the strip's rounding are driven in process by the
// app tests; F5's clock is shown in the pointer tool tests.)
#include <gtest/gtest.h>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

// Five slides, the third of two pages: pages red, green, blue, cyan
// (slide 3's last page), yellow, magenta.
const Rgb red = {200, 40, 40}, green = {40, 200, 40}, blue = {40, 40, 200}, cyan = {40, 200, 200},
          yellow = {200, 200, 40}, magenta = {200, 40, 200};

class Navigation : public ScreenTest {
 protected:
  // The page colour in the upper middle of the screen, clear of the
  // typed-number bar and of the pointer; close enough that its transition
  // has ended, as keys, clicks and digits during one are ignored.
  bool waitForPage(Rgb c) {
    return waitFor([&](auto& screen) { return regionIs(screen, 412, 100, 200, 60, c, 6); });
  }
  // The progress indicator's bar, 0.2 below the middle: white at up to
  // half strength over the page, with the slide marks on it.
  static bool progressShown(const testfiles::Picture& screen, Rgb page) {
    return !regionIs(screen, 80, 584, 30, 10, page, 8);
  }
  // The page shown, with the indicator or without.
  bool waitForProgress(Rgb page, bool shown, double seconds = 10) {
    return waitFor(
        [&](auto& screen) {
          return regionIs(screen, 412, 100, 200, 60, page) && progressShown(screen, page) == shown;
        },
        seconds);
  }
};

TEST_F(Navigation, KeysClicksAndTheStripStepJumpAndQuitWithTheTimedOverlaysOnTheWay) {
  ASSERT_NO_FATAL_FAILURE(
      start(writeSolidSlides(files, {red, green, blue, cyan, yellow, magenta}, {1, 1, 2, 1, 1},
                             "TransitionDuration=0.3\nShowProgressPosition=1")));
  viewer->moveMouse(512, 384);
  // After start-up the indicator fades in and is gone three seconds later.
  ASSERT_TRUE(waitForProgress(red, false));

  // The right button opens the strip (the view tilts away, the top of the
  // screen turns black); 2.6 slides to the left selects three slides on.
  viewer->xdotool("mousedown 3");
  ASSERT_TRUE(waitFor([](auto& screen) { return regionIs(screen, 0, 0, 1024, 60, {0, 0, 0}); }));
  viewer->moveMouse(252, 384);
  viewer->xdotool("mouseup 3");
  ASSERT_TRUE(waitForPage(yellow));
  // Settled: the cursor icon is back (the strip draws none), and the page
  // steps on as usual.
  ASSERT_TRUE(waitForCursor(252, 384, arrowColor));
  viewer->key("space");
  ASSERT_TRUE(waitForPage(magenta));

  viewer->moveMouse(20, 740);
  viewer->key("Home");
  ASSERT_TRUE(waitForPage(red));
  viewer->key("space");
  ASSERT_TRUE(waitForPage(green));
  viewer->click(1);
  ASSERT_TRUE(waitForPage(blue));
  viewer->key("space");
  ASSERT_TRUE(waitForPage(cyan));
  // A slide's second page gets none through the indicator's fade-in time.
  EXPECT_FALSE(waitForProgress(cyan, true, 2.5));
  // A slide's first page: it fades in after the transition, and out again.
  viewer->key("space");
  ASSERT_TRUE(waitForProgress(yellow, true));
  ASSERT_TRUE(waitForProgress(yellow, false));
  // F6: the splash's backdrop darkens the page for two seconds.
  viewer->key("F6");
  ASSERT_TRUE(waitFor([](auto& screen) {
    return screen.width > 0 && averageColor(screen, 412, 100, 200, 60).r < yellow.r - 15;
  }));
  ASSERT_TRUE(waitForPage(yellow));
  viewer->key("BackSpace");
  ASSERT_TRUE(waitForPage(cyan));
  viewer->key("End");
  ASSERT_TRUE(waitForPage(magenta));
  // With five slides no second digit can follow a 3: the jump starts at
  // once and lands on the slide's last page.
  viewer->type("3");
  ASSERT_TRUE(waitForPage(cyan));

  // Keys that are no commands print their codes and change nothing; the
  // modifier keys by themselves are no keys at all.
  for (const char* key : {"x", "Shift_L", "Control_R", "F1"}) viewer->key(key);
  EXPECT_TRUE(viewer->waitForOutput("unknown command (keyboardSpecialFunc): 1\n"))
      << viewer->output();
  EXPECT_NE(viewer->output().find("unknown command (keyboardFunc): 120\n"), std::string::npos);
  EXPECT_EQ(viewer->output().find("unknown command (keyboardSpecialFunc): 11"), std::string::npos)
      << "112 and up: the modifier keys";
  EXPECT_TRUE(waitForPage(cyan));

  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
