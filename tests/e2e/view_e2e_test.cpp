// The camera on the real binary: arrow-key pans, the zoom keys and their
// limits, the view reset, modifier drags, zoom to a rectangle and full
// screen (F12). Then the pointer tools: the cursor of each wheel mode and
// of each modifier in the default mode, what a click, a drag and a right
// click do outside the default mode, the wrap of the modes, and the fade
// of the pointer overlays. The page is split into four coloured quarters, so the place of
// their borders on screen tells where the camera is.
#include <gtest/gtest.h>

#include <cmath>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

class View : public ScreenTest {
 protected:
  // Back to the default camera, and the view animation over (the cursor
  // icon shows again only then).
  void resetView() {
    viewer->key("r");
    ASSERT_TRUE(waitForDefaultView());
    ASSERT_TRUE(waitForCursor(700, 600, arrowColor));
  }
  // A left drag with a modifier key held until the drag's effect shows:
  // the viewer reads the keys as they are when it handles each event, so
  // the key stays down until the motion and the release have been handled.
  bool modifierDrag(const std::string& key, int x0, int y0, int x1, int y1,
                    const std::function<bool()>& whileDragging,
                    const std::function<bool()>& afterRelease) {
    viewer->xdotool("keydown " + key + " mousemove " + std::to_string(x0) + " " +
                    std::to_string(y0) + " mousedown 1");
    viewer->moveMouse(x1, y1);
    bool dragged = whileDragging();
    viewer->xdotool("mouseup 1");
    bool released = dragged && afterRelease();
    viewer->xdotool("keyup " + key);
    return dragged && released;
  }
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
};

TEST_F(View, KeysDragsAndEachPointerToolMoveTheCameraAndF12TheWindow) {
  ASSERT_NO_FATAL_FAILURE(start(writeQuarters()));
  ASSERT_TRUE(waitForCursor(700, 600, arrowColor));
  ASSERT_TRUE(waitForDefaultView());

  // One arrow step is 2 % of the camera distance: 13.3 pixels here.
  const double step = 0.02 * 0.1 * std::pow(2.0, 53.9 * 0.05) * pixelsPerUnit;
  viewer->xdotool("key Right key Up");
  ASSERT_TRUE(waitForBorders(centreX - step, centreY + step));
  viewer->xdotool("key Left key Left key Down key Down");
  ASSERT_TRUE(waitForBorders(centreX + step, centreY - step));
  ASSERT_NO_FATAL_FAILURE(resetView());

  // Zoom keys: '-' moves away, '+' closer, two zoom levels a press, and
  // the level stays within -50 and 140.
  viewer->xdotool("key --delay 5 --repeat 5 KP_Subtract");
  ASSERT_TRUE(waitForTopEdge(topEdgeAtZoom(63.9)));
  viewer->xdotool("key --delay 5 --repeat 60 KP_Add");  // stops at -50
  viewer->xdotool("key --delay 5 --repeat 57 KP_Subtract");
  ASSERT_TRUE(waitForTopEdge(topEdgeAtZoom(-50 + 114)));
  viewer->xdotool("key --delay 5 --repeat 45 KP_Subtract");  // stops at 140
  viewer->xdotool("key --delay 5 --repeat 38 KP_Add");
  ASSERT_TRUE(waitForTopEdge(topEdgeAtZoom(140 - 76)));
  ASSERT_NO_FATAL_FAILURE(resetView());

  // Shift: dragging 100 pixels down moves 15 zoom levels away.
  auto zoomedOut = [&] { return waitForTopEdge(topEdgeAtZoom(53.9 + 15)); };
  ASSERT_TRUE(modifierDrag("shift", 512, 300, 512, 400, zoomedOut, zoomedOut));
  ASSERT_NO_FATAL_FAILURE(resetView());

  // Ctrl: the point under the pointer stays under it.
  auto panned = [&] { return waitForBorders(centreX + 100, centreY + 50, 1.5); };
  ASSERT_TRUE(modifierDrag("ctrl", 300, 300, 400, 350, panned, panned));
  ASSERT_NO_FATAL_FAILURE(resetView());

  // Alt: a rectangle inside the top-left quarter fills the screen with it.
  // While it is dragged, the guide through its lower edge crosses the view.
  ASSERT_TRUE(modifierDrag(
      "alt", 100, 100, 300, 250, [&] { return waitForPixels(500, 249, 500, 3, overlayColor, 60); },
      [&] {
        return viewer->waitForScreen([](const testfiles::Picture& screen) {
          return regionIs(screen, 0, 0, 40, 40, topLeft) &&
                 regionIs(screen, 984, 728, 40, 40, topLeft) &&
                 regionIs(screen, 492, 364, 40, 40, topLeft);
        });
      }));
  ASSERT_NO_FATAL_FAILURE(resetView());

  // F12: started full screen, no windowed size was ever recorded, so the
  // window gets the size it was created with at the start-up position.
  auto waitForGeometry = [&](int x, int y, int width, int height) {
    return viewer->waitForScreen([&](const testfiles::Picture&) {
      int gx, gy, gw, gh;
      return viewer->windowGeometry(gx, gy, gw, gh) && gx == x && gy == y && gw == width &&
             gh == height;
    });
  };
  // Without a window manager the keys go to the window under the pointer:
  // keep it where the window is also when windowed.
  viewer->moveMouse(200, 200);
  viewer->key("F12");
  ASSERT_TRUE(waitForGeometry(10, 10, 640, 480));
  viewer->key("F12");
  ASSERT_TRUE(waitForGeometry(0, 0, screenWidth, screenHeight));
  ASSERT_TRUE(waitForDefaultView());  // the whole screen, the page filling it

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
  viewer->wheel(true);
  EXPECT_TRUE(viewer->waitForOutput("0 522 120\n")) << viewer->output();
  ASSERT_TRUE(waitForCursor(256, 192, zoomColor));
  viewer->click(1);
  viewer->key("F5");  // when the clock shows, the click has been handled
  ASSERT_TRUE(waitForPixels(940, 740, 84, 28, overlayColor, 20, 5));
  EXPECT_TRUE(regionIs(viewer->screenshot(), 412, 100, 60, 60, topLeft));  // still page 1
  viewer->key("F5");
  ASSERT_TRUE(viewer->waitForScreen([](const testfiles::Picture& screen) {
    return screen.width > 0 && countNear(screen, 940, 740, 84, 28, overlayColor) == 0;
  }));

  viewer->wheel(true);
  ASSERT_TRUE(waitForCursor(256, 192, panColor));

  // Mode 3, rectangle: a plain drag zooms onto the rectangle, a right click
  // resets the view.
  viewer->wheel(true);
  ASSERT_TRUE(waitForCrossHair());
  viewer->xdotool("mousemove 100 100 mousedown 1 mousemove 300 250 mouseup 1");
  ASSERT_TRUE(viewer->waitForScreen([](const testfiles::Picture& screen) {
    return regionIs(screen, 0, 0, 40, 40, topLeft) && regionIs(screen, 984, 728, 40, 40, topLeft);
  }));
  viewer->click(3);
  ASSERT_TRUE(waitForDefaultView());

  // The modes wrap: up from 3 is 0, down from 0 is 3.
  viewer->wheel(true);
  ASSERT_TRUE(waitForCursor(256, 192, arrowColor));
  viewer->wheel(false);
  ASSERT_TRUE(waitForCrossHair());
  EXPECT_NE(viewer->output().find("0 522 -120\n"), std::string::npos) << viewer->output();
  viewer->wheel(true);

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
