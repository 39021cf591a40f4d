#pragma once
#include "transitions/transition.h"

// The old page breaks into 40 x 30 lit squares that peel off from right to
// left, tumbling and flying left and towards the viewer.
class TransitionSquaresFly : public Transition {
 public:
  TransitionSquaresFly(const DescriptionNode& section, int fromPage, int toPage);
  void start() override;
  void draw(float progress) override;
};

constexpr int squareRows = 30, squareColumns = 40;

// When a square starts to move (in progress units scaled by 1.97) and how
// fast it turns about x and y (degrees per unit of its own time).
struct SquareMotion {
  float delay, rateX, rateY;
};

// The table every squares-fly shares, row 0 at the bottom, column 0 at the
// left.
struct SquaresFlyStore {
  SquareMotion squares[squareRows][squareColumns];
};
SquaresFlyStore& squaresFlyStore();

// A new table from the transition random source, three draws per square
// (start()); the source is not reseeded.
void fillSquaresFlyTable();
