// The time-driven overlays: cursor fade, progress indicator, clock, splash,
// and the digit layout of drawNumber (also drawn, read back from GL).
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/frame.h"
#include "support/gl_test_window.h"

namespace {

TEST(CursorFade, StaysForTwoAndAQuarterSecondsAndIsGoneAtThree) {
  EXPECT_FLOAT_EQ(cursorFade(0), 0);
  EXPECT_FLOAT_EQ(cursorFade(2.25f), 0);
  EXPECT_NEAR(cursorFade(2.625f), 0.5f, 1e-5);
  EXPECT_FLOAT_EQ(cursorFade(3.0f), 1);
  EXPECT_FLOAT_EQ(cursorFade(100), 1);
  float previous = 0;
  for (float t = 2.25f; t <= 3; t += 0.05f) {
    EXPECT_GE(cursorFade(t), previous);
    previous = cursorFade(t);
  }
}

TEST(ProgressIndicator, FadesInAfterTheTransitionHoldsAndFadesOut) {
  const float duration = 0.6f;
  EXPECT_EQ(progressFade(0.3f, duration), 0);  // the transition still runs
  EXPECT_EQ(progressFade(0.6f, duration), 0);
  EXPECT_NEAR(progressFade(1.1f, duration), 0.5f, 1e-5);
  EXPECT_EQ(progressFade(1.7f, duration), 1);
  EXPECT_EQ(progressFade(2.5f, duration), 1);  // 1.9 s after: 3 - 1.9 = 1.1
  EXPECT_NEAR(progressFade(3.1f, duration), 0.5f, 1e-5);
  EXPECT_EQ(progressFade(3.6f, duration), 0);
  EXPECT_EQ(progressFade(60, duration), 0);
}

TEST(ProgressIndicator, FlashesFourTimesASecond) {
  EXPECT_FLOAT_EQ(progressFlash(0, 1), 1);
  EXPECT_NEAR(progressFlash(0.125f, 1), 0.5f, 1e-5);
  EXPECT_NEAR(progressFlash(0.375f, 0.5f), 0.25f, 1e-5);
  EXPECT_NEAR(progressFlash(1.0f, 0.8f), 0.8f, 1e-5);
  EXPECT_LT(progressFlash(0.2499f, 1), 0.01f);
}

TEST(ProgressIndicator, SquaresShareTheBarUpToATenthEach) {
  EXPECT_FLOAT_EQ(progressSquareWidth(20), 0.04f);
  EXPECT_FLOAT_EQ(progressSquareWidth(10), 0.08f);
  EXPECT_FLOAT_EQ(progressSquareWidth(5), 0.1f);
  EXPECT_FLOAT_EQ(progressSquareWidth(1), 0.1f);
  EXPECT_FLOAT_EQ(progressSquareWidth(0), 0.1f);
}

TEST(Clock, ReadsMinutesAndSecondsAndGrowsForMinuteDigits) {
  ClockReading start = clockReading(0.4f);
  EXPECT_EQ(start.minutes, 0);
  EXPECT_EQ(start.seconds, 0);
  ClockReading tenMinutes = clockReading(600.9f);
  EXPECT_EQ(tenMinutes.minutes, 10);
  EXPECT_EQ(tenMinutes.seconds, 0);
  ClockReading later = clockReading(3725);
  EXPECT_EQ(later.minutes, 62);
  EXPECT_EQ(later.seconds, 5);
  EXPECT_FLOAT_EQ(clockBarGrowth(0), 0);
  EXPECT_FLOAT_EQ(clockBarGrowth(9), 0);
  EXPECT_FLOAT_EQ(clockBarGrowth(10), 0.015f);
  EXPECT_FLOAT_EQ(clockBarGrowth(999), 0.03f);
  EXPECT_FLOAT_EQ(clockBarGrowth(1000), 0.045f);
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
  float fadeOut = 0.352f;  // smoothStep(8 * 0.05)
  EXPECT_NEAR(late.first, fadeOut, 1e-4);
  EXPECT_NEAR(late.second, fadeOut, 1e-4);
  EXPECT_NEAR(late.third, fadeOut, 1e-4);
  EXPECT_NEAR(late.backdrop, 0.5f * 0.104f, 1e-4);  // smoothStep(0.2)
  EXPECT_LT(late.drift, 0);

  SplashFrame end = splashFrame(2);
  EXPECT_NEAR(end.backdrop, 0, 1e-6);
  EXPECT_NEAR(end.first, 0, 1e-6);
  EXPECT_NEAR(end.third, 0, 1e-6);
}

TEST(NumberLayout, RunsRightFromTheOriginOrLeftFromIt) {
  std::vector<PlacedDigit> left = numberLayout(305, true);
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0].digit, 5);
  EXPECT_NEAR(left[0].x, 0.2f, 1e-6);
  EXPECT_EQ(left[1].digit, 0);
  EXPECT_NEAR(left[1].x, 0.1f, 1e-6);
  EXPECT_EQ(left[2].digit, 3);
  EXPECT_NEAR(left[2].x, 0.0f, 1e-6);

  std::vector<PlacedDigit> right = numberLayout(305, false);
  ASSERT_EQ(right.size(), 3u);
  EXPECT_NEAR(right[0].x, 0.0f, 1e-6);
  EXPECT_NEAR(right[2].x, -0.2f, 1e-6);

  std::vector<PlacedDigit> zero = numberLayout(0, true);
  ASSERT_EQ(zero.size(), 1u);
  EXPECT_EQ(zero[0].digit, 0);
  EXPECT_EQ(zero[0].x, 0);

  std::vector<PlacedDigit> thousand = numberLayout(1000, true);
  ASSERT_EQ(thousand.size(), 4u);
  EXPECT_NEAR(thousand[0].x, 0.3f, 1e-6);
  EXPECT_EQ(thousand[3].digit, 1);

  EXPECT_TRUE(numberLayout(-4, true).empty());
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

// Red level of the pixel at plane x (y = 0) with the page projection on a
// 256 x 192 viewport.
int redAt(float planeX) {
  return gltest::pixelAt(int((planeX + 0.5f) * 256), 96).r;
}

TEST(DrawNumber, DrawsEachDigitFromItsAtlasCell) {
  REQUIRE_GL_WINDOW(256, 192);
  gltest::usePageProjection();
  unsigned int texture = digitCellTexture();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glColor3f(1, 1, 1);

  glClear(GL_COLOR_BUFFER_BIT);
  drawNumber(305, true);
  EXPECT_EQ(redAt(0.0f), 15 + 20 * 3);
  EXPECT_EQ(redAt(0.1f), 15 + 20 * 0);
  EXPECT_EQ(redAt(0.2f), 15 + 20 * 5);
  EXPECT_EQ(redAt(-0.1f), 0);
  EXPECT_EQ(redAt(0.3f), 0);

  glClear(GL_COLOR_BUFFER_BIT);
  drawNumber(47, false);
  EXPECT_EQ(redAt(0.0f), 15 + 20 * 7);
  EXPECT_EQ(redAt(-0.1f), 15 + 20 * 4);
  EXPECT_EQ(redAt(0.1f), 0);

  glClear(GL_COLOR_BUFFER_BIT);
  drawNumber(-3, true);
  EXPECT_EQ(redAt(0.0f), 0);

  glDeleteTextures(1, &texture);
}

}  // namespace
