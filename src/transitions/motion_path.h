#pragma once
#include <vector>

// A timed 2-D curve through control points with speeds: where a body that
// left the first point at time 0 is at time t, speeding up and slowing down
// linearly between samples.
class MotionPath {
 public:
  void addControlPoint(float x, float y, float speed);
  // (Re)computes the samples: quadratic Bezier pieces through the midpoints,
  // 19 samples a piece, arrival times at each.
  void build();
  void positionAt(float t, float& x, float& y) const;
  float totalTime() const;

  int controlPointCount() const { return int(controlPoints.size() / 3); }
  int sampleCount() const { return int(samples.size() / 4); }

  std::vector<float> controlPoints;  // x, y, speed per point
  std::vector<float> samples;        // x, y, time, speed per sample
};
