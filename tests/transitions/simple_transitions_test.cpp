// The cut, the blend and the scroll drawn into a real window and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "transition_pages.h"

namespace {

using namespace transitiontest;
using SimpleTransitions = TransitionPages;

bool near(int value, double expected, int tolerance = 2) {
  return std::abs(value - expected) <= tolerance;
}

TEST_F(SimpleTransitions, HardShowsTheOldPageAtZeroAndTheNewOneAfter) {
  auto hard = make("HARD");
  drawFrame(*hard, 0);
  EXPECT_TRUE(isRed(gltest::pixelAt(10, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(245, 96)));  // the picture, not its padding
  for (float p : {0.001f, 0.5f, 1.3f}) {
    drawFrame(*hard, p);
    EXPECT_TRUE(isBlue(gltest::pixelAt(10, 96))) << p;
    EXPECT_TRUE(isBlue(gltest::pixelAt(245, 180))) << p;
  }
}

TEST_F(SimpleTransitions, BlendFadesTheNewPageInBySmoothStep) {
  auto blend = make("BLEND");
  drawFrame(*blend, 0);
  EXPECT_TRUE(isRed(gltest::pixelAt(10, 96)));

  const struct {
    float progress;
    double alpha;
  } cases[] = {{0.25f, 0.15625}, {0.5f, 0.5}, {1.0f, 1.0}, {1.2f, 1.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.progress);
    drawFrame(*blend, c.progress);
    const gltest::Rgba left = gltest::pixelAt(10, 96);
    const gltest::Rgba right = gltest::pixelAt(245, 96);
    EXPECT_TRUE(near(left.r, 255 * (1 - c.alpha))) << left.r;
    EXPECT_TRUE(near(left.b, 255 * c.alpha)) << left.b;
    EXPECT_TRUE(near(right.g, 255 * (1 - c.alpha))) << right.g;
    // The fade's colour stays current.
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], float(c.alpha));
  }
}

TEST_F(SimpleTransitions, ScrollLeftMovesTheEdgesOneAfterTheOther) {
  auto scroll = make("SCROLL_LEFT");
  // At 1/3 the left edge is at -1 and the right edge has not started: the
  // old page still reaches the right side, its seam pushed left of the middle.
  drawFrame(*scroll, 1.0f / 3);
  EXPECT_TRUE(isRed(gltest::pixelAt(0, 96)));
  EXPECT_TRUE(isRed(gltest::pixelAt(80, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(96, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(250, 96)));

  // At 0.5 the old right edge and the new left edge meet at 0.5 - smoothStep(0.25).
  drawFrame(*scroll, 0.5f);
  const int seam = columnOf(0.34375f);
  EXPECT_TRUE(isGreen(gltest::pixelAt(seam - 3, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(seam + 3, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(255, 10)));

  for (float p : {1.0f, 1.1f}) {  // the new page in place
    drawFrame(*scroll, p);
    for (int x : {0, 128, 255}) EXPECT_TRUE(isBlue(gltest::pixelAt(x, 96))) << p << " " << x;
  }
}

}  // namespace
