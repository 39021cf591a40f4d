#include "transitions/transition_random.h"
#include "transitions/transition_squares_fly.h"

SquaresFlyStore& squaresFlyStore() {
  static SquaresFlyStore store;
  return store;
}

void fillSquaresFlyTable() {
  SquaresFlyStore& store = squaresFlyStore();
  for (int r = 0; r < squareRows; ++r) {
    for (int i = 0; i < squareColumns; ++i) {
      SquareMotion& square = store.squares[r][i];
      // The right column starts at once, each column to the left later.
      const double columnWait = (1 - double(i) / (squareColumns - 1)) * 1.445;
      square.delay = float(randomBelow(100) * 0.01 * 0.25500001728534727 + columnWait);
      square.rateX = float((randomBelow(2000) - 1000) * 0.4);
      square.rateY = float(randomBelow(1000) * -2.4);
    }
  }
}
