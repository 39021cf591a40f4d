#include <gtest/gtest.h>

#include <memory>

#include "app/state/viewer_state.h"
#include "content/description_file.h"
#include "transition_pages.h"
#include "transitions/transition.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_pull_left.h"
#include "transitions/transition_squares_fly.h"

namespace {

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

template <class Kind>
bool isKind(const std::unique_ptr<Transition>& transition) {
  return dynamic_cast<Kind*>(transition.get()) != nullptr;
}

TEST_F(TransitionCreation, EveryKeywordMakesItsKind) {
  const DescriptionNode plain = section();
  EXPECT_TRUE(isKind<TransitionHard>(create("HARD", plain)));
  EXPECT_TRUE(isKind<TransitionBlend>(create("BLEND", plain)));
  EXPECT_TRUE(isKind<TransitionScrollLeft>(create("SCROLL_LEFT", plain)));
  EXPECT_TRUE(isKind<TransitionFlyLeft>(create("FLY_LEFT", plain)));
  EXPECT_TRUE(isKind<TransitionSquaresFly>(create("SQUARES_FLY", plain)));
  EXPECT_TRUE(isKind<TransitionPullLeft>(create("PULL_LEFT", plain)));
  EXPECT_TRUE(isKind<TransitionBurn>(create("BURN", plain)));

  const auto burn = create("BURN", plain, 7);
  EXPECT_EQ(burn->fromPage(), 7);
  EXPECT_EQ(burn->toPage(), 8);
}

TEST_F(TransitionCreation, KeywordsMatchExactly) {
  const DescriptionNode plain = section();
  for (const char* type : {"blend", "Blend", "BLEND ", " HARD", "SCROLL", "FLY-LEFT", "", "BURNS"})
    EXPECT_EQ(create(type, plain), nullptr) << '"' << type << '"';
}

TEST_F(TransitionCreation, DurationFromTheSectionElseTheDefault) {
  EXPECT_FLOAT_EQ(create("BLEND", section())->duration, 0.8f);
  EXPECT_FLOAT_EQ(create("BLEND", section("1.25"))->duration, 1.25f);
  EXPECT_FLOAT_EQ(create("BURN", section("2.5s"))->duration, 2.5f);  // atof's leading number
  EXPECT_FLOAT_EQ(create("PULL_LEFT", section("0.3"))->duration, 0.3f);
  EXPECT_FLOAT_EQ(TransitionBlend(2, 2).duration, 0.8f);
  EXPECT_EQ(TransitionBlend(2, 5).toPage(), 5);
}

TEST_F(TransitionCreation, HardIsAlwaysACut) {
  EXPECT_FLOAT_EQ(create("HARD", section())->duration, 0.01f);
  EXPECT_FLOAT_EQ(create("HARD", section("3"))->duration, 0.01f);
}

TEST_F(TransitionCreation, DurationThatIsNoPositiveNumberFallsBackToTheDefault) {
  testing::internal::CaptureStderr();
  EXPECT_FLOAT_EQ(create("BLEND", section("abc"))->duration, 0.8f);
  EXPECT_FLOAT_EQ(create("SCROLL_LEFT", section("0"))->duration, 0.8f);
  EXPECT_FLOAT_EQ(create("FLY_LEFT", section("-1"))->duration, 0.8f);
  EXPECT_FLOAT_EQ(create("BURN", section("nan"))->duration, 0.8f);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("duration \"abc\" is not a positive number"), std::string::npos)
      << messages;
}

TEST_F(TransitionCreation, FlyLeftPathsAreBuiltOnceForAllFlyLefts) {
  const auto first = create("FLY_LEFT", section());
  const std::vector<float> samples = flyLeftStore().paths[0].samples;
  const auto second = create("FLY_LEFT", section("2"));
  for (const MotionPath& path : flyLeftStore().paths) EXPECT_EQ(path.controlPointCount(), 4);
  EXPECT_EQ(flyLeftStore().paths[0].samples, samples);
}

TEST_F(TransitionCreation, StartResetsTheSharedStores) {
  const DescriptionNode plain = section();
  create("FLY_LEFT", plain)->start();
  EXPECT_EQ(flyLeftStore().chainB[24][0], 24);

  pullLeftStore().grid[3][4][2] = 9;
  create("PULL_LEFT", plain)->start();
  EXPECT_EQ(pullLeftStore().grid[3][4][2], 0);

  for (float& value : burnStore().ignition) value = burnUnreached;
  create("BURN", plain)->start();
  float lowest = 2, highest = -1;
  for (float value : burnStore().ignition) {
    lowest = std::min(lowest, value);
    highest = std::max(highest, value);
  }
  EXPECT_EQ(lowest, 0);
  EXPECT_FLOAT_EQ(highest, 1);

  squaresFlyStore().squares[0][0].delay = -5;
  create("SQUARES_FLY", plain)->start();
  EXPECT_GE(squaresFlyStore().squares[0][0].delay, 1.445f);
}

using MissingPages = transitiontest::TransitionPages;

TEST_F(MissingPages, UnloadedOrUnknownPagesDrawNothing) {
  delete pages[1]->texture;
  pages[1]->texture = nullptr;
  testing::internal::CaptureStderr();
  const DescriptionNode plain = section();
  for (const char* type :
       {"HARD", "BLEND", "SCROLL_LEFT", "FLY_LEFT", "SQUARES_FLY", "PULL_LEFT", "BURN"}) {
    for (int from : {0, 5}) {
      const auto transition = create(type, plain, from);
      transition->start();
      enterFrameState();
      transition->draw(0.5f);
      const gltest::Rgba c = gltest::pixelAt(128, 96);
      EXPECT_EQ(c.r + c.g + c.b, 0) << type << " from " << from;
      expectFrameStateKept();
    }
  }
  const auto before = create("HARD", plain, -1);
  enterFrameState();
  before->draw(0);
  EXPECT_EQ(gltest::pixelAt(10, 96).r, 0);

  registerTransitionPages(nullptr);
  const auto blend = create("BLEND", plain, 0);
  enterFrameState();
  blend->draw(0);
  EXPECT_EQ(gltest::pixelAt(10, 96).r, 0);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("page 1 has no picture loaded"), std::string::npos) << messages;
}

TEST(TransitionPageHandles, EmptyPageHandleStopsTheProgram) {
  PageList pages(2);  // two empty handles
  registerTransitionPages(&pages);
  TransitionBlend blend(0, 1);
  EXPECT_DEATH(blend.draw(0), "Assertion failed: dataPtr != 0");
  registerTransitionPages(nullptr);
}

}  // namespace
