// Fly-left, pull-left, squares-fly and burn drawn into a real window and
// read back, frame by frame as the viewer steps them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "content/description_file.h"
#include "transition_pages.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_pull_left.h"
#include "transitions/transition_squares_fly.h"

namespace {

using namespace transitiontest;

class AnimatedTransitions : public TransitionPages {
 protected:
  std::unique_ptr<Transition> make(const char* type) {
    const DescriptionNode section("Transition");
    std::unique_ptr<Transition> transition(createTransition(type, section, 0, 1));
    transition->start();
    return transition;
  }

  void drawFrame(Transition& transition, float progress) {
    enterFrameState();
    transition.draw(progress);
  }

  // Frames at 1/frames steps up to (and including) progress `until`.
  void run(Transition& transition, float until, int frames = 30) {
    for (int k = 1; k <= frames; ++k) drawFrame(transition, until * k / frames);
  }

  // How many window pixels pass the test.
  template <class Test>
  static int countPixels(Test test) {
    const std::vector<uint8_t> pixels = gltest::readPixels(0, 0, windowWidth, windowHeight);
    int count = 0;
    for (size_t k = 0; k < pixels.size(); k += 4) {
      count += test(gltest::Rgba{pixels[k], pixels[k + 1], pixels[k + 2], pixels[k + 3]});
    }
    return count;
  }

  static constexpr int allPixels = windowWidth * windowHeight;
};

bool isUntouched(const gltest::Rgba& c) {
  return c.r == 0 && c.g == 0 && c.b == 0;
}

TEST_F(AnimatedTransitions, FlyLeftStartsFlatAndEndsOnThePageRectangle) {
  auto fly = make("FLY_LEFT");
  drawFrame(*fly, 0);
  EXPECT_EQ(countPixels(isOldPage), allPixels) << "only the old page, flat";
  EXPECT_TRUE(isRed(gltest::pixelAt(10, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(245, 96)));

  run(*fly, 0.6f);
  expectFrameStateKept();
  // Halfway on, the old page has left the middle and the new one is coming.
  EXPECT_FALSE(isRed(gltest::pixelAt(128, 96)));

  run(*fly, 1.0f);
  // Seen from further away: the new page covers the page rectangle exactly.
  enterFrameState();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-0.75, 0.75, -0.5625, 0.5625, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  fly->draw(1.0f);
  expectFrameStateKept();
  // Page edges at pixel columns 42.7 and 213.3, rows 32 and 160.
  EXPECT_TRUE(isBlue(gltest::pixelAt(44, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(212, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(128, 33)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(128, 158)));
  EXPECT_TRUE(isUntouched(gltest::pixelAt(41, 96)));
  EXPECT_TRUE(isUntouched(gltest::pixelAt(215, 96)));
  EXPECT_TRUE(isUntouched(gltest::pixelAt(128, 30)));
  EXPECT_TRUE(isUntouched(gltest::pixelAt(128, 162)));
  EXPECT_EQ(countPixels(isOldPage), 0);
}

TEST_F(AnimatedTransitions, FlyLeftFirstFrameSpacesTheNewRope) {
  auto fly = make("FLY_LEFT");
  drawFrame(*fly, 0.02f);
  const FlyLeftStore& store = flyLeftStore();
  for (int k = 0; k < flyLeftStrips; ++k) {
    const float d = std::hypot(store.chainB[k + 1][0] - store.chainB[k][0],
                               store.chainB[k + 1][1] - store.chainB[k][1]);
    EXPECT_NEAR(d, 1 / 24.0, 1e-6) << k;
  }
  // start() of the next run spreads it out again.
  fly->start();
  EXPECT_EQ(store.chainB[12][0], 12);
}

TEST_F(AnimatedTransitions, PullLeftDrawsTheClothUnculledOverTheNewPage) {
  auto pull = make("PULL_LEFT");
  drawFrame(*pull, 0);
  EXPECT_TRUE(isRed(gltest::pixelAt(10, 96)));

  // The cloth's quads wind clockwise: only drawn unculled do they show.
  drawFrame(*pull, 0.02f);
  expectFrameStateKept();
  EXPECT_TRUE(isRed(gltest::pixelAt(30, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(200, 96)));
  EXPECT_GT(countPixels(isOldPage), allPixels * 9 / 10);

  run(*pull, 0.5f);
  expectFrameStateKept();
  // The left edge is still held near its place; the pulled corner has
  // uncovered the bottom right.
  EXPECT_TRUE(isRed(gltest::pixelAt(30, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(250, 4)));
  const int old = countPixels(isOldPage);
  EXPECT_GT(old, allPixels / 10);
  EXPECT_LT(old, allPixels * 9 / 10);
}

TEST_F(AnimatedTransitions, SquaresAtRestReproduceThePage) {
  auto plain = make("HARD");
  drawFrame(*plain, 0);
  // Columns 0..33 (x up to 0.35, pixel 217) cannot have started at 0.1.
  const std::vector<uint8_t> page = gltest::readPixels(0, 0, 210, windowHeight);

  auto squares = make("SQUARES_FLY");
  drawFrame(*squares, 0.1f);
  expectFrameStateKept();
  const std::vector<uint8_t> atRest = gltest::readPixels(0, 0, 210, windowHeight);
  int differing = 0;
  for (size_t k = 0; k < page.size(); ++k) differing += std::abs(page[k] - atRest[k]) > 3;
  EXPECT_EQ(differing, 0);
}

TEST_F(AnimatedTransitions, SquaresPeelOffFromTheRight) {
  auto squares = make("SQUARES_FLY");
  run(*squares, 0.5f);
  expectFrameStateKept();
  // The right columns are far gone, the left ones still at rest.
  EXPECT_TRUE(isRed(gltest::pixelAt(10, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(250, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(200, 20)));
  EXPECT_GT(countPixels(isOldPage), 0);
  EXPECT_GT(countPixels(isBlue), allPixels / 3);
}

TEST_F(AnimatedTransitions, BurnOpensFromTheFirstSeedAndLeavesNothing) {
  auto burn = make("BURN");
  drawFrame(*burn, 0);
  EXPECT_EQ(countPixels(isOldPage), allPixels);

  // Only the first seed burns at once: little beyond its sparks is open.
  drawFrame(*burn, 0.0001f);
  expectFrameStateKept();
  EXPECT_GT(countPixels(isOldPage), allPixels - 300);

  drawFrame(*burn, 0.5f);
  expectFrameStateKept();
  const int half = countPixels(isOldPage);
  EXPECT_GT(half, 0);
  EXPECT_LT(half, allPixels);
  // Near the fire's edge the old page is darkened, down to 0.2.
  EXPECT_GT(countPixels([](gltest::Rgba c) { return c.r > 45 && c.r < 200 && c.g < 10; }), 0);
  float colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3);

  for (float p : {1.0f, 1.05f}) {
    drawFrame(*burn, p);
    expectFrameStateKept();
    EXPECT_EQ(countPixels(isOldPage), 0) << p;
    EXPECT_EQ(countPixels([](gltest::Rgba c) { return isBlue(c) || (c.r > 200 && c.g > 120); }),
              allPixels)
        << "only the new page and sparks at " << p;
  }
}

TEST_F(AnimatedTransitions, BurnCutsTheOldPageAlongTheFireLine) {
  auto burn = make("BURN");
  // A field that burns from the lower left corner along x + y / 0.75:
  // at p = 0.5 the fire line runs through the page centre.
  BurnStore& field = burnStore();
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = 0; j < burnRows; ++j) field.at(i, j) = 0.5f * (i / 59.0f + j / 44.0f);
  }
  drawFrame(*burn, 0.5f);
  expectFrameStateKept();
  auto pixel = [](float x, float y) {
    return gltest::pixelAt(int((x + 0.5f) * windowWidth), int((y + 0.375f) * windowWidth));
  };
  const float points[][2] = {
      {0.3f, 0}, {0.05f, 0.2f}, {0.45f, -0.1f}, {-0.2f, 0.35f}, {0.1f, 0.1f}};
  for (const auto& point : points) {
    // Unburnt, and far enough from the line to be at full brightness.
    const gltest::Rgba in = pixel(point[0], point[1]);
    EXPECT_TRUE(point[0] < 0 ? isRed(in) : isGreen(in))
        << point[0] << ", " << point[1] << ": " << in.r << " " << in.g << " " << in.b;
    EXPECT_TRUE(isBlue(pixel(-point[0], -point[1]))) << -point[0] << ", " << -point[1];
  }
  const int old = countPixels(isOldPage);
  EXPECT_GT(old, allPixels * 45 / 100);
  EXPECT_LT(old, allPixels * 55 / 100);
  // Just inside the line the page is dark grey-green (15 z + 0.2 with
  // z = 0.005), unless a spark sits there.
  const gltest::Rgba edge = pixel(0.01f, 0);
  EXPECT_TRUE((edge.g > 40 && edge.g < 120 && edge.r < 10) || edge.r > 200) << edge.g;
}

TEST_F(AnimatedTransitions, BurnEdgeCrossesEachCellSideAtItsShare) {
  auto burn = make("BURN");
  BurnStore& field = burnStore();
  // Left of the gap between grid columns 29 and 30 the page burns at 0.2,
  // right of it at 0.6: at p = 0.5 the edge lies 3/4 of the way across,
  // at x = 29.75 / 59 - 0.5 = 0.0042, between pixel columns 128 and 129.
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = 0; j < burnRows; ++j) field.at(i, j) = i < 30 ? 0.2f : 0.6f;
  }
  drawFrame(*burn, 0.5f);
  for (int y = 2; y < windowHeight - 2; ++y) {
    ASSERT_TRUE(isBlue(gltest::pixelAt(128, y))) << y;
    ASSERT_TRUE(isOldPage(gltest::pixelAt(129, y))) << y;
  }
  // The same across the rows: the edge at y = 21.75 * 0.75 / 44 - 0.375,
  // between pixel rows 94 and 95.
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = 0; j < burnRows; ++j) field.at(i, j) = j < 22 ? 0.2f : 0.6f;
  }
  drawFrame(*burn, 0.5f);
  for (int x = 2; x < windowWidth - 2; ++x) {
    ASSERT_TRUE(isBlue(gltest::pixelAt(x, 94))) << x;
    ASSERT_TRUE(isOldPage(gltest::pixelAt(x, 95))) << x;
  }
  // A checkerboard makes every cell a saddle (two opposite corners in):
  // those cells stay open.
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = 0; j < burnRows; ++j) field.at(i, j) = (i + j) % 2 ? 0.8f : 0.2f;
  }
  drawFrame(*burn, 0.5f);
  EXPECT_EQ(countPixels(isBlue), allPixels);
  expectFrameStateKept();
}

}  // namespace
