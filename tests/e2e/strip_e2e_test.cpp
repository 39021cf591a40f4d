// The slide strip on the real binary: the right button opens it, dragging
// moves it by one slide per 100 pixels, releasing selects the slide a
// rounding half away from zero gives, and the view settles onto its page.
#include <gtest/gtest.h>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

const Rgb colors[] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {200, 200, 40}, {200, 40, 200}};

class Strip : public ScreenTest {
 protected:
  std::string writeFiveSlides() {
    return writeSolidSlides(files, {colors, colors + 5}, {}, "TransitionDuration=0.3");
  }
  bool waitForSlide(int slide) { return waitForRegion(0, 0, 1024, 200, colors[slide], 12); }
  // Showing a page again: the pointer's cursor icon is back (the strip
  // draws none).
  bool waitForSettled(int x, int y) { return waitForCursor(x, y, arrowColor); }
  // Open: the view tilts away, the top of the screen turns black.
  bool waitForOpenStrip() { return waitForRegion(0, 0, 1024, 60, {0, 0, 0}, 8); }
};

TEST_F(Strip, DragAndReleaseSelectsTheSlideInTheMiddle) {
  ASSERT_NO_FATAL_FAILURE(start(writeFiveSlides()));
  viewer->moveMouse(512, 384);
  ASSERT_TRUE(waitForSlide(0));

  // 2.6 slides to the left: three slides on. (The rounding and the range
  // of the selection are driven in process.)
  viewer->xdotool("mousedown 3");
  ASSERT_TRUE(waitForOpenStrip());
  viewer->moveMouse(252, 384);
  viewer->xdotool("mouseup 3");
  ASSERT_TRUE(waitForSlide(3));
  ASSERT_TRUE(waitForSettled(252, 384));

  // The page shown after the strip steps on as usual.
  viewer->key("space");
  ASSERT_TRUE(waitForSlide(4));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
