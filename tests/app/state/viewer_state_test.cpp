#include "app/state/viewer_state.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ViewerState, StartsWithTheDocumentedDefaults) {
  ViewerState state;
  EXPECT_TRUE(state.fullScreen);
  EXPECT_EQ(state.windowWidth, 640);
  EXPECT_EQ(state.windowHeight, 480);
  EXPECT_EQ(state.windowX, 10);
  EXPECT_EQ(state.windowedWidth, 0);
  EXPECT_STREQ(state.windowTitle, "Quorvex");
  EXPECT_FLOAT_EQ(state.zoomLevel, 53.9f);
  EXPECT_NEAR(state.cameraDistance, -0.648, 0.001);
  EXPECT_EQ(state.pressedButton, -1);
  EXPECT_FLOAT_EQ(state.transitionDuration, 0.6f);
  EXPECT_FLOAT_EQ(state.uColor[0], 0.4f);
  EXPECT_FLOAT_EQ(state.uColor[1], 1.0f);
  EXPECT_FLOAT_EQ(state.uColor[2], 0.2f);
  EXPECT_FALSE(state.calibrationLoaded);
}

TEST(ViewerState, SmoothStepSaturates) {
  EXPECT_EQ(smoothStep(-0.5f), 0.0f);
  EXPECT_EQ(smoothStep(1.5f), 1.0f);
  EXPECT_FLOAT_EQ(smoothStep(0.5f), 0.5f);
  EXPECT_FLOAT_EQ(smoothStep(0.25f), 0.15625f);
}

TEST(ViewerState, ZoomClampsInPlaceAndDoublesEveryTwentySteps) {
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
