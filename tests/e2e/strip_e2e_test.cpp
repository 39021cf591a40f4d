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
    std::vector<std::vector<std::string>> slides;
    for (int i = 0; i < 5; ++i) {
      std::string name = "s" + std::to_string(i) + ".png";
      writeSolidPage(files, name, colors[i].r, colors[i].g, colors[i].b);
      slides.push_back({name});
    }
    return writeSlideList(files, slides, "TransitionDuration=0.3");
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

  viewer->mouseDown(3);
  ASSERT_TRUE(waitForOpenStrip());
  // 260 pixels to the left: 2.6 slides, three slides on.
  viewer->moveMouse(252, 384);
  viewer->mouseUp(3);
  ASSERT_TRUE(waitForSlide(3));
  ASSERT_TRUE(waitForSettled(252, 384));

  // Exactly half a slide to the right rounds away from zero: one back.
  viewer->mouseDown(3);
  ASSERT_TRUE(waitForOpenStrip());
  viewer->moveMouse(302, 384);
  viewer->mouseUp(3);
  ASSERT_TRUE(waitForSlide(2));
  ASSERT_TRUE(waitForSettled(302, 384));

  // A short drag keeps the slide; a drag past the first slide selects
  // nothing and keeps it too.
  viewer->mouseDown(3);
  viewer->moveMouse(342, 384);
  viewer->mouseUp(3);
  ASSERT_TRUE(waitForSlide(2));
  ASSERT_TRUE(waitForSettled(342, 384));
  viewer->moveMouse(100, 384);
  viewer->mouseDown(3);
  ASSERT_TRUE(waitForOpenStrip());
  viewer->moveMouse(900, 384);
  viewer->mouseUp(3);
  ASSERT_TRUE(waitForSlide(2));

  // The page shown after the strip steps on as usual.
  viewer->key("space");
  ASSERT_TRUE(waitForSlide(3));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
