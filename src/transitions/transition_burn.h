#pragma once
#include "transitions/transition.h"

// The old page burns away from five random seeds, darkened near the edge
// of the fire and sparkling on it, over the new page.
class TransitionBurn : public Transition {
 public:
  TransitionBurn(const DescriptionNode& section, int fromPage, int toPage);
  // Reseeds the random source from the clock and computes a new field.
  void start() override;
  void draw(float progress) override;
};

constexpr int burnColumns = 60, burnRows = 45;
constexpr float burnUnreached = 999999;  // anything from 999990 up: not reached

// The ignition progress of every grid point, shared by every burn. Point
// (i, j), i along x and j along y from the lower left, is stored at
// i * burnRows + j and lies at burnGridX(i), burnGridY(j).
struct BurnStore {
  float ignition[burnColumns * burnRows];
  float& at(int i, int j) { return ignition[i * burnRows + j]; }
  float at(int i, int j) const { return ignition[i * burnRows + j]; }
};
BurnStore& burnStore();

inline float burnGridX(double i) {
  return float(i * (1.0 / 59) - 0.5);
}
inline float burnGridY(double j) {
  return float(j * 0.017045454545454544 - 0.375);
}

// Spreads the fire from five seeds drawn from the transition random source
// with noisy step costs and scales the times to [0, 1].
void computeBurnField();
