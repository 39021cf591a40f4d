#pragma once
#include "transitions/motion_path.h"
#include "transitions/transition.h"

// Both pages hang as 24 vertical strips from a rope of 25 points whose head
// follows a motion path: the old page flies off to the left, curling away,
// the new one flies in from the right and settles flat.
class TransitionFlyLeft : public Transition {
 public:
  // Builds the two shared paths when the first fly-left is created.
  TransitionFlyLeft(const DescriptionNode& section, int fromPage, int toPage);
  void start() override;
  void draw(float progress) override;
};

constexpr int flyLeftStrips = 24;

// The state every fly-left shares: the two paths (x, z in page space) and
// the two ropes, each point (x, z). Chain A carries the old page, chain B
// the new one. Only one transition runs at a time.
struct FlyLeftStore {
  MotionPath paths[2];
  float chainA[flyLeftStrips + 1][2];
  float chainB[flyLeftStrips + 1][2];
};
FlyLeftStore& flyLeftStore();

// Adds the control points to each path that has none yet and builds it.
void buildFlyLeftPaths();
// Chain A flat on the page, chain B spread along x = 0..24 (start()).
void resetFlyLeftChains();
// One frame's step: both heads to their path position at
// smoothStep(progress) of the path's time, the rest of each rope pulled
// after its head with links of 1/24.
void advanceFlyLeftChains(float progress);
