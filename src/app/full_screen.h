#pragma once
// Full screen on and off (start-up and F12).
//
// Without a window manager, freeglut makes a window full screen by moving
// it to minus its position relative to its parent: a window created at
// (10, 10) ends up at (-10, -10), its top-left corner off the screen and a
// black band along the right and bottom edges. settleFullScreen moves such a
// window to the screen's origin once freeglut has resized it.

// glutFullScreen, and a check of the window's place at the next frames.
void enterFullScreen();
// Leaves freeglut's full-screen state and restores the windowed size
// (the start-up size when none was recorded) and the start-up position.
void leaveFullScreen();
// Called every frame; does work only for a few frames after
// enterFullScreen.
void settleFullScreen();
// Frames are still needed to move the full-screen window into place.
bool fullScreenSettling();
