#include "platform/modifiers.h"

#include <X11/Xlib.h>

namespace {
// A connection of our own: freeglut's display is private to it.
Display* modifierDisplay() {
  static Display* display = XOpenDisplay(nullptr);
  return display;
}
}  // namespace

int queryModifierKeys() {
  Display* display = modifierDisplay();
  if (!display) return 0;
  Window root, child;
  int rootX, rootY, winX, winY;
  unsigned int mask = 0;
  if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &winX,
                     &winY, &mask))
    return 0;
  int modifiers = 0;
  if (mask & ShiftMask) modifiers |= ModifierShift;
  if (mask & ControlMask) modifiers |= ModifierCtrl;
  if (mask & Mod1Mask) modifiers |= ModifierAlt;
  return modifiers;
}
