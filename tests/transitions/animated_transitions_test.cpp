// The transitions drawn into a real window and read back, frame by frame as
// the viewer steps them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "transition_pages.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_squares_fly.h"

namespace {

using namespace transitiontest;

class AnimatedTransitions : public TransitionPages {
 protected:
  // Frames at 1/frames steps up to (and including) progress `until`.
  static void run(Transition& transition, float until, int frames = 30) {
    for (int k = 1; k <= frames; ++k) drawFrame(transition, until * k / frames);
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

TEST_F(AnimatedTransitions, ScrollLeftMovesTheEdgesOneAfterTheOther) {
  auto scroll = make("SCROLL_LEFT");
  // At 1/3 the left edge is at -1 and the right edge has not started: the
  // old page still reaches the right side, its seam pushed left of the middle.
  drawFrame(*scroll, 1.0f / 3);
  for (auto [x, red] : {std::pair{0, true}, {80, true}, {96, false}, {250, false}})
    EXPECT_TRUE(red ? isRed(gltest::pixelAt(x, 96)) : isGreen(gltest::pixelAt(x, 96))) << x;
  // At 0.5 the old right edge and the new left edge meet at 0.5 - smoothStep(0.25).
  drawFrame(*scroll, 0.5f);
  const int seam = columnOf(0.34375f);
  EXPECT_TRUE(isGreen(gltest::pixelAt(seam - 3, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(seam + 3, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(255, 10)));
}

TEST_F(AnimatedTransitions, FlyLeftNewPageHangsFromItsRopeUntilTwoThirdsThenEasesFlat) {
  auto fly = make("FLY_LEFT");
  // How far each moment has eased from the rope onto the flat page.
  const std::pair<float, float> moments[] = {{0.5f, 0}, {2 / 3.0f, 0}, {5 / 6.0f, 0.5f}, {1, 1}};
  for (auto [progress, flat] : moments) {
    SCOPED_TRACE(progress);
    run(*fly, progress);
    glDisable(GL_CULL_FACE);
    // The new page's strips come last: the x of their corners are those of
    // the rope's points, eased towards the flat page's. At the end they lie
    // on the page rectangle's top and bottom edges.
    const auto vertices = feedbackVertices([&] { fly->draw(progress); });
    ASSERT_FALSE(vertices.empty());
    std::vector<float> corners;
    for (size_t k = vertices.size() / 2; k < vertices.size(); ++k) {
      corners.push_back(vertices[k].first);
      if (flat == 1) {
        EXPECT_NEAR(std::fabs(vertices[k].second), 0.375f, 1e-4f);
      }
    }
    std::vector<float> expected;
    for (int k = 0; k <= flyLeftStrips; ++k)
      expected.push_back(flat * (k / 24.0f - 0.5f) + (1 - flat) * flyLeftStore().chainB[k][0]);
    auto distance = [](const std::vector<float>& values, float to) {
      float nearest = 1e9f;
      for (float value : values) nearest = std::min(nearest, std::fabs(value - to));
      return nearest;
    };
    for (float corner : corners) EXPECT_LT(distance(expected, corner), 1e-4f) << corner;
    for (float point : expected) EXPECT_LT(distance(corners, point), 1e-4f) << point;
  }
}

TEST_F(AnimatedTransitions, SquaresMoveLeftWithTheSquareOfTheirTime) {
  auto squares = make("SQUARES_FLY");
  // No delay and no turn: at progress p every square has moved
  // (1.97 p)^2 to the left, so the old page's right edge is there.
  for (auto& row : squaresFlyStore().squares)
    for (SquareMotion& square : row) square = {0, 0, 0};
  for (float shift : {0.125f, 0.25f, 0.5f}) {
    drawFrame(*squares, std::sqrt(shift) / 1.97f);
    const int edge = columnOf(0.5f - shift);
    EXPECT_TRUE(isOldPage(gltest::pixelAt(edge - 3, 96))) << shift;
    EXPECT_TRUE(isBlue(gltest::pixelAt(edge + 3, 96))) << shift;
  }
}

TEST_F(AnimatedTransitions, PullLeftDrawsTheClothUnculledOverTheNewPage) {
  auto pull = make("PULL_LEFT");
  // The cloth's quads wind clockwise: only drawn unculled do they show.
  drawFrame(*pull, 0.02f);
  EXPECT_TRUE(isRed(gltest::pixelAt(30, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(200, 96)));
  EXPECT_GT(countPixels(isOldPage), allPixels * 9 / 10);

  run(*pull, 0.5f);
  // The left edge is still held near its place; the pulled corner has
  // uncovered the bottom right.
  EXPECT_TRUE(isRed(gltest::pixelAt(30, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(250, 4)));
  const int old = countPixels(isOldPage);
  EXPECT_GT(old, allPixels / 10);
  EXPECT_LT(old, allPixels * 9 / 10);
}

TEST_F(AnimatedTransitions, BurnOpensFromTheFirstSeedAndLeavesOnlySparks) {
  auto burn = make("BURN");
  // Only the first seed burns at once: little beyond its sparks is open.
  drawFrame(*burn, 0.0001f);
  EXPECT_GT(countPixels(isOldPage), allPixels - 300);

  drawFrame(*burn, 0.5f);
  const int half = countPixels(isOldPage);
  EXPECT_GT(half, 0);
  EXPECT_LT(half, allPixels);
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
