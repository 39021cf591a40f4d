// The arithmetic of the camera tools: window pixels to the slide plane, the
// fit of a zoom rectangle, and the model rotation's range.
#include <gtest/gtest.h>

#include <cmath>

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
  float x, y;
  screenToPlane(512, 384, x, y);
  EXPECT_FLOAT_EQ(x, 0);
  EXPECT_FLOAT_EQ(y, 0);
  screenToPlane(0, 0, x, y);
  EXPECT_FLOAT_EQ(x, -viewer.visibleWidth / 2);
  EXPECT_FLOAT_EQ(y, viewer.visibleHeight / 2);  // pixel rows run down, the plane's y up
  screenToPlane(1024, 768, x, y);
  EXPECT_FLOAT_EQ(x, viewer.visibleWidth / 2);
  EXPECT_FLOAT_EQ(y, -viewer.visibleHeight / 2);

  // The result is in the plane's own coordinates: a pan moves the scene,
  // so the point under a pixel moves the other way.
  useWindow(1024, 768, defaultZoomLevel, 0.1f, -0.05f);
  screenToPlane(512, 384, x, y);
  EXPECT_FLOAT_EQ(x, -0.1f);
  EXPECT_FLOAT_EQ(y, 0.05f);
}

TEST(ScreenToPlane, TakesIntegerHalvesOfTheWindow) {
  useWindow(641, 481, defaultZoomLevel);
  float x, y;
  screenToPlane(320, 240, x, y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

TEST(ScreenToPlane, AnEmptyWindowGivesNumbers) {
  useWindow(1024, 768, defaultZoomLevel);
  viewer.windowWidth = 0;
  viewer.windowHeight = 0;
  float x, y;
  screenToPlane(10, 10, x, y);
  EXPECT_TRUE(std::isfinite(x));
  EXPECT_TRUE(std::isfinite(y));
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

TEST(RectangleZoom, AClickWithoutADragZoomsAsCloseAsPossibleOnThePoint) {
  ViewTarget target = rectangleZoomTarget(0.2f, -0.1f, 0.2f, -0.1f, 1024, 768);
  EXPECT_FLOAT_EQ(target.zoom, -50);
  EXPECT_FLOAT_EQ(target.panX, -0.2f);
  EXPECT_FLOAT_EQ(target.panY, 0.1f);
  EXPECT_TRUE(std::isfinite(target.distance));

  // A line (no height) is as wide as a rectangle gets: its width decides.
  ViewTarget line = rectangleZoomTarget(-0.2f, 0, 0.2f, 0, 1024, 768);
  EXPECT_NEAR(0.4f / (visibleHeightAt(line.distance) * 1024 / 768), 1 / 1.06, 1e-4);
}

TEST(RectangleZoom, TheZoomStaysInItsRange) {
  ViewTarget huge = rectangleZoomTarget(-40, -30, 40, 30, 1024, 768);
  EXPECT_FLOAT_EQ(huge.zoom, 140);
  ViewTarget tiny = rectangleZoomTarget(0, 0, 1e-6f, 1e-6f, 1024, 768);
  EXPECT_FLOAT_EQ(tiny.zoom, -50);
}

TEST(ModelRotation, WrapsIntoTheHalfTurnsEitherSide) {
  EXPECT_FLOAT_EQ(wrapDegrees(181), -179);
  EXPECT_FLOAT_EQ(wrapDegrees(-181), 179);
  EXPECT_FLOAT_EQ(wrapDegrees(180), 180);
  EXPECT_FLOAT_EQ(wrapDegrees(-180), -180);
  EXPECT_FLOAT_EQ(wrapDegrees(45), 45);
  // A long jump of the pointer still lands in range.
  EXPECT_FLOAT_EQ(wrapDegrees(900), 180);
  EXPECT_FLOAT_EQ(wrapDegrees(-1000), 80);
}

}  // namespace
