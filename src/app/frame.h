#pragma once
// One frame: the camera, the page, the running transition or the slide
// strip, then the overlays (rubber band or cross-hair, cursor icon, typed
// number, progress indicator, clock, start-up splash). displayFunc is
// declared with the other callbacks in app/callbacks.h.

#include <vector>

// Draws n >= 0 in digits 0.1 wide from the atlas; with alignLeft the number
// starts at the origin and runs right, otherwise its last digit sits at the
// origin. Negative n draws nothing.
void drawNumber(int n, bool alignLeft);

// One digit of drawNumber: which digit, and the x of its centre.
struct PlacedDigit {
  int digit;
  float x;
};
// The digits drawNumber draws, last digit first.
std::vector<PlacedDigit> numberLayout(int n, bool alignLeft);

// Opacity of the fade that hides the cursor overlays, from the seconds since
// the pointer last moved: 0 (cursor fully shown) until 2.25 s, 1 from 3 s.
float cursorFade(float secondsSinceMouseActivity);

// Strength of the progress indicator, from the seconds since the last
// transition started and that transition's duration: fades in during the
// first second after the transition ended, stays until 2 s, gone at 3 s.
float progressFade(float secondsSinceTransitionStart, float lastTransitionDuration);
// Alpha of the flash over the current slide's mark: a saw-tooth four times
// a second, scaled by the indicator's strength.
float progressFlash(float secondsSinceAnimationStart, float strength);
// Width of one slide's square of the progress indicator.
float progressSquareWidth(int slideCount);

// The clock's m:ss digits from the seconds since the clock started.
struct ClockReading {
  int minutes, seconds;
};
ClockReading clockReading(float secondsSinceClockStart);
// How far the clock's bar grows to the left for the minute digits past one.
float clockBarGrowth(int minutes);

// Everything time-dependent in the splash at a moment of its 2 seconds.
struct SplashFrame {
  float backdrop;              // alpha of the dark backdrop
  float drift;                 // x translation of the pieces
  float first, second, third;  // alphas of the three pieces
};
SplashFrame splashFrame(float secondsSinceClockStart);
// The splash plays for this long after start-up or F6.
constexpr float splashDuration = 2.0f;

// Whether a frame drawn now would differ from the last one drawn in the
// Showing state: something animates (splash, cursor fade, progress
// indicator, view animation, a playing video), the clock's seconds moved,
// or the page is still to be finished.
bool frameWouldChange();
