// The arithmetic of the camera tools: window pixels to the slide plane, the
// fit of a zoom rectangle, and the model rotation's range.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "app/input.h"
#include "app/state/viewer_state.h"

namespace {

void useWindow(int width, int height, float zoom, float panX = 0, float panY = 0) {
  viewer.windowWidth = width;
  viewer.windowHeight = height;
  viewer.zoomLevel = zoom;
  viewer.cameraDistance = zoomToDistance(viewer.zoomLevel);
  viewer.panX = panX;
  viewer.panY = panY;
  updateVisibleArea();
}

TEST(ScreenToPlane, MapsTheWindowOntoTheVisibleAreaAroundThePan) {
  useWindow(1024, 768, defaultZoomLevel);
  const float w = viewer.visibleWidth / 2, h = viewer.visibleHeight / 2;
  // Pixel rows run down, the plane's y up. The result is in the plane's
  // own coordinates: a pan moves the scene, so the point under a pixel
  // moves the other way.
  const struct {
    int px, py;
    float panX, panY, x, y;
  } points[] = {{512, 384, 0, 0, 0, 0},
                {0, 0, 0, 0, -w, h},
                {1024, 768, 0, 0, w, -h},
                {0, 768, 0, 0, -w, -h},
                {512, 384, 0.1f, -0.05f, -0.1f, 0.05f}};
  float x, y;
  for (const auto& p : points) {
    useWindow(1024, 768, defaultZoomLevel, p.panX, p.panY);
    screenToPlane(p.px, p.py, x, y);
    EXPECT_FLOAT_EQ(x, p.x) << p.px << ", " << p.py;
    EXPECT_FLOAT_EQ(y, p.y) << p.px << ", " << p.py;
  }
  // Integer halves of an odd window.
  useWindow(641, 481, defaultZoomLevel);
  screenToPlane(320, 240, x, y);
  EXPECT_TRUE(x == 0 && y == 0) << x << ", " << y;
  // An empty window still gives numbers.
  viewer.windowWidth = viewer.windowHeight = 0;
  screenToPlane(10, 10, x, y);
  EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
}

TEST(RectangleZoom, TheDecidingSideFillsTheWindowAroundTheCentreWithinTheZoomRange) {
  // A wide rectangle and a line (no height) fit their width, a tall one its
  // height, filling about 94 % of the window; corners come in any order.
  const struct {
    float x0, y0, x1, y1, side;
    bool wide;
  } rectangles[] = {{-0.1f, 0.2f, 0.3f, 0.1f, 0.4f, true},
                    {0.05f, -0.2f, 0, 0.1f, 0.3f, false},
                    {0, 0.1f, 0.05f, -0.2f, 0.3f, false},
                    {-0.2f, 0, 0.2f, 0, 0.4f, true}};
  for (const auto& r : rectangles) {
    SCOPED_TRACE(testing::Message() << r.x0 << ", " << r.y0);
    ViewTarget target = rectangleZoomTarget(r.x0, r.y0, r.x1, r.y1, 1024, 768);
    // The visible height of the plane at the distance, as updateVisibleArea
    // computes it.
    float visible = float(std::tan(0.5235987755833333) * -2.0 * target.distance);
    EXPECT_NEAR(r.side / (r.wide ? visible * 1024 / 768 : visible), 1 / 1.06, 1e-4);
    EXPECT_NEAR(target.panX, -(r.x0 + r.x1) / 2, 1e-6);
    EXPECT_NEAR(target.panY, -(r.y0 + r.y1) / 2, 1e-6);
    EXPECT_NEAR(target.distance, zoomToDistance(target.zoom), 1e-6);
  }
  // A click without a drag zooms as close as the range allows, on the point.
  ViewTarget click = rectangleZoomTarget(0.2f, -0.1f, 0.2f, -0.1f, 1024, 768);
  EXPECT_EQ(std::tuple(click.zoom, click.panX, click.panY), std::tuple(-50.0f, -0.2f, 0.1f));
  EXPECT_TRUE(std::isfinite(click.distance));
  EXPECT_FLOAT_EQ(rectangleZoomTarget(-40, -30, 40, 30, 1024, 768).zoom, 140);
  EXPECT_FLOAT_EQ(rectangleZoomTarget(0, 0, 1e-6f, 1e-6f, 1024, 768).zoom, -50);
}

TEST(ModelRotation, WrapsIntoTheHalfTurnsEitherSide) {
  // A long jump of the pointer (900, -1000) still lands in range.
  const std::pair<float, float> angles[] = {{181, -179}, {-181, 179}, {180, 180}, {-180, -180},
                                            {45, 45},    {900, 180},  {-1000, 80}};
  for (auto [degrees, wrapped] : angles) EXPECT_FLOAT_EQ(wrapDegrees(degrees), wrapped) << degrees;
}

}  // namespace
