#pragma once

// The one integer source of the randomised transitions: squares-fly draws
// its table from it, burn its field and its sparks. Uniform, so "% n" of
// any range the transitions use is served by randomBelow(n).
void seedTransitionRandom(unsigned seed);

// A uniform integer in [0, n); n must be at least 1.
int randomBelow(int n);
