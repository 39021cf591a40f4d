// The pointer tools on the real binary: the cursor of each wheel mode and
// of each modifier in the default mode, what a click, a drag and a right
// click do outside the default mode, the wrap of the modes, and the fade of
// the pointer overlays. (The tools' drags are driven in the view tests.)
#include <gtest/gtest.h>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

class PointerTools : public ScreenTest {
 protected:
  // After moving the pointer to (600, 500), the dotted overlay-coloured
  // cross-hair through it, and no icon: pixels on its row and column far
  // from it.
  bool waitForCrossHair() {
    viewer->moveMouse(601, 500);
    viewer->moveMouse(600, 500);
    return viewer->waitForScreen([](const testfiles::Picture& screen) {
      return countNear(screen, 0, 499, 540, 3, overlayColor, 40) > 30 &&
             countNear(screen, 599, 560, 3, screenHeight - 560, overlayColor, 40) > 30;
    }) && waitForNoIcon(600, 500, 1);
  }
  // One wheel notch, once the viewer has reported it.
  void notch(bool up, int expectedMode) {
    auto notches = [&] {
      std::string text = viewer->output();
      int n = 0;
      for (size_t at = text.find("0 522 "); at != std::string::npos;
           at = text.find("0 522 ", at + 1))
        ++n;
      return n;
    };
    int before = notches();
    viewer->wheel(up);
    ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture&) {
      return notches() == before + 1;
    })) << "to wheel mode "
        << expectedMode;
  }
};

TEST_F(PointerTools, EachModeAndModifierHasItsToolAndCursor) {
  ASSERT_NO_FATAL_FAILURE(start(writeQuarters()));
  ASSERT_TRUE(waitForDefaultView());
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));

  // In the default mode a modifier picks the tool; two of them pick none.
  viewer->xdotool("keydown shift");
  EXPECT_TRUE(waitForCursor(256, 192, zoomColor));
  viewer->xdotool("keyup shift keydown ctrl");
  EXPECT_TRUE(waitForCursor(256, 192, panColor));
  viewer->xdotool("keyup ctrl keydown alt");
  EXPECT_TRUE(waitForCrossHair());
  viewer->xdotool("keyup alt keydown shift keydown ctrl mousemove 257 192 mousemove 256 192");
  EXPECT_TRUE(waitForNoIcon(256, 192));
  viewer->xdotool("keyup ctrl keyup shift");

  // Mode 1, zoom: a click does not step. (F5 shows the clock and hides it.)
  notch(true, 1);
  EXPECT_NE(viewer->output().find("0 522 120\n"), std::string::npos) << viewer->output();
  ASSERT_TRUE(waitForCursor(256, 192, zoomColor));
  viewer->click(1);
  viewer->key("F5");  // when the clock shows, the click has been handled
  ASSERT_TRUE(waitForPixels(940, 740, 84, 28, overlayColor, 20, 5));
  EXPECT_TRUE(regionIs(viewer->screenshot(), 412, 100, 60, 60, topLeft));  // still page 1
  viewer->key("F5");
  ASSERT_TRUE(viewer->waitForScreen([](const testfiles::Picture& screen) {
    return screen.width > 0 && countNear(screen, 940, 740, 84, 28, overlayColor) == 0;
  }));

  notch(true, 2);
  ASSERT_TRUE(waitForCursor(256, 192, panColor));

  // Mode 3, rectangle: a plain drag zooms onto the rectangle, a right click
  // resets the view.
  notch(true, 3);
  ASSERT_TRUE(waitForCrossHair());
  viewer->xdotool("mousemove 100 100 mousedown 1 mousemove 300 250 mouseup 1");
  ASSERT_TRUE(viewer->waitForScreen([](const testfiles::Picture& screen) {
    return regionIs(screen, 0, 0, 40, 40, topLeft) && regionIs(screen, 984, 728, 40, 40, topLeft);
  }));
  viewer->click(3);
  ASSERT_TRUE(waitForDefaultView());

  // The modes wrap: up from 3 is 0, down from 0 is 3.
  notch(true, 0);
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));
  notch(false, 3);
  EXPECT_NE(viewer->output().find("0 522 -120\n"), std::string::npos) << viewer->output();
  ASSERT_TRUE(waitForCrossHair());
  notch(true, 0);

  // Left alone, the pointer's overlays fade out within three seconds and
  // come back with the next motion.
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));
  ASSERT_TRUE(waitForNoIcon(256, 192, 6));
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
