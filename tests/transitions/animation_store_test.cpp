// The per-run state of the animated transitions, stepped without drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "app/state/viewer_state.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_pull_left.h"
#include "transitions/transition_random.h"
#include "transitions/transition_squares_fly.h"

namespace {

float linkLength(const float (&chain)[flyLeftStrips + 1][2], int k) {
  return std::hypot(chain[k + 1][0] - chain[k][0], chain[k + 1][1] - chain[k][1]);
}

TEST(FlyLeftStore, HeadsFollowTheirPathsWithRopesOfLinksOfOneTwentyFourth) {
  buildFlyLeftPaths();
  resetFlyLeftChains();
  const FlyLeftStore& store = flyLeftStore();
  // The first step pulls chain B (spread out by the reset) into shape.
  const float p = 0.05f;
  advanceFlyLeftChains(p);
  float x, z;
  store.paths[1].positionAt(smoothStep(p) * store.paths[1].totalTime(), x, z);
  EXPECT_TRUE(store.chainB[0][0] == x && store.chainB[0][1] == z);
  for (int k = 0; k < flyLeftStrips; ++k) {
    EXPECT_NEAR(linkLength(store.chainB, k), 1 / 24.0, 1e-6) << k;
    EXPECT_NEAR(linkLength(store.chainA, k), 1 / 24.0, 1e-6) << k;
  }
  // The whole rope now hangs within 1 of the head.
  EXPECT_LT(std::fabs(store.chainB[flyLeftStrips][0] - x), 1.0f);

  // At the end the old page's head is at (-2, -0.1), the new page's at (-0.5, 0).
  for (int frame = 1; frame <= 30; ++frame) advanceFlyLeftChains(frame / 30.0f);
  advanceFlyLeftChains(1.02f);
  EXPECT_FLOAT_EQ(store.chainA[0][0], -2.0f);
  EXPECT_FLOAT_EQ(store.chainA[0][1], -0.1f);
  EXPECT_FLOAT_EQ(store.chainB[0][0], -0.5f);
  EXPECT_NEAR(store.chainB[0][1], 0.0f, 1e-6);
}

using Grid = float[clothSize][clothSize][3];

Grid& grid() {
  return pullLeftStore().grid;
}

// Steps the cloth from a flat page with one column disturbed, and from the
// flat page itself: equal results mean the column was reset before use.
bool columnIsReset(int column, float progress) {
  resetPullLeftCloth();
  advancePullLeftCloth(progress);
  Grid undisturbed;
  std::memcpy(undisturbed, grid(), sizeof(Grid));

  resetPullLeftCloth();
  for (int j = 0; j < clothSize; ++j) grid()[column][j][2] = 0.3f;
  advancePullLeftCloth(progress);
  return std::memcmp(undisturbed, grid(), sizeof(Grid)) == 0;
}

TEST(PullLeftStore, LeftEdgeHeldUntilPointSevenMiddleUntilPointFour) {
  const std::tuple<int, float, bool> cases[] = {
      {0, 0.69f, true}, {0, 0.7f, false}, {7, 0.39f, true}, {7, 0.4f, false}, {3, 0.1f, false}};
  for (auto [column, progress, reset] : cases)
    EXPECT_EQ(columnIsReset(column, progress), reset) << column << " at " << progress;
}

TEST(SquaresFlyStore, EachRunDrawsDelaysThatGrowFromRightToLeft) {
  fillSquaresFlyTable();
  const SquaresFlyStore first = squaresFlyStore();
  fillSquaresFlyTable();
  const SquaresFlyStore& store = squaresFlyStore();
  EXPECT_NE(std::memcmp(&first, &store, sizeof(SquaresFlyStore)), 0);
  for (int r = 0; r < squareRows; ++r)
    for (int i = 0; i < squareColumns; ++i) {
      const SquareMotion& square = store.squares[r][i];
      // Column 39 starts within [0, 0.2525), column 0 within [1.445, 1.6975).
      const double wait = (1 - i / 39.0) * 1.445;
      SCOPED_TRACE(std::to_string(r) + "," + std::to_string(i));
      EXPECT_GE(square.delay, wait - 1e-6);
      EXPECT_LT(square.delay, wait + 0.2525);
      EXPECT_TRUE(square.rateX >= -400.0f && square.rateX <= 399.61f) << square.rateX;
      EXPECT_TRUE(square.rateY >= -2397.61f && square.rateY <= 0) << square.rateY;
    }
}

TEST(BurnStore, EveryPointIsReachedScaledToZeroOneAndTheSeedDecides) {
  BurnStore previous{};
  for (unsigned seed : {1u, 2u, 77u, 12345u}) {
    seedTransitionRandom(seed);
    computeBurnField();
    const BurnStore field = burnStore();
    float lowest = 2, highest = -1;
    for (float value : field.ignition) {
      ASSERT_LT(value, 999990) << "seed " << seed;
      lowest = std::min(lowest, value);
      highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, 0) << seed;
    EXPECT_FLOAT_EQ(highest, 1) << seed;
    // The same seed makes the same field, another seed another one.
    seedTransitionRandom(seed);
    computeBurnField();
    EXPECT_EQ(std::memcmp(&field, &burnStore(), sizeof(BurnStore)), 0) << seed;
    EXPECT_NE(std::memcmp(&field, &previous, sizeof(BurnStore)), 0) << seed;
    previous = field;
  }
}

}  // namespace
