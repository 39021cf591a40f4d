// The time-driven overlays: cursor fade, progress indicator, clock, splash,
// and the digit layout of drawNumber, drawn and read back from GL.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/frame.h"
#include "support/gl_test_window.h"

namespace {

using Moments = std::vector<std::pair<float, float>>;  // argument, expected value

TEST(CursorFade, StaysForTwoAndAQuarterSecondsAndIsGoneAtThree) {
  for (auto [t, fade] : Moments{{0, 0}, {2.25f, 0}, {2.625f, 0.5f}, {3, 1}, {100, 1}})
    EXPECT_NEAR(cursorFade(t), fade, 1e-5) << t;
  for (float t = 2.25f; t <= 3; t += 0.05f) EXPECT_GE(cursorFade(t + 0.05f), cursorFade(t)) << t;
}

TEST(ProgressIndicator, FadesInHoldsFadesOutFlashesAndSharesTheBar) {
  // After a transition of 0.6 s: nothing while it runs, in by 1.6 s, held,
  // 1.9 s after it ended (3 - 1.9 = 1.1) still full, out by 3.6 s.
  const Moments moments = {{0.3f, 0}, {0.6f, 0},    {1.1f, 0.5f}, {1.7f, 1},
                           {2.5f, 1}, {3.1f, 0.5f}, {3.6f, 0},    {60, 0}};
  for (auto [t, fade] : moments) EXPECT_NEAR(progressFade(t, 0.6f), fade, 1e-5) << t;
  // It flashes four times a second.
  const struct {
    float t, strength, alpha;
  } flashes[] = {{0, 1, 1}, {0.125f, 1, 0.5f}, {0.375f, 0.5f, 0.25f}, {1.0f, 0.8f, 0.8f}};
  for (const auto& f : flashes) EXPECT_NEAR(progressFlash(f.t, f.strength), f.alpha, 1e-5) << f.t;
  EXPECT_LT(progressFlash(0.2499f, 1), 0.01f);
  // Up to a tenth of the bar each.
  for (auto [slides, width] : Moments{{20, 0.04f}, {10, 0.08f}, {5, 0.1f}, {1, 0.1f}, {0, 0.1f}})
    EXPECT_FLOAT_EQ(progressSquareWidth(int(slides)), width) << slides;
}

TEST(Clock, ReadsMinutesAndSecondsAndGrowsForMinuteDigits) {
  const float readings[][3] = {{0.4f, 0, 0}, {600.9f, 10, 0}, {3725, 62, 5}};  // minutes, seconds
  for (auto [t, minutes, seconds] : readings) {
    EXPECT_EQ(clockReading(t).minutes, int(minutes)) << t;
    EXPECT_EQ(clockReading(t).seconds, int(seconds)) << t;
  }
  for (auto [minutes, growth] : Moments{{0, 0}, {9, 0}, {10, 0.015f}, {999, 0.03f}, {1000, 0.045f}})
    EXPECT_FLOAT_EQ(clockBarGrowth(int(minutes)), growth) << minutes;
}

TEST(Splash, BackdropDriftAndPiecesFollowTheirCurves) {
  // smoothStep(0.3) = 0.216, smoothStep(0.4) = 0.352, smoothStep(0.2) = 0.104;
  // the drift is -0.6 (t / 2 - 0.5)^3: it starts to the right.
  const struct {
    float t, backdrop, drift, first, second, third;
  } frames[] = {{0, 0, 0.075f, 0, 0, 0},
                {1, 0.5f, 0, 1, 0.216f, 0},
                {1.9f, 0.052f, -0.054675f, 0.352f, 0.352f, 0.352f},
                {2, 0, -0.075f, 0, 0, 0}};
  for (const auto& f : frames) {
    SplashFrame s = splashFrame(f.t);
    const float got[] = {s.backdrop, s.drift, s.first, s.second, s.third};
    const float expected[] = {f.backdrop, f.drift, f.first, f.second, f.third};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(got[i], expected[i], 1e-4) << f.t << ", value " << i;
  }
}

TEST(DrawNumber, DrawsEachDigitFromItsAtlasCellInA0Point1Grid) {
  REQUIRE_GL_WINDOW(256, 192);
  gltest::usePageProjection();
  unsigned int texture = gltest::coordinateTexture();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glColor3f(1, 1, 1);

  // Digits 0.1 wide: aligned left the number runs right from the origin,
  // otherwise its last digit sits there. Around it nothing is drawn.
  const struct {
    int n;
    bool alignLeft;
    const char* shown;  // the digits drawn at x = first, first + 0.1, ...
    float first;
  } cases[] = {
      {305, true, "305", 0},   {47, false, "47", -0.1f}, {0, true, "0", 0},
      {1000, true, "1000", 0}, {-3, true, "", 0},  // negative: nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.n) + (c.alignLeft ? " left" : " right"));
    glClear(GL_COLOR_BUFFER_BIT);
    drawNumber(c.n, c.alignLeft);
    const int digits = int(std::string(c.shown).size());
    for (int k = -1; k <= digits; ++k) {
      const float x = c.first + 0.1f * k;
      const int expected = k < 0 || k == digits ? -1 : c.shown[k] - '0';
      gltest::Rgba p = gltest::pixelAt(int((x + 0.5f) * 256), 96);
      EXPECT_EQ(p.b == 128 ? int(p.r / 25.6) : -1, expected) << "at " << x;
    }
  }
  glDeleteTextures(1, &texture);
}

}  // namespace
