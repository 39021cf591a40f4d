#pragma once
// A trace of the frames the viewer shows, for measuring: when the variable
// QUORVEX_FRAME_LOG names a file, every buffer swap appends one line
//   <ms since start-up> <ms since the last swap> <ms of it spent working>
// where the last figure leaves out the time the idle callback slept.

// Called right after each glutSwapBuffers.
void logBufferSwap();
// The idle callback slept this many seconds waiting for something to do.
void noteIdleSleep(double seconds);
// Buffer swaps so far, traced or not.
int framesShown();
// Flushes and closes the trace (at exit).
void closeFrameLog();
