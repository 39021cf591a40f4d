// The per-run state of the animated transitions, stepped without drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

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

TEST(FlyLeftStore, PathsAreBuiltOnceFromTheirFourPoints) {
  buildFlyLeftPaths();
  buildFlyLeftPaths();
  FlyLeftStore& store = flyLeftStore();
  for (const MotionPath& path : store.paths) {
    EXPECT_EQ(path.controlPointCount(), 4);
    EXPECT_EQ(path.sampleCount(), 39);
  }
  float x, z;
  store.paths[1].positionAt(0, x, z);
  EXPECT_EQ(x, 2.5f);
  EXPECT_EQ(z, -0.5f);
  store.paths[0].positionAt(store.paths[0].totalTime(), x, z);
  EXPECT_FLOAT_EQ(x, -2.0f);
  EXPECT_FLOAT_EQ(z, -0.1f);
}

TEST(FlyLeftStore, FirstStepPullsChainBIntoLinksOfOneTwentyFourth) {
  buildFlyLeftPaths();
  resetFlyLeftChains();
  const float p = 0.05f;
  advanceFlyLeftChains(p);
  const FlyLeftStore& store = flyLeftStore();
  const MotionPath& path = store.paths[1];
  float x, z;
  path.positionAt(smoothStep(p) * path.totalTime(), x, z);
  EXPECT_EQ(store.chainB[0][0], x);
  EXPECT_EQ(store.chainB[0][1], z);
  for (int k = 0; k < flyLeftStrips; ++k) {
    EXPECT_NEAR(linkLength(store.chainB, k), 1 / 24.0, 1e-6) << k;
  }
  // The whole rope now hangs within 1 of the head.
  EXPECT_LT(std::fabs(store.chainB[flyLeftStrips][0] - x), 1.0f);
  // The old page's rope keeps its lengths too.
  for (int k = 0; k < flyLeftStrips; ++k) EXPECT_NEAR(linkLength(store.chainA, k), 1 / 24.0, 1e-6);
}

TEST(FlyLeftStore, HeadsEndAtTheirPathEnds) {
  buildFlyLeftPaths();
  resetFlyLeftChains();
  for (int frame = 1; frame <= 30; ++frame) advanceFlyLeftChains(frame / 30.0f);
  advanceFlyLeftChains(1.02f);
  const FlyLeftStore& store = flyLeftStore();
  EXPECT_FLOAT_EQ(store.chainA[0][0], -2.0f);
  EXPECT_FLOAT_EQ(store.chainA[0][1], -0.1f);
  EXPECT_FLOAT_EQ(store.chainB[0][0], -0.5f);
  EXPECT_NEAR(store.chainB[0][1], 0.0f, 1e-6);
}

TEST(FlyLeftStore, CoincidentRopePointsStayFinite) {
  buildFlyLeftPaths();
  FlyLeftStore& store = flyLeftStore();
  for (auto& point : store.chainB) point[0] = point[1] = 0;
  for (auto& point : store.chainA) point[0] = point[1] = -0.5f;
  advanceFlyLeftChains(0.0001f);
  for (int frame = 1; frame <= 10; ++frame) advanceFlyLeftChains(frame * 0.1f);
  for (int k = 0; k <= flyLeftStrips; ++k) {
    EXPECT_TRUE(std::isfinite(store.chainA[k][0]) && std::isfinite(store.chainA[k][1])) << k;
    EXPECT_TRUE(std::isfinite(store.chainB[k][0]) && std::isfinite(store.chainB[k][1])) << k;
  }
}

using Grid = float[clothSize][clothSize][3];

Grid& grid() {
  return pullLeftStore().grid;
}

TEST(PullLeftStore, RightCornersAtHalfway) {
  resetPullLeftCloth();
  pinPullLeftCorners(0.5f);
  const float* top = grid()[14][0];
  const float* bottom = grid()[14][14];
  EXPECT_FLOAT_EQ(top[0], -0.125f);
  EXPECT_FLOAT_EQ(top[1], 0.825f);
  EXPECT_NEAR(top[2], 0.1414, 1e-4);
  EXPECT_FLOAT_EQ(bottom[0], -0.125f);
  EXPECT_FLOAT_EQ(bottom[1], 0.075f);
  EXPECT_NEAR(bottom[2], 0.1414, 1e-4);
  // Nothing else moves.
  EXPECT_EQ(grid()[14][7][2], 0);
  EXPECT_EQ(grid()[13][0][2], 0);
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
  EXPECT_TRUE(columnIsReset(0, 0.5f));
  EXPECT_TRUE(columnIsReset(0, 0.69f));
  EXPECT_FALSE(columnIsReset(0, 0.7f));
  EXPECT_TRUE(columnIsReset(7, 0.39f));
  EXPECT_FALSE(columnIsReset(7, 0.4f));
  EXPECT_FALSE(columnIsReset(7, 0.5f));
  EXPECT_FALSE(columnIsReset(3, 0.1f));
}

TEST(PullLeftStore, ClothFollowsItsPulledCornerAndStaysWhole) {
  resetPullLeftCloth();
  for (int frame = 1; frame <= 60; ++frame) {
    advancePullLeftCloth(frame / 60.0f);
    for (int i = 0; i + 1 < clothSize; ++i) {
      for (int j = 0; j < clothSize; ++j) {
        const float* a = grid()[i][j];
        const float* b = grid()[i + 1][j];
        const double d = std::sqrt(std::pow(b[0] - a[0], 2) + std::pow(b[1] - a[1], 2) +
                                   std::pow(b[2] - a[2], 2));
        ASSERT_LT(d, 0.5) << "frame " << frame << " link " << i << "," << j;
      }
    }
  }
  // Pulled up and left, past the middle of the page.
  EXPECT_LT(grid()[14][0][0], 0);
  EXPECT_GT(grid()[14][0][1], 0.375f);
  EXPECT_GT(grid()[14][0][2], 0.05f);
}

TEST(PullLeftStore, CoincidentClothPointsStayFinite) {
  for (int i = 0; i < clothSize; ++i) {
    for (int j = 0; j < clothSize; ++j) grid()[i][j][0] = grid()[i][j][1] = grid()[i][j][2] = 0;
  }
  advancePullLeftCloth(0.8f);
  advancePullLeftCloth(0.9f);
  for (int i = 0; i < clothSize; ++i) {
    for (int j = 0; j < clothSize; ++j) {
      for (int c = 0; c < 3; ++c) ASSERT_TRUE(std::isfinite(grid()[i][j][c])) << i << "," << j;
    }
  }
}

TEST(SquaresFlyStore, DelaysGrowFromRightToLeft) {
  fillSquaresFlyTable();
  const SquaresFlyStore& store = squaresFlyStore();
  for (int r = 0; r < squareRows; ++r) {
    for (int i = 0; i < squareColumns; ++i) {
      const SquareMotion& square = store.squares[r][i];
      const double wait = (1 - i / 39.0) * 1.445;
      EXPECT_GE(square.delay, wait - 1e-6) << r << "," << i;
      EXPECT_LT(square.delay, wait + 0.2525) << r << "," << i;
      EXPECT_GE(square.rateX, -400.0f);
      EXPECT_LE(square.rateX, 399.61f);
      EXPECT_LE(square.rateY, 0.0f);
      EXPECT_GE(square.rateY, -2397.61f);
    }
    EXPECT_GE(store.squares[r][39].delay, 0);
    EXPECT_LT(store.squares[r][39].delay, 0.2525f);
    EXPECT_GE(store.squares[r][0].delay, 1.445f);
    EXPECT_LT(store.squares[r][0].delay, 1.6975f);
  }
}

TEST(SquaresFlyStore, OnlyTheSixRightColumnsCanMoveAtPointOne) {
  fillSquaresFlyTable();
  const SquaresFlyStore& store = squaresFlyStore();
  const float scaled = 1.97f * 0.1f;
  for (int r = 0; r < squareRows; ++r) {
    for (int i = 0; i < 34; ++i) EXPECT_GT(store.squares[r][i].delay, scaled) << r << "," << i;
  }
  // Column 39 starts within [0, 0.2525): among 30 squares some are moving.
  int moving = 0;
  for (int r = 0; r < squareRows; ++r) moving += store.squares[r][39].delay < scaled;
  EXPECT_GT(moving, 0);
}

TEST(SquaresFlyStore, EachRunDrawsANewTable) {
  fillSquaresFlyTable();
  const SquaresFlyStore first = squaresFlyStore();
  fillSquaresFlyTable();
  EXPECT_NE(std::memcmp(&first, &squaresFlyStore(), sizeof(SquaresFlyStore)), 0);
}

TEST(BurnStore, EveryPointIsReachedAndScaledToZeroOne) {
  for (unsigned seed : {1u, 2u, 77u, 12345u}) {
    seedTransitionRandom(seed);
    computeBurnField();
    const BurnStore& field = burnStore();
    float lowest = 2, highest = -1;
    for (float value : field.ignition) {
      ASSERT_LT(value, 999990) << "seed " << seed;
      lowest = std::min(lowest, value);
      highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, 0) << seed;
    EXPECT_FLOAT_EQ(highest, 1) << seed;
  }
}

TEST(BurnStore, FireArrivesFromANeighbourThatBurntEarlier) {
  seedTransitionRandom(99);
  computeBurnField();
  const BurnStore& field = burnStore();
  // Only the five seeds may burn without an earlier neighbour.
  int unexplained = 0;
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = 0; j < burnRows; ++j) {
      bool earlier = false;
      for (int di = -1; di <= 1; ++di) {
        for (int dj = -1; dj <= 1; ++dj) {
          const int ni = i + di, nj = j + dj;
          if ((di || dj) && ni >= 0 && ni < burnColumns && nj >= 0 && nj < burnRows)
            earlier = earlier || field.at(ni, nj) < field.at(i, j);
        }
      }
      unexplained += !earlier;
    }
  }
  EXPECT_GE(unexplained, 1);
  EXPECT_LE(unexplained, 5);
}

TEST(BurnStore, SameSeedSameFieldOtherSeedOtherField) {
  seedTransitionRandom(5);
  computeBurnField();
  const BurnStore first = burnStore();
  seedTransitionRandom(5);
  computeBurnField();
  EXPECT_EQ(std::memcmp(&first, &burnStore(), sizeof(BurnStore)), 0);
  seedTransitionRandom(6);
  computeBurnField();
  EXPECT_NE(std::memcmp(&first, &burnStore(), sizeof(BurnStore)), 0);
}

TEST(TransitionRandom, StaysInRangeAndCoversIt) {
  seedTransitionRandom(3);
  bool seen[10] = {};
  for (int k = 0; k < 1000; ++k) {
    const int value = randomBelow(10);
    ASSERT_GE(value, 0);
    ASSERT_LT(value, 10);
    seen[value] = true;
  }
  for (bool s : seen) EXPECT_TRUE(s);
}

}  // namespace
