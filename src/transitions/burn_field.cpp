#include "transitions/transition_burn.h"
#include "transitions/transition_random.h"

namespace {

const double straightStep = 0.016666666666666666;  // 1/60
const double diagonalStep = 0.025;

bool reached(float value) {
  return value < 999990;
}

// Lets the fire reach (i, j) from neighbour (ni, nj) if that is sooner,
// with a random cost between 0.5 and 1 times the step.
void spread(BurnStore& field, int i, int j, int ni, int nj, double step) {
  if (ni < 0 || ni >= burnColumns || nj < 0 || nj >= burnRows) return;
  const float from = field.at(ni, nj);
  if (!reached(from)) return;
  const double weight = 0.5 + randomBelow(100) * 0.005;
  const double candidate = from + weight * step;
  if (candidate < field.at(i, j)) field.at(i, j) = float(candidate);
}

void sweeps(BurnStore& field) {
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = 0; j < burnRows; ++j) {
      spread(field, i, j, i - 1, j, straightStep);
      spread(field, i, j, i, j - 1, straightStep);
      spread(field, i, j, i - 1, j - 1, diagonalStep);
    }
  }
  for (int i = burnColumns - 1; i >= 0; --i) {
    for (int j = burnRows - 1; j >= 0; --j) {
      spread(field, i, j, i + 1, j, straightStep);
      spread(field, i, j, i, j + 1, straightStep);
      spread(field, i, j, i + 1, j + 1, diagonalStep);
    }
  }
  for (int i = burnColumns - 1; i >= 0; --i) {
    for (int j = 0; j < burnRows; ++j) spread(field, i, j, i + 1, j - 1, diagonalStep);
  }
  for (int i = 0; i < burnColumns; ++i) {
    for (int j = burnRows - 1; j >= 0; --j) spread(field, i, j, i - 1, j + 1, diagonalStep);
  }
}

}  // namespace

BurnStore& burnStore() {
  static BurnStore store;
  return store;
}

void computeBurnField() {
  BurnStore& field = burnStore();
  for (float& value : field.ignition) value = burnUnreached;

  for (int seed = 0; seed < 5; ++seed) {
    const float value = seed == 0 ? 0.0f : float(randomBelow(100) * 0.01);
    const int i = randomBelow(burnColumns);
    const int j = randomBelow(burnRows);
    // A later seed landing on an earlier one must not delay it: the first
    // seed always burns at 0.
    if (value < field.at(i, j)) field.at(i, j) = value;
  }

  for (int round = 0; round < 2; ++round) sweeps(field);

  float largest = 0;
  for (float value : field.ignition) {
    if (value > largest) largest = value;
  }
  // Every point is reached by now (the first two sweeps cover the grid
  // from any seed), so the largest time is finite and above 0.
  if (largest > 0) {
    const float scale = 1 / largest;
    for (float& value : field.ignition) value *= scale;
  }
}
