// Transitions made by keyword, their durations, the reset of the shared
// stores, and drawing without pages or with the frame's GL state.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <typeinfo>

#include "app/state/viewer_state.h"
#include "content/description_file.h"
#include "transition_pages.h"
#include "transitions/transition.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_pull_left.h"
#include "transitions/transition_squares_fly.h"

namespace {

using namespace transitiontest;

DescriptionNode section(const char* duration = nullptr) {
  DescriptionNode node("Transition");
  if (duration) node.keys.emplace_back("duration", duration);
  return node;
}

std::unique_ptr<Transition> create(const char* type, const DescriptionNode& node, int from = 3) {
  return std::unique_ptr<Transition>(createTransition(type, node, from, from + 1));
}

class TransitionCreation : public ::testing::Test {
 protected:
  void SetUp() override { viewer.transitionDuration = 0.8f; }
  void TearDown() override { viewer.transitionDuration = 0.6f; }
};

TEST_F(TransitionCreation, EveryKeywordMakesItsKindAndNothingElseDoes) {
  // In the order of allKinds.
  const std::type_info* kinds[] = {&typeid(TransitionHard),       &typeid(TransitionBlend),
                                   &typeid(TransitionScrollLeft), &typeid(TransitionFlyLeft),
                                   &typeid(TransitionSquaresFly), &typeid(TransitionPullLeft),
                                   &typeid(TransitionBurn)};
  for (int k = 0; k < 7; ++k) {
    const auto transition = create(allKinds[k], section(), 7);
    ASSERT_NE(transition, nullptr) << allKinds[k];
    EXPECT_EQ(typeid(*transition), *kinds[k]) << allKinds[k];
    EXPECT_EQ(transition->fromPage(), 7);
    EXPECT_EQ(transition->toPage(), 8);
  }
  for (const char* type : {"blend", "Blend", "BLEND ", " HARD", "SCROLL", "FLY-LEFT", "", "BURNS"})
    EXPECT_EQ(create(type, section()), nullptr) << '"' << type << '"';
}

TEST_F(TransitionCreation, DurationFromTheSectionElseTheDefault) {
  // Without a duration, or with one that is no finite number, the default;
  // 0 or below the cut's 0.01 s; else the leading number; a cut always
  // lasts 0.01 s.
  const struct {
    const char* type;
    const char* duration;
    float expected;
  } cases[] = {{"BLEND", nullptr, 0.8f},   {"BLEND", "1.25", 1.25f},    {"BURN", "2.5s", 2.5f},
               {"PULL_LEFT", "0.3", 0.3f}, {"HARD", nullptr, 0.01f},    {"HARD", "3", 0.01f},
               {"BLEND", "abc", 0.8f},     {"SCROLL_LEFT", "0", 0.01f}, {"FLY_LEFT", "-1", 0.01f},
               {"BURN", "nan", 0.8f}};
  testing::internal::CaptureStderr();
  for (const auto& c : cases)
    EXPECT_FLOAT_EQ(create(c.type, section(c.duration))->duration, c.expected)
        << c.type << " " << (c.duration ? c.duration : "(none)");
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("duration \"abc\" is not a finite number"), std::string::npos)
      << messages;
  EXPECT_FLOAT_EQ(TransitionBlend(2, 5).duration, 0.8f);
}

TEST_F(TransitionCreation, StartResetsTheSharedStores) {
  create("FLY_LEFT", section())->start();
  EXPECT_EQ(flyLeftStore().chainB[24][0], 24);

  pullLeftStore().grid[3][4][2] = 9;
  create("PULL_LEFT", section())->start();
  EXPECT_EQ(pullLeftStore().grid[3][4][2], 0);

  for (float& value : burnStore().ignition) value = burnUnreached;
  create("BURN", section())->start();
  const auto [lowest, highest] =
      std::minmax_element(std::begin(burnStore().ignition), std::end(burnStore().ignition));
  EXPECT_EQ(*lowest, 0);
  EXPECT_FLOAT_EQ(*highest, 1);

  squaresFlyStore().squares[0][0].delay = -5;
  create("SQUARES_FLY", section())->start();
  EXPECT_GE(squaresFlyStore().squares[0][0].delay, 1.445f);
}

using TransitionDrawing = TransitionPages;

TEST_F(TransitionDrawing, EveryKindHandsBackTheFrameState) {
  for (const char* type : allKinds) {
    const auto transition = make(type);
    for (float p : {0.0f, 0.02f, 0.3f, 0.6f, 0.9f, 1.0f, 1.05f}) {
      SCOPED_TRACE(std::string(type) + " at " + std::to_string(p));
      drawFrame(*transition, p);
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
      const auto transition = create(type, section(), from);
      transition->start();
      drawFrame(*transition, 0.5f);
      const gltest::Rgba c = gltest::pixelAt(128, 96);
      EXPECT_EQ(c.r + c.g + c.b, 0) << type << " from " << from;
      expectFrameStateKept();
    }
  }
  drawFrame(*create("HARD", section(), -1), 0);
  EXPECT_EQ(gltest::pixelAt(10, 96).r, 0);

  registerTransitionPages(nullptr);
  drawFrame(*create("BLEND", section(), 0), 0);
  EXPECT_EQ(gltest::pixelAt(10, 96).r, 0);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("page 1 has no picture loaded"), std::string::npos) << messages;
}

}  // namespace
