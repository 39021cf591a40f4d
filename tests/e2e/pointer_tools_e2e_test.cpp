// The wheel's pointer tools on the real binary: each mode's cursor icon,
// what a left click, a left drag and a right click do in it, the wrap of
// the modes, and the fade of the pointer overlays.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

class PointerTools : public ScreenTest {
 protected:
  bool waitForDefaultView() {
    return viewer->waitForScreen([](const testfiles::Picture& screen) {
      return firstColumnNearer(screen, 200, topLeft, topRight) == centreX &&
             firstRowNearer(screen, 300, topLeft, bottomLeft) == centreY &&
             regionIs(screen, 0, 0, 20, 20, topLeft);
    });
  }
  bool waitForTopEdge(double row) {
    return viewer->waitForScreen([&](const testfiles::Picture& screen) {
      int y = pageTopEdge(screen, 300);
      return y >= 0 && std::fabs(y - row) <= 3;
    });
  }
  // After moving the pointer to (600, 500), the dotted overlay-coloured
  // cross-hair through it: pixels on its row and column far from it.
  bool waitForCrossHair() {
    viewer->moveMouse(601, 500);
    viewer->moveMouse(600, 500);
    return viewer->waitForScreen([](const testfiles::Picture& screen) {
      return countNear(screen, 0, 499, 540, 3, overlayColor, 40) > 30 &&
             countNear(screen, 599, 560, 3, screenHeight - 560, overlayColor, 40) > 30;
    });
  }
  void notch(bool up, int expectedMode) {
    int before = count(viewer->output(), "0 522 ");
    viewer->wheel(up);
    ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture&) {
      return count(viewer->output(), "0 522 ") == before + 1;
    })) << "to wheel mode "
        << expectedMode;
  }
  static int count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
  }
};

TEST_F(PointerTools, EachWheelModeHasItsCursorAndItsDrag) {
  ASSERT_NO_FATAL_FAILURE(start(writeQuarters()));
  ASSERT_TRUE(waitForDefaultView());
  // Mode 0: the arrow.
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));

  // Mode 1, zoom: a click does not step, a drag zooms, a right click resets.
  notch(true, 1);
  EXPECT_NE(viewer->output().find("0 522 120\n"), std::string::npos) << viewer->output();
  ASSERT_TRUE(waitForCursor(256, 192, zoomColor));
  viewer->click(1);
  viewer->key("F5");  // when the clock shows, the click has been handled
  ASSERT_TRUE(waitForPixels(940, 740, 84, 28, overlayColor, 20, 5));
  EXPECT_TRUE(regionIs(viewer->screenshot(), 412, 100, 60, 60, topLeft));  // still page 1
  viewer->key("F5");
  viewer->xdotool("mousemove 512 300 mousedown 1 mousemove 512 400 mouseup 1");
  ASSERT_TRUE(waitForTopEdge(topEdgeAtZoom(53.9 + 15)));
  viewer->click(3);
  ASSERT_TRUE(waitForDefaultView());

  // Mode 2, pan (its drag is the Ctrl drag of the view tests).
  notch(true, 2);
  ASSERT_TRUE(waitForCursor(256, 192, panColor));

  // Mode 3, rectangle: a cross-hair instead of an icon; a plain drag shows
  // the rubber band with its guides and zooms onto it.
  notch(true, 3);
  ASSERT_TRUE(waitForCrossHair());
  testfiles::Picture screen = viewer->screenshot();
  for (Rgb icon : {arrowColor, zoomColor, panColor})
    EXPECT_EQ(countNear(screen, 584, 484, 48, 48, icon), 0);
  viewer->xdotool("mousemove 100 100 mousedown 1 mousemove 300 250");
  // The guide through the rectangle's lower edge runs across the screen.
  ASSERT_TRUE(waitForPixels(500, 249, 500, 3, overlayColor, 60));
  viewer->mouseUp(1);
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
  ASSERT_TRUE(waitForNoPixels(240, 176, 48, 48, arrowColor, 6));
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

TEST_F(PointerTools, ModifierCursorsShowInTheDefaultMode) {
  ASSERT_NO_FATAL_FAILURE(start(writeQuarters()));
  ASSERT_TRUE(waitForDefaultView());
  viewer->keyDown("shift");
  EXPECT_TRUE(waitForCursor(256, 192, zoomColor));
  viewer->keyUp("shift");
  viewer->keyDown("ctrl");
  EXPECT_TRUE(waitForCursor(256, 192, panColor));
  viewer->keyUp("ctrl");
  viewer->keyDown("alt");
  EXPECT_TRUE(waitForCrossHair());
  viewer->keyUp("alt");
  // Two modifiers together pick no tool and no icon.
  viewer->keyDown("shift");
  viewer->keyDown("ctrl");
  viewer->moveMouse(257, 192);
  viewer->moveMouse(256, 192);
  EXPECT_TRUE(viewer->waitForScreen([](const testfiles::Picture& screen) {
    return screen.width > 0 && countNear(screen, 240, 176, 48, 48, zoomColor) == 0 &&
           countNear(screen, 240, 176, 48, 48, panColor) == 0 &&
           countNear(screen, 240, 176, 48, 48, arrowColor) == 0;
  }));
  viewer->keyUp("ctrl");
  viewer->keyUp("shift");
  EXPECT_TRUE(waitForCursor(256, 192, arrowColor));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
