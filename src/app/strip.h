#pragma once
// The slide strip: while the right button is held the view tilts away and
// the slides' thumbnails lie as lit, curved ribbons along a fixed path;
// dragging slides the strip, releasing selects the slide in the middle.
//
// buildStripPath and enableStripLighting are declared with the start-up
// steps in app/callbacks.h.

#include "transitions/motion_path.h"

// The curve the thumbnails follow; its x and y are the strip's x and z.
extern MotionPath stripPath;

// Strip position units per slide.
constexpr float stripSlideSpacing = 1.2f;
// Sample points of one thumbnail ribbon (17 segments).
constexpr int stripRibbonPoints = 18;

// The tilt of the whole view; f = seconds since the animation-start stamp
// divided by the strip tilt duration.
void applyStripTilt(float f);
// All thumbnails, for the states Browsing and Settling.
void drawSlideStrip(float f);
// Back to the flat state the pages draw in.
void restoreFlatState();
// One slide's ribbon at strip position `position`, the strip `opening`
// (0 closed, 1 open).
void drawStripThumbnail(int slide, float position, float opening);

// Rounds half away from zero (2.5 -> 3, -2.5 -> -3, -2.4 -> -2).
int roundHalfAwayFromZero(float value);
// The slide a release of the right button would select.
int stripSelectedSlide(int currentSlide, float stripOffset);
// How far the view is tilted, 0-1: easing in while browsing, out while
// settling.
float stripOpening(float f, bool settling);
// Whether a ribbon at strip position `position` is within the visible part
// of the path.
bool stripThumbnailVisible(float position);
// The sideways shift of a neighbour's ribbon while the strip opens: it
// slides in from its side.
float stripNeighbourShift(float position, float opening);
