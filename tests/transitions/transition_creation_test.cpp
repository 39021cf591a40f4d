// Transitions made by keyword, the reset of the shared
// stores, and drawing without pages or with the frame's GL state.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>
#include <utility>

#include "transition_pages.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_pull_left.h"
#include "transitions/transition_squares_fly.h"

namespace {

using namespace transitiontest;

// Durations are checked where a slide list sets them (SettingsValues).
TEST(TransitionCreation, EveryKeywordMakesItsKindAndNothingElseDoes) {
  // In the order of allKinds.
  const std::type_info* kinds[] = {&typeid(TransitionHard),       &typeid(TransitionBlend),
                                   &typeid(TransitionScrollLeft), &typeid(TransitionFlyLeft),
                                   &typeid(TransitionSquaresFly), &typeid(TransitionPullLeft),
                                   &typeid(TransitionBurn)};
  for (int k = 0; k < 7; ++k) {
    const auto transition = create(allKinds[k], 7);
    ASSERT_NE(transition, nullptr) << allKinds[k];
    EXPECT_EQ(typeid(*transition), *kinds[k]) << allKinds[k];
    EXPECT_EQ(std::pair(transition->fromPage(), transition->toPage()), std::pair(7, 8));
  }
  for (const char* type : {"blend", "Blend", "BLEND ", " HARD", "SCROLL", "FLY-LEFT", "", "BURNS"})
    EXPECT_EQ(create(type, 3), nullptr) << '"' << type << '"';
}

TEST(TransitionCreation, StartResetsTheSharedStores) {
  create("FLY_LEFT", 3)->start();
  EXPECT_EQ(flyLeftStore().chainB[24][0], 24);

  pullLeftStore().grid[3][4][2] = 9;
  create("PULL_LEFT", 3)->start();
  EXPECT_EQ(pullLeftStore().grid[3][4][2], 0);
  // The burn field shows its reset in how it draws.
  squaresFlyStore().squares[0][0].delay = -5;
  create("SQUARES_FLY", 3)->start();
  EXPECT_GE(squaresFlyStore().squares[0][0].delay, 1.445f);
}

using TransitionDrawing = TransitionPages;

TEST_F(TransitionDrawing, EveryKindStartsOnTheOldPageEndsOnTheNewAndHandsBackTheFrameState) {
  for (const char* type : allKinds) {
    const auto transition = make(type);
    for (float p : {0.0f, 0.02f, 0.3f, 0.6f, 0.9f, 1.0f, 1.05f}) {
      SCOPED_TRACE(std::string(type) + " at " + std::to_string(p));
      drawFrame(*transition, p);
      // A cut is over at once. The pulled cloth falls only as far as its
      // steps take it, the burn leaves sparks.
      const std::string kind = type;
      if (p == 0) {
        EXPECT_EQ(countPixels(isOldPage), allPixels);
        EXPECT_TRUE(isGreen(gltest::pixelAt(245, 96)));  // the picture, not its padding
      } else if ((kind == "HARD" || p >= 1) && kind != "PULL_LEFT" && kind != "BURN") {
        EXPECT_EQ(countPixels(isBlue), allPixels);
      }
      expectFrameStateKept();
    }
  }
}

TEST_F(TransitionDrawing, UnloadedOrUnknownPagesDrawNothing) {
  delete pages[1]->texture;
  pages[1]->texture = nullptr;
  testing::internal::CaptureStderr();
  for (const char* type : allKinds) {
    for (int from : {0, 5}) {
      const auto transition = create(type, from);
      transition->start();
      drawFrame(*transition, 0.5f);
      const gltest::Rgba c = gltest::pixelAt(128, 96);
      EXPECT_EQ(c.r + c.g + c.b, 0) << type << " from " << from;
      expectFrameStateKept();
    }
  }
  drawFrame(*create("HARD", -1), 0);
  EXPECT_EQ(gltest::pixelAt(10, 96).r, 0);

  registerTransitionPages(nullptr);
  drawFrame(*create("BLEND", 0), 0);
  EXPECT_EQ(gltest::pixelAt(10, 96).r, 0);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("page 1 has no picture loaded"), std::string::npos) << messages;
}

}  // namespace
