// The transitions drawn into a real window and read back, frame by frame as
// the viewer steps them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "transition_pages.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_squares_fly.h"

namespace {

using namespace transitiontest;

struct AnimatedTransitions : TransitionPages {
  // Frames at 1/30 steps up to (and including) progress `until`.
  static void run(Transition& transition, float until) {
    for (int k = 1; k <= 30; ++k) drawFrame(transition, until * k / 30);
  }
  // Sets every point of the burn field to when(i, j).
  template <class When>
  static void fillBurnField(When when) {
    for (int i = 0; i < burnColumns; ++i)
      for (int j = 0; j < burnRows; ++j) burnStore().at(i, j) = when(i, j);
  }
};

TEST_F(AnimatedTransitions, BlendFadesTheNewPageInBySmoothStep) {
  auto blend = make("BLEND");
  for (auto [progress, alpha] : {std::pair{0.25f, 0.15625}, {0.5f, 0.5}, {1.2f, 1.0}}) {
    SCOPED_TRACE(progress);
    drawFrame(*blend, progress);
    const gltest::Rgba left = gltest::pixelAt(10, 96), right = gltest::pixelAt(245, 96);
    EXPECT_NEAR(left.r, 255 * (1 - alpha), 2);
    EXPECT_NEAR(left.b, 255 * alpha, 2);
    EXPECT_NEAR(right.g, 255 * (1 - alpha), 2);
    // The fade's colour stays current.
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], float(alpha));
  }
}

TEST_F(AnimatedTransitions, ScrollSquaresAndPullUncoverTheNewPageWhereTheirMotionPutsIt) {
  using Is = bool (*)(const gltest::Rgba&);
  const Is r = isRed, g = isGreen, b = isBlue, o = isOldPage;
  const int seam = columnOf(0.34375f);
  const struct {
    const char* kind;
    float progress, oldLow, oldHigh;  // the share of the window the old page covers
    std::vector<std::tuple<int, int, Is>> pixels;
  } shots[] = {
      // At 1/3 the left edge is at -1 and the right edge has not started: the old
      // page still reaches the right side, its seam pushed left of the middle.
      {"SCROLL_LEFT", 1 / 3.0f, 0, 1, {{0, 96, r}, {80, 96, r}, {96, 96, g}, {250, 96, g}}},
      // At 0.5 the old right edge and the new left edge meet at 0.5 - smoothStep(0.25).
      {"SCROLL_LEFT", 0.5f, 0, 1, {{seam - 3, 96, g}, {seam + 3, 96, b}, {255, 10, b}}},
      // Without delay and turn every square has moved (1.97 p)^2 to the left at
      // progress p, and the old page's right edge with them.
      {"SQUARES_FLY", std::sqrt(0.125f) / 1.97f, 0, 1, {{221, 96, o}, {227, 96, b}}},
      {"SQUARES_FLY", std::sqrt(0.25f) / 1.97f, 0, 1, {{189, 96, o}, {195, 96, b}}},
      {"SQUARES_FLY", std::sqrt(0.5f) / 1.97f, 0, 1, {{125, 96, o}, {131, 96, b}}},
      // The cloth's quads wind clockwise: only drawn unculled do they show.
      {"PULL_LEFT", 0.02f, 0.8f, 1, {{30, 96, r}, {200, 96, g}}},
      // The left edge is still held near its place; the pulled corner has
      // uncovered the bottom right.
      {"PULL_LEFT", 0.5f, 0.1f, 0.9f, {{30, 96, r}, {250, 4, b}}},
  };
  for (const auto& shot : shots) {
    SCOPED_TRACE(std::string(shot.kind) + " at " + std::to_string(shot.progress));
    auto transition = make(shot.kind);
    for (auto& row : squaresFlyStore().squares)
      for (SquareMotion& square : row) square = {0, 0, 0};
    run(*transition, shot.progress);
    for (auto [x, y, is] : shot.pixels) EXPECT_TRUE(is(gltest::pixelAt(x, y))) << x << "," << y;
    const int old = countPixels(isOldPage);
    EXPECT_TRUE(old >= allPixels * shot.oldLow && old <= allPixels * shot.oldHigh) << old;
  }
}

TEST_F(AnimatedTransitions, BurnOpensFromTheFirstSeedAndLeavesOnlySparks) {
  auto burn = make("BURN");
  // Only the first seed burns at once: little beyond its sparks is open.
  drawFrame(*burn, 0.0001f);
  EXPECT_GT(countPixels(isOldPage), allPixels - 300);

  drawFrame(*burn, 0.5f);
  // Near the fire's edge the old page (red left half, green right half) is
  // darkened, down to 0.2; the unburnt part may lie in either half.
  EXPECT_GT(countPixels([](gltest::Rgba c) {
              const int bright = std::max(c.r, c.g), other = std::min(c.r, c.g);
              return bright > 45 && bright < 200 && other < 10 && c.b < 10;
            }),
            0);
  float colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3);

  drawFrame(*burn, 1);
  EXPECT_EQ(countPixels([](gltest::Rgba c) { return isBlue(c) || (c.r > 200 && c.g > 120); }),
            allPixels);
}

TEST_F(AnimatedTransitions, BurnEdgeCrossesEachCellSideAtItsShare) {
  auto burn = make("BURN");
  // Left of the gap between grid columns 29 and 30 the page burns at 0.2,
  // right of it at 0.6: at p = 0.5 the edge lies 3/4 of the way across,
  // at x = 29.75 / 59 - 0.5 = 0.0042, between pixel columns 128 and 129.
  fillBurnField([](int i, int) { return i < 30 ? 0.2f : 0.6f; });
  drawFrame(*burn, 0.5f);
  for (int y = 2; y < windowHeight - 2; ++y) {
    ASSERT_TRUE(isBlue(gltest::pixelAt(128, y))) << y;
    ASSERT_TRUE(isOldPage(gltest::pixelAt(129, y))) << y;
  }
  // The same across the rows: the edge at y = 21.75 * 0.75 / 44 - 0.375,
  // between pixel rows 94 and 95.
  fillBurnField([](int, int j) { return j < 22 ? 0.2f : 0.6f; });
  drawFrame(*burn, 0.5f);
  for (int x = 2; x < windowWidth - 2; ++x) {
    ASSERT_TRUE(isBlue(gltest::pixelAt(x, 94))) << x;
    ASSERT_TRUE(isOldPage(gltest::pixelAt(x, 95))) << x;
  }
  // A checkerboard makes every cell a saddle (two opposite corners in):
  // those cells stay open.
  fillBurnField([](int i, int j) { return (i + j) % 2 ? 0.8f : 0.2f; });
  drawFrame(*burn, 0.5f);
  EXPECT_EQ(countPixels(isBlue), allPixels);

  // Sparks fly over the points that ignite within a hundredth of now.
  auto sparks = [] {
    return countPixels([](gltest::Rgba c) { return c.r > 190 && c.g > 120 && c.b < 100; });
  };
  fillBurnField([](int, int) { return 0.5f; });
  drawFrame(*burn, 0.505f);
  EXPECT_GT(sparks(), 0);
  drawFrame(*burn, 0.515f);
  EXPECT_EQ(sparks(), 0);
}

}  // namespace
