#pragma once

enum ModifierBits { ModifierShift = 1, ModifierCtrl = 2, ModifierAlt = 4 };

// Shift, Ctrl and Alt as held right now, as bits of ModifierBits. The state
// comes from the X server, so the answer is right in every GLUT callback
// (glutGetModifiers() answers only inside keyboard and mouse callbacks).
int queryModifierKeys();
