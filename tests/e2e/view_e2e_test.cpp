// The camera on the real binary: arrow-key pans, the zoom keys and their
// limits, the view reset, modifier drags, zoom to a rectangle and full
// screen (F12). The page is split into four coloured quarters, so the place of
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
};

TEST_F(View, KeysDragsAndF12MoveTheCameraAndTheWindowAndResetAnimatesBack) {
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
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
