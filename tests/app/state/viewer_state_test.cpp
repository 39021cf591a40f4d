#include "app/state/viewer_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

TEST(ViewerState, SmoothStepSaturates) {
  const std::pair<float, float> steps[] = {{-0.5f, 0}, {1.5f, 1}, {0.5f, 0.5f}, {0.25f, 0.15625f}};
  for (auto [x, y] : steps) EXPECT_FLOAT_EQ(smoothStep(x), y) << x;
}

TEST(ViewerState, ZoomClampsInPlaceAndDoublesEveryTwentySteps) {
  EXPECT_NEAR(ViewerState().cameraDistance, -0.648, 0.001);  // the default zoom, 53.9
  float zoom = 0;
  EXPECT_FLOAT_EQ(zoomToDistance(zoom), -0.1f);
  zoom = 20;
  EXPECT_FLOAT_EQ(zoomToDistance(zoom), -0.2f);
  zoom = -51;
  zoomToDistance(zoom);
  EXPECT_EQ(zoom, -50);
  zoom = 141;
  EXPECT_FLOAT_EQ(zoomToDistance(zoom), float(-0.1 * std::pow(2.0, 7.0)));
  EXPECT_EQ(zoom, 140);
}

TEST(ViewerState, VisibleAreaFollowsDistanceAndWindowShape) {
  viewer.windowWidth = 1024;
  viewer.windowHeight = 768;
  viewer.cameraDistance = -1;
  updateVisibleArea();
  EXPECT_NEAR(viewer.visibleHeight, 2 * std::tan(M_PI / 6), 1e-6);
  EXPECT_NEAR(viewer.visibleWidth, viewer.visibleHeight * 4 / 3, 1e-6);
}
