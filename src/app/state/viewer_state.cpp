#include "app/state/viewer_state.h"

#include <cmath>

ViewerState::ViewerState() {
  cameraDistance = zoomToDistance(zoomLevel);
}

ViewerState viewer;

float smoothStep(float x) {
  if (x < 0) return 0;
  if (x > 1) return 1;
  return x * x * (3 - 2 * x);
}

float zoomToDistance(float& zoom) {
  if (zoom < -50) zoom = -50;
  if (zoom > 140) zoom = 140;
  return -0.1f * std::pow(2.0f, zoom * 0.05f);
}

void updateVisibleArea() {
  // tan of half the 60 degree field of view.
  viewer.visibleHeight = float(std::tan(0.5235987755833333) * (-2.0 * viewer.cameraDistance));
  viewer.visibleWidth = viewer.windowWidth * viewer.visibleHeight / viewer.windowHeight;
}
