#include "transitions/motion_path.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <initializer_list>
#include <tuple>

namespace {

// Sample k: x, y, time, speed.
std::array<float, 4> sample(const MotionPath& path, int k) {
  const float* s = &path.samples.at(size_t(k) * 4 + 3) - 3;
  return {s[0], s[1], s[2], s[3]};
}
void expectAt(const MotionPath& path, float t, float x, float y) {
  float atX = 0, atY = 0;
  path.positionAt(t, atX, atY);
  EXPECT_TRUE(std::fabs(atX - x) < 1e-5f && std::fabs(atY - y) < 1e-5f)
      << "at " << t << ": " << atX << ", " << atY << " instead of " << x << ", " << y;
}
// Control points as x, y, speed.
MotionPath built(std::initializer_list<std::array<float, 3>> points) {
  MotionPath path;
  for (auto [x, y, speed] : points) path.addControlPoint(x, y, speed);
  path.build();
  return path;
}

TEST(MotionPath, FourControlPointsGiveTwoPiecesJoinedAtTheMidpointReachedInTime) {
  const MotionPath path = built({{0, 0, 1}, {1, 1, 3}, {2, 0, 2}, {4, 1, 1}});
  ASSERT_EQ(path.sampleCount(), 39);
  // Pieces P0-P1-M12 and M12-P2-P3, then P3 itself.
  EXPECT_FLOAT_EQ(sample(path, 0)[0], 0);
  EXPECT_EQ(std::tuple(sample(path, 19)[0], sample(path, 19)[1], sample(path, 19)[3]),
            std::tuple(1.5f, 0.5f, 2.5f));
  EXPECT_EQ(std::tuple(sample(path, 38)[0], sample(path, 38)[1], sample(path, 38)[3]),
            std::tuple(4.0f, 1.0f, 1.0f));
  // The speed runs from a piece's start towards its control point.
  const float t = 10 * (1.0f / 19);
  EXPECT_FLOAT_EQ(sample(path, 10)[3], (1 - t) * 1 + t * 3);
  EXPECT_FLOAT_EQ(sample(path, 29)[3], (1 - t) * 2.5f + t * 2);
  // Every sample is reached at its own time; after the end, the end.
  expectAt(path, 0, 0, 0);
  for (int k = 0; k < path.sampleCount(); ++k)
    expectAt(path, sample(path, k)[2], sample(path, k)[0], sample(path, k)[1]);
  expectAt(path, path.totalTime() + 10, 4, 1);

  // Building again replaces the samples.
  MotionPath again = path;
  again.build();
  EXPECT_EQ(again.samples, path.samples);
}

TEST(MotionPath, ChangingSpeedAcceleratesEvenlyAndDegeneratePathsStayFinite) {
  const MotionPath path = built({{0, 0, 1}, {3, 0, 2}});
  EXPECT_FLOAT_EQ(path.totalTime(), 2);
  // s(t) = t + (4 - 1) / 12 * t^2
  expectAt(path, 1, 1.25f, 0);
  expectAt(path, 2, 3, 0);
  // Coincident samples and empty paths stay finite.
  expectAt(built({{1, 1, 1}, {1, 1, 1}}), 0, 1, 1);
  const MotionPath empty = built({});
  expectAt(empty, 1, 0, 0);
  EXPECT_EQ(empty.totalTime(), 0);
}

}  // namespace
