// The arithmetic of the camera tools: window pixels to the slide plane, the
// fit of a zoom rectangle, and the model rotation's range.
#include <gtest/gtest.h>

#include <cmath>
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
  // Pixel rows run down, the plane's y up.
  const struct {
    int px, py;
    float x, y;
  } points[] = {{512, 384, 0, 0}, {0, 0, -w, h}, {1024, 768, w, -h}, {0, 768, -w, -h}};
  for (const auto& p : points) {
    float x, y;
    screenToPlane(p.px, p.py, x, y);
    EXPECT_FLOAT_EQ(x, p.x) << p.px << ", " << p.py;
    EXPECT_FLOAT_EQ(y, p.y) << p.px << ", " << p.py;
  }
  // The result is in the plane's own coordinates: a pan moves the scene,
  // so the point under a pixel moves the other way.
  float x, y;
  useWindow(1024, 768, defaultZoomLevel, 0.1f, -0.05f);
  screenToPlane(512, 384, x, y);
  EXPECT_FLOAT_EQ(x, -0.1f);
  EXPECT_FLOAT_EQ(y, 0.05f);
  // Integer halves of an odd window.
  useWindow(641, 481, defaultZoomLevel);
  screenToPlane(320, 240, x, y);
  EXPECT_TRUE(x == 0 && y == 0) << x << ", " << y;
  // An empty window still gives numbers.
  viewer.windowWidth = viewer.windowHeight = 0;
  screenToPlane(10, 10, x, y);
  EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
}

// The visible height and width of the plane at a camera distance, as
// updateVisibleArea computes them.
float visibleHeightAt(float distance) {
  return float(std::tan(0.5235987755833333) * -2.0 * distance);
}

TEST(RectangleZoom, AWideRectangleFitsItsWidthCentredInTheWindow) {
  ViewTarget target = rectangleZoomTarget(-0.1f, 0.2f, 0.3f, 0.1f, 1024, 768);
  EXPECT_FLOAT_EQ(target.panX, -0.1f);
  EXPECT_FLOAT_EQ(target.panY, -0.15f);
  float visibleWidth = visibleHeightAt(target.distance) * 1024 / 768;
  // The rectangle fills about 94 % of the window along its deciding side.
  EXPECT_NEAR(0.4f / visibleWidth, 1 / 1.06, 1e-4);
  EXPECT_LT(0.1f / visibleHeightAt(target.distance), 1 / 1.06);
  EXPECT_NEAR(target.distance, zoomToDistance(target.zoom), 1e-6);
}

TEST(RectangleZoom, ATallRectangleFitsItsHeight) {
  ViewTarget target = rectangleZoomTarget(0.05f, -0.2f, 0.0f, 0.1f, 1024, 768);
  EXPECT_NEAR(0.3f / visibleHeightAt(target.distance), 1 / 1.06, 1e-4);
  // Corners may come in any order.
  ViewTarget swapped = rectangleZoomTarget(0.0f, 0.1f, 0.05f, -0.2f, 1024, 768);
  EXPECT_FLOAT_EQ(swapped.zoom, target.zoom);
}

TEST(RectangleZoom, AClickWithoutADragZoomsAsCloseAsTheRangeAllowsOnThePoint) {
  ViewTarget target = rectangleZoomTarget(0.2f, -0.1f, 0.2f, -0.1f, 1024, 768);
  EXPECT_FLOAT_EQ(target.zoom, -50);
  EXPECT_FLOAT_EQ(target.panX, -0.2f);
  EXPECT_FLOAT_EQ(target.panY, 0.1f);
  EXPECT_TRUE(std::isfinite(target.distance));
  // The zoom stays in its range at both ends.
  EXPECT_FLOAT_EQ(rectangleZoomTarget(-40, -30, 40, 30, 1024, 768).zoom, 140);
  EXPECT_FLOAT_EQ(rectangleZoomTarget(0, 0, 1e-6f, 1e-6f, 1024, 768).zoom, -50);

  // A line (no height) is as wide as a rectangle gets: its width decides.
  ViewTarget line = rectangleZoomTarget(-0.2f, 0, 0.2f, 0, 1024, 768);
  EXPECT_NEAR(0.4f / (visibleHeightAt(line.distance) * 1024 / 768), 1 / 1.06, 1e-4);
}

TEST(ModelRotation, WrapsIntoTheHalfTurnsEitherSide) {
  // A long jump of the pointer (900, -1000) still lands in range.
  const std::pair<float, float> angles[] = {{181, -179}, {-181, 179}, {180, 180}, {-180, -180},
                                            {45, 45},    {900, 180},  {-1000, 80}};
  for (auto [degrees, wrapped] : angles) EXPECT_FLOAT_EQ(wrapDegrees(degrees), wrapped) << degrees;
}

}  // namespace
