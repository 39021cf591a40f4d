#include "transitions/motion_path.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Point {
  float x, y;
};

// Samples are x, y, time, speed.
Point sample(const MotionPath& path, int k) {
  return {path.samples.at(size_t(k) * 4), path.samples.at(size_t(k) * 4 + 1)};
}
float sampleSpeed(const MotionPath& path, int k) {
  return path.samples.at(size_t(k) * 4 + 3);
}
Point at(const MotionPath& path, float t) {
  Point p{};
  path.positionAt(t, p.x, p.y);
  return p;
}
void expectAt(const MotionPath& path, float t, float x, float y) {
  const Point p = at(path, t);
  EXPECT_TRUE(std::fabs(p.x - x) < 1e-5f && std::fabs(p.y - y) < 1e-5f)
      << "at " << t << ": " << p.x << ", " << p.y << " instead of " << x << ", " << y;
}

MotionPath fourPointPath() {
  MotionPath path;
  path.addControlPoint(0, 0, 1);
  path.addControlPoint(1, 1, 3);
  path.addControlPoint(2, 0, 2);
  path.addControlPoint(4, 1, 1);
  path.build();
  return path;
}

TEST(MotionPath, FourControlPointsGiveTwoPiecesJoinedAtTheMidpoint) {
  const MotionPath path = fourPointPath();
  ASSERT_EQ(path.sampleCount(), 39);
  // Pieces P0-P1-M12 and M12-P2-P3, then P3 itself.
  EXPECT_FLOAT_EQ(sample(path, 0).x, 0);
  EXPECT_FLOAT_EQ(sample(path, 19).x, 1.5f);
  EXPECT_FLOAT_EQ(sample(path, 19).y, 0.5f);
  EXPECT_FLOAT_EQ(sampleSpeed(path, 19), 2.5f);
  EXPECT_FLOAT_EQ(sample(path, 38).x, 4);
  EXPECT_FLOAT_EQ(sample(path, 38).y, 1);
  EXPECT_FLOAT_EQ(sampleSpeed(path, 38), 1);
  // The speed runs from a piece's start towards its control point.
  const float t = 10 * (1.0f / 19);
  EXPECT_FLOAT_EQ(sampleSpeed(path, 10), (1 - t) * 1 + t * 3);
  EXPECT_FLOAT_EQ(sampleSpeed(path, 29), (1 - t) * 2.5f + t * 2);

  // Building again replaces the samples.
  MotionPath again = path;
  again.build();
  EXPECT_EQ(again.samples, path.samples);
}

TEST(MotionPath, ChangingSpeedAcceleratesEvenly) {
  MotionPath path;
  path.addControlPoint(0, 0, 1);
  path.addControlPoint(3, 0, 2);
  path.build();
  EXPECT_FLOAT_EQ(path.totalTime(), 2);
  // s(t) = t + (4 - 1) / 12 * t^2
  expectAt(path, 1, 1.25f, 0);
  expectAt(path, 2, 3, 0);
}

TEST(MotionPath, QueriesAtAndAfterTheEndsGiveTheEnds) {
  const MotionPath path = fourPointPath();
  expectAt(path, 0, 0, 0);
  expectAt(path, path.totalTime(), 4, 1);
  expectAt(path, path.totalTime() + 10, 4, 1);
  // Every sample is reached at its own time.
  for (int k = 0; k < path.sampleCount(); ++k)
    expectAt(path, path.samples.at(size_t(k) * 4 + 2), sample(path, k).x, sample(path, k).y);
}

TEST(MotionPath, CoincidentSamplesAndEmptyPathsStayFinite) {
  MotionPath same;
  same.addControlPoint(1, 1, 1);
  same.addControlPoint(1, 1, 1);
  same.build();
  Point p = at(same, 0);
  EXPECT_EQ(p.x, 1);
  EXPECT_EQ(p.y, 1);

  MotionPath empty;
  empty.build();
  p = at(empty, 1);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(empty.totalTime(), 0);
}

}  // namespace
