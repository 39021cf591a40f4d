#pragma once
// Keys, mouse buttons and pointer motion: navigation, the camera (zoom, pan,
// view reset, zoom to a rectangle), model rotation, the slide strip and the
// overlays. The GLUT callbacks are declared in app/callbacks.h.

// Shift = 1, Ctrl = 2, Alt = 4, as held right now.
int readModifiers();

// The pointer tool a left drag works and the cursor shows: the wheel mode,
// or in the default mode the one modifier held.
bool zoomToolActive();
bool panToolActive();
bool rectangleToolActive();

// The point of the slide plane (before the pan) under a window pixel.
void screenToPlane(int px, int py, float& x, float& y);

// Animates the camera back to the centre at the default zoom.
void resetView();
// Ends a zoom rectangle at window pixel (x, y) and animates the camera to
// fit it.
void zoomToRectangle(int x, int y);
// F12: full screen on or off.
void toggleFullScreen();

// Where a view animation ends.
struct ViewTarget {
  float panX, panY, zoom, distance;
};
// The camera that brings the rectangle between two plane corners to the
// middle of a window of the given size and fits its deciding side (the
// zoom clamped to its range).
ViewTarget rectangleZoomTarget(float startX, float startY, float endX, float endY, int windowWidth,
                               int windowHeight);

// An angle in degrees brought back into [-180, 180] after one step.
float wrapDegrees(float degrees);
