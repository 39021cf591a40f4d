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

  // 2.6 slides to the left: three slides on; exactly half a slide to the
  // right rounds away from zero: one back; a short drag keeps the slide; a
  // drag past the first slide selects nothing and keeps it too.
  const struct {
    int from, to, slide;
  } drags[] = {{512, 252, 3}, {252, 302, 2}, {302, 342, 2}, {100, 900, 2}};
  for (const auto& d : drags) {
    SCOPED_TRACE(std::to_string(d.from) + " to " + std::to_string(d.to));
    viewer->moveMouse(d.from, 384);
    viewer->mouseDown(3);
    ASSERT_TRUE(waitForOpenStrip());
    viewer->moveMouse(d.to, 384);
    viewer->mouseUp(3);
    ASSERT_TRUE(waitForSlide(d.slide));
    ASSERT_TRUE(waitForSettled(d.to, 384));
  }

  // The page shown after the strip steps on as usual.
  viewer->key("space");
  ASSERT_TRUE(waitForSlide(3));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
