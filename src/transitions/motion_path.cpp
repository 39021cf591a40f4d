#include "transitions/motion_path.h"

#include <cmath>

namespace {

constexpr int bezierSamplesPerPiece = 19;

// One control or auxiliary point: position and speed.
struct PathPoint {
  float x, y, speed;
};

float distanceBetween(float x0, float y0, float x1, float y1) {
  const float dx = x1 - x0, dy = y1 - y0;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

void MotionPath::addControlPoint(float x, float y, float speed) {
  controlPoints.push_back(x);
  controlPoints.push_back(y);
  controlPoints.push_back(speed);
}

void MotionPath::build() {
  std::vector<float>().swap(samples);

  // The control points with the midpoint of every inner pair between them,
  // so that consecutive Bezier pieces join smoothly at the midpoints.
  const int n = controlPointCount();
  std::vector<PathPoint> aux;
  for (int i = 0; i < n; ++i) {
    const float* point = &controlPoints[size_t(i) * 3];
    aux.push_back({point[0], point[1], point[2]});
    if (0 < i && i < n - 2) {
      const float* next = point + 3;
      aux.push_back(
          {(point[0] + next[0]) * 0.5f, (point[1] + next[1]) * 0.5f, (point[2] + next[2]) * 0.5f});
    }
  }

  auto emit = [this](float x, float y, float speed) {
    samples.push_back(x);
    samples.push_back(y);
    samples.push_back(0);  // arrival time, filled in below
    samples.push_back(speed);
  };

  const int m = int(aux.size());
  const float step = 1.0f / bezierSamplesPerPiece;
  int c = 0;
  while (c < m) {
    if (c < m - 2) {
      const PathPoint& p = aux[size_t(c)];
      const PathPoint& q = aux[size_t(c) + 1];
      const PathPoint& r = aux[size_t(c) + 2];
      for (int k = 0; k < bezierSamplesPerPiece; ++k) {
        const float t = k * step;
        const float x = t * (t * (p.x - 2 * q.x + r.x) + (2 * q.x - 2 * p.x)) + p.x;
        const float y = t * (t * (p.y - 2 * q.y + r.y) + (2 * q.y - 2 * p.y)) + p.y;
        // The speed runs from the piece's start to its control point only.
        emit(x, y, (1 - t) * p.speed + t * q.speed);
      }
      c += 2;
    } else {
      emit(aux[size_t(c)].x, aux[size_t(c)].y, aux[size_t(c)].speed);
      c += 1;
    }
  }

  // Arrival times: each segment is covered while the speed changes
  // linearly, so it takes its length over the mean of its end speeds.
  const int s = sampleCount();
  double time = 0;
  for (int k = 0; k + 1 < s; ++k) {
    const float* a = &samples[size_t(k) * 4];
    const float* b = a + 4;
    const double d = distanceBetween(a[0], a[1], b[0], b[1]);
    time += 2 * d / (double(a[3]) + b[3]);
    samples[size_t(k + 1) * 4 + 2] = float(time);
  }
}

void MotionPath::positionAt(float t, float& x, float& y) const {
  const int s = sampleCount();
  if (s == 0) {
    x = y = 0;
    return;
  }
  if (s == 1) {
    x = samples[0];
    y = samples[1];
    return;
  }

  auto time = [this](int k) { return samples[size_t(k) * 4 + 2]; };
  int a = 0;
  while (a < s - 1 && t > time(a + 1)) ++a;

  float f = 1;
  if (a < s - 1) {
    const float* pa = &samples[size_t(a) * 4];
    const float* pb = pa + 4;
    const float d = distanceBetween(pa[0], pa[1], pb[0], pb[1]);
    if (d > 0) {
      // Share of the segment travelled under constant acceleration from
      // speed sa to speed sb.
      const float sa = pa[3], sb = pb[3];
      const float tau = t - time(a);
      f = (((sb * sb - sa * sa) * 0.25f / d) * tau * tau + sa * tau) / d;
      if (f < 0) f = 0;
    }
    // A segment of length 0 has nowhere to go: its end is its start.
  } else {
    a = s - 2;
  }
  const float* pa = &samples[size_t(a) * 4];
  const float* pb = pa + 4;
  x = f * pb[0] + (1 - f) * pa[0];
  y = (1 - f) * pa[1] + f * pb[1];
}

float MotionPath::totalTime() const {
  if (samples.empty()) return 0;
  return samples[samples.size() - 2];
}
