#pragma once
#include "transitions/transition.h"

// The old page as a cloth whose right edge is pulled left, up and towards
// the viewer, smoothed and held near its rest lengths, over the new page.
class TransitionPullLeft : public Transition {
 public:
  TransitionPullLeft(const DescriptionNode& section, int fromPage, int toPage);
  void start() override;
  void draw(float progress) override;
};

constexpr int clothSize = 15;  // vertices a side

// The cloth every pull-left shares: grid[i][j] is (x, y, z) of column i
// (left to right) and row j (top to bottom).
struct PullLeftStore {
  float grid[clothSize][clothSize][3];
};
PullLeftStore& pullLeftStore();

// The page lying flat (start()).
void resetPullLeftCloth();
// The two right corners where the pull has taken them at this progress.
void pinPullLeftCorners(float progress);
// One frame's step: pin the corners, hold the left edge (before 0.7) and
// the middle column (before 0.4) flat, smooth, relax three times.
void advancePullLeftCloth(float progress);
