#include <cmath>

#include "transitions/transition_pull_left.h"

namespace {

using Grid = float[clothSize][clothSize][3];

const int last = clothSize - 1;
const float columnStep = 1.0f / 14;
const double rowStep = 0.05357142857142857;       // 0.75 / 14
const double refineWeight = 0.06333333333333332;  // per grid column of block width
const double cellDiagonal = std::sqrt(0.007971939488257088);
const double stiffness = 0.3;

void setFlat(Grid& g, int i, int j, float x) {
  g[i][j][0] = x;
  g[i][j][1] = float(0.375 - j * rowStep);
  g[i][j][2] = 0;
}

// Blends the edge midpoints and the centre of the block towards the mean of
// their ends, keeping the share a of their current place (large blocks keep
// most of their shape), then recurses into the four quarters.
void refine(Grid& g, int i1, int j1, int i2, int j2) {
  const int mi = (i1 + i2) / 2, mj = (j1 + j2) / 2;
  const double a = (i2 - i1) * refineWeight;
  const double b = 1 - a;
  for (int c = 0; c < 3; ++c) {
    g[mi][j1][c] = float(b * (g[i1][j1][c] + g[i2][j1][c]) * 0.5 + a * g[mi][j1][c]);
    g[i1][mj][c] = float(b * (g[i1][j1][c] + g[i1][j2][c]) * 0.5 + a * g[i1][mj][c]);
    g[i2][mj][c] = float(b * (g[i2][j1][c] + g[i2][j2][c]) * 0.5 + a * g[i2][mj][c]);
    g[mi][j2][c] = float(b * (g[i1][j2][c] + g[i2][j2][c]) * 0.5 + a * g[mi][j2][c]);
    g[mi][mj][c] = float(b * (g[i1][mj][c] + g[mi][j1][c] + g[i2][mj][c] + g[mi][j2][c]) / 4 +
                         a * g[mi][mj][c]);
  }
  if (i2 - i1 > 2) {
    refine(g, i1, j1, mi, mj);
    refine(g, mi, j1, i2, mj);
    refine(g, i1, mj, mi, j2);
    refine(g, mi, mj, i2, j2);
  }
}

// Moves p (only) so that its distance to n becomes 0.7 of what it is plus
// 0.3 of the rest length. Two coincident points give no direction to move
// along: the constraint is skipped.
void constrain(float* p, const float* n, double restLength) {
  const double dx = p[0] - n[0], dy = p[1] - n[1], dz = p[2] - n[2];
  const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (!(length > 0)) return;
  const double scale = stiffness * restLength / length + 1 - stiffness;
  p[0] = float(n[0] + dx * scale);
  p[1] = float(n[1] + dy * scale);
  p[2] = float(n[2] + dz * scale);
}

void relax(Grid& g) {
  for (int i = last; i >= 0; --i) {
    for (int j = 0; j <= last; ++j) {
      float* p = g[i][j];
      if (i < last) constrain(p, g[i + 1][j], columnStep);
      if (j < last) constrain(p, g[i][j + 1], rowStep);
      if (i < last && j < last) constrain(p, g[i + 1][j + 1], cellDiagonal);
      if (i > 0 && j < last) constrain(p, g[i - 1][j + 1], cellDiagonal);
    }
  }
}

}  // namespace

PullLeftStore& pullLeftStore() {
  static PullLeftStore store;
  return store;
}

void resetPullLeftCloth() {
  Grid& g = pullLeftStore().grid;
  for (int i = 0; i <= last; ++i) {
    for (int j = 0; j <= last; ++j) setFlat(g, i, j, i * columnStep - 0.5f);
  }
}

void pinPullLeftCorners(float progress) {
  Grid& g = pullLeftStore().grid;
  const float e = 0.5f - 2.5f * progress * progress;
  const float f = 1.8f * progress * progress;
  const float lift = 0.2f * std::sqrt(progress > 0 ? progress : 0.0f);
  const float top[3] = {e, f + 0.375f, lift};
  const float bottom[3] = {e, f - 0.375f, lift};
  for (int c = 0; c < 3; ++c) {
    g[last][0][c] = top[c];
    g[last][last][c] = bottom[c];
  }
}

void advancePullLeftCloth(float progress) {
  Grid& g = pullLeftStore().grid;
  pinPullLeftCorners(progress);
  for (int j = 0; j <= last; ++j) {
    if (progress < 0.7f) setFlat(g, 0, j, -0.5f);
    if (progress < 0.4f) setFlat(g, 7, j, 0);
  }
  refine(g, 0, 0, last, last);
  for (int pass = 0; pass < 3; ++pass) relax(g);
}
