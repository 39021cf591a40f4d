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

TEST(ProgressIndicator, FadesInAfterTheTransitionHoldsAndFadesOut) {
  // After a transition of 0.6 s: nothing while it runs, in by 1.6 s, held,
  // 1.9 s after it ended (3 - 1.9 = 1.1) still full, out by 3.6 s.
  const Moments moments = {{0.3f, 0}, {0.6f, 0},    {1.1f, 0.5f}, {1.7f, 1},
                           {2.5f, 1}, {3.1f, 0.5f}, {3.6f, 0},    {60, 0}};
  for (auto [t, fade] : moments) EXPECT_NEAR(progressFade(t, 0.6f), fade, 1e-5) << t;
}

TEST(ProgressIndicator, FlashesFourTimesASecondAndSquaresShareTheBar) {
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
  const struct {
    float seconds;
    int minutes, secondsShown;
  } readings[] = {{0.4f, 0, 0}, {600.9f, 10, 0}, {3725, 62, 5}};
  for (const auto& r : readings) {
    EXPECT_EQ(clockReading(r.seconds).minutes, r.minutes) << r.seconds;
    EXPECT_EQ(clockReading(r.seconds).seconds, r.secondsShown) << r.seconds;
  }
  for (auto [minutes, growth] : Moments{{0, 0}, {9, 0}, {10, 0.015f}, {999, 0.03f}, {1000, 0.045f}})
    EXPECT_FLOAT_EQ(clockBarGrowth(int(minutes)), growth) << minutes;
}

TEST(Splash, BackdropAndPiecesFollowTheirCurves) {
  SplashFrame start = splashFrame(0);
  EXPECT_EQ(start.backdrop, 0);
  EXPECT_EQ(start.first, 0);
  EXPECT_NEAR(start.drift, 0.075f, 1e-6);  // -0.6 * (-0.5)^3: starts right

  SplashFrame middle = splashFrame(1);
  EXPECT_FLOAT_EQ(middle.backdrop, 0.5f);
  EXPECT_FLOAT_EQ(middle.drift, 0);
  EXPECT_FLOAT_EQ(middle.first, 1);
  EXPECT_NEAR(middle.second, 0.216f, 1e-5);  // smoothStep(0.3)
  EXPECT_EQ(middle.third, 0);

  SplashFrame late = splashFrame(1.9f);
  for (float alpha : {late.first, late.second, late.third})
    EXPECT_NEAR(alpha, 0.352f, 1e-4);               // smoothStep(8 * 0.05)
  EXPECT_NEAR(late.backdrop, 0.5f * 0.104f, 1e-4);  // smoothStep(0.2)
  EXPECT_LT(late.drift, 0);

  SplashFrame end = splashFrame(2);
  for (float alpha : {end.backdrop, end.first, end.third}) EXPECT_NEAR(alpha, 0, 1e-6);
}

// An atlas whose digit cells each have their own red level, so a read-back
// pixel tells which digit was drawn there.
unsigned int digitCellTexture() {
  std::vector<unsigned char> texels(256 * 256 * 3, 0);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) texels[(size_t(y) * 256 + x) * 3] = 15 + 20 * int(x / 25.6);
  unsigned int id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  return id;
}

TEST(DrawNumber, DrawsEachDigitFromItsAtlasCellInA0Point1Grid) {
  REQUIRE_GL_WINDOW(256, 192);
  gltest::usePageProjection();
  unsigned int texture = digitCellTexture();
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
      const int expected = k < 0 || k == digits ? 0 : 15 + 20 * (c.shown[k] - '0');
      EXPECT_EQ(gltest::pixelAt(int((x + 0.5f) * 256), 96).r, expected) << "at " << x;
    }
  }
  glDeleteTextures(1, &texture);
}

}  // namespace
