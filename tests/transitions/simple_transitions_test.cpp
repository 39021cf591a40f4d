// The cut, the blend and the scroll drawn into a real window and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "content/description_file.h"
#include "transition_pages.h"

namespace {

using namespace transitiontest;

class SimpleTransitions : public TransitionPages {
 protected:
  std::unique_ptr<Transition> make(const char* type) {
    const DescriptionNode section("Transition");
    std::unique_ptr<Transition> transition(createTransition(type, section, 0, 1));
    transition->start();
    return transition;
  }

  // Draws one frame of the transition from the frame's state.
  void drawFrame(Transition& transition, float progress) {
    enterFrameState();
    transition.draw(progress);
  }
};

bool near(int value, double expected, int tolerance = 2) {
  return std::abs(value - expected) <= tolerance;
}

TEST_F(SimpleTransitions, HardShowsTheOldPageAtZeroAndTheNewOneAfter) {
  auto hard = make("HARD");
  drawFrame(*hard, 0);
  EXPECT_TRUE(isRed(gltest::pixelAt(10, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(245, 96)));  // the picture, not its padding
  expectFrameStateKept();
  for (float p : {0.001f, 0.5f, 1.3f}) {
    drawFrame(*hard, p);
    EXPECT_TRUE(isBlue(gltest::pixelAt(10, 96))) << p;
    EXPECT_TRUE(isBlue(gltest::pixelAt(245, 180))) << p;
    expectFrameStateKept();
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
    drawFrame(*blend, c.progress);
    const gltest::Rgba left = gltest::pixelAt(10, 96);
    const gltest::Rgba right = gltest::pixelAt(245, 96);
    EXPECT_TRUE(near(left.r, 255 * (1 - c.alpha))) << c.progress << ": " << left.r;
    EXPECT_TRUE(near(left.b, 255 * c.alpha)) << c.progress << ": " << left.b;
    EXPECT_TRUE(near(right.g, 255 * (1 - c.alpha))) << c.progress << ": " << right.g;
    expectFrameStateKept();
    // The fade's colour stays current.
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], float(c.alpha));
  }
}

TEST_F(SimpleTransitions, ScrollLeftAtOneThirdStretchesTheOldPageOnly) {
  auto scroll = make("SCROLL_LEFT");
  drawFrame(*scroll, 1.0f / 3);
  // Left edge at -1, right edge not started: the old page still reaches
  // the right side, its red-green seam pushed left of the middle.
  EXPECT_TRUE(isRed(gltest::pixelAt(0, 96)));
  EXPECT_TRUE(isRed(gltest::pixelAt(80, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(96, 96)));
  EXPECT_TRUE(isGreen(gltest::pixelAt(250, 96)));
  expectFrameStateKept();
}

TEST_F(SimpleTransitions, ScrollLeftPagesMeetAtTheMovingEdge) {
  auto scroll = make("SCROLL_LEFT");
  drawFrame(*scroll, 0.5f);
  // Old right edge and new left edge both at 0.5 - smoothStep(0.25).
  const int seam = columnOf(0.34375f);
  EXPECT_TRUE(isGreen(gltest::pixelAt(seam - 3, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(seam + 3, 96)));
  EXPECT_TRUE(isBlue(gltest::pixelAt(255, 10)));
  expectFrameStateKept();
}

TEST_F(SimpleTransitions, ScrollLeftEndsWithTheNewPageInPlace) {
  auto scroll = make("SCROLL_LEFT");
  for (float p : {1.0f, 1.1f}) {
    drawFrame(*scroll, p);
    for (int x : {0, 128, 255}) EXPECT_TRUE(isBlue(gltest::pixelAt(x, 96))) << p << " " << x;
    expectFrameStateKept();
  }
}

}  // namespace
