#include "transitions/transition_random.h"

#include <random>

namespace {
std::mt19937& engine() {
  static std::mt19937 generator;
  return generator;
}
}  // namespace

void seedTransitionRandom(unsigned seed) {
  engine().seed(seed);
}

int randomBelow(int n) {
  return std::uniform_int_distribution<int>(0, n - 1)(engine());
}
