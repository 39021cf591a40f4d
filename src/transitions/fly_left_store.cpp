#include <cmath>

#include "app/state/viewer_state.h"
#include "transitions/transition_fly_left.h"

namespace {

struct ControlPoint {
  float x, z, speed;
};

// Path 0 takes the old page's left edge off to the left and back; path 1
// brings the new page's left edge in from far right to the page's edge.
const ControlPoint pathControlPoints[2][4] = {
    {{-0.5f, 0, 0.3f}, {-0.5f, -0.05f, 0.85f}, {-0.6f, -0.15f, 1.2f}, {-2.0f, -0.1f, 1.0f}},
    {{2.5f, -0.5f, 2.0f}, {0.5f, -0.1f, 1.5f}, {0.0f, 0.0f, 0.5f}, {-0.5f, 0.0f, 0.3f}},
};

const float linkLength = 1.0f / flyLeftStrips;

// Head on its path, then every link re-spaced to 1/24 along its current
// direction. A link whose ends coincide has no direction: it stays as it is
// (the head moves on next frame and gives it one).
void stepRope(float (&chain)[flyLeftStrips + 1][2], const MotionPath& path, float progress) {
  path.positionAt(smoothStep(progress) * path.totalTime(), chain[0][0], chain[0][1]);
  for (int k = 0; k < flyLeftStrips; ++k) {
    const float dx = chain[k + 1][0] - chain[k][0];
    const float dz = chain[k + 1][1] - chain[k][1];
    const float length = std::sqrt(dx * dx + dz * dz);
    if (!(length > 0)) continue;
    const float scale = linkLength / length;
    chain[k + 1][0] = chain[k][0] + dx * scale;
    chain[k + 1][1] = chain[k][1] + dz * scale;
  }
}

}  // namespace

FlyLeftStore& flyLeftStore() {
  static FlyLeftStore store;
  return store;
}

void buildFlyLeftPaths() {
  FlyLeftStore& store = flyLeftStore();
  for (int p = 0; p < 2; ++p) {
    MotionPath& path = store.paths[p];
    if (path.controlPointCount() > 0) continue;
    for (const ControlPoint& point : pathControlPoints[p]) {
      path.addControlPoint(point.x, point.z, point.speed);
    }
    path.build();
  }
}

void resetFlyLeftChains() {
  FlyLeftStore& store = flyLeftStore();
  for (int k = 0; k <= flyLeftStrips; ++k) {
    store.chainA[k][0] = k * linkLength - 0.5f;
    store.chainA[k][1] = 0;
    store.chainB[k][0] = float(k);
    store.chainB[k][1] = 0;
  }
}

void advanceFlyLeftChains(float progress) {
  FlyLeftStore& store = flyLeftStore();
  stepRope(store.chainA, store.paths[0], progress);
  stepRope(store.chainB, store.paths[1], progress);
}
