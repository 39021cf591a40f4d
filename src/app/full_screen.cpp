#include "app/full_screen.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include "app/input.h"
#include "app/state/viewer_state.h"

namespace {

// Frames to wait for freeglut's resize to reach the server; a window
// manager that keeps the window elsewhere is left alone after that.
constexpr int settleFrames = 120;
int framesToSettle = 0;

// A connection of our own: freeglut's display is private to it.
Display* windowDisplay() {
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

}  // namespace

void enterFullScreen() {
  glutFullScreen();
  framesToSettle = settleFrames;
}

void leaveFullScreen() {
  framesToSettle = 0;
  // freeglut keeps a full-screen state of its own; leave it first so that
  // a window manager lets the window go.
  glutLeaveFullScreen();
  int width = viewer.windowedWidth, height = viewer.windowedHeight;
  if (width <= 0 || height <= 0) {
    // Started full screen: no windowed size was ever recorded, and a window
    // of size 0 is an X error.
    width = startupWindowWidth;
    height = startupWindowHeight;
  }
  glutReshapeWindow(width, height);
  glutPositionWindow(viewer.windowX, viewer.windowY);
}

void settleFullScreen() {
  if (framesToSettle <= 0) return;
  --framesToSettle;
  Display* display = windowDisplay();
  Window window = glXGetCurrentDrawable();
  if (!display || !window || !viewer.fullScreen) {
    framesToSettle = 0;
    return;
  }
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return;
  const Screen* screen = attributes.screen;
  if (attributes.width != WidthOfScreen(screen) || attributes.height != HeightOfScreen(screen))
    return;  // not resized yet
  int screenX = 0, screenY = 0;
  Window child;
  XTranslateCoordinates(display, window, RootWindowOfScreen(screen), 0, 0, &screenX, &screenY,
                        &child);
  if (screenX != 0 || screenY != 0) {
    XMoveWindow(display, window, attributes.x - screenX, attributes.y - screenY);
    XFlush(display);
  }
  framesToSettle = 0;
}

bool fullScreenSettling() {
  return framesToSettle > 0;
}
