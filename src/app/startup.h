#pragma once
// The process: command line, calibration file, window, GL and sound
// start-up, the callbacks that are registered, the projection and the exit.

// The whole start-up sequence; returns the exit status when it ends early
// (no argument) and otherwise never returns.
int runViewer(int argc, char** argv);

// Fills the calibration matrix; true only when 16 numbers were read.
bool readCalibrationFile(const char* path);

void initGL();
void reshapeFunc(int width, int height);
void visibilityFunc(int state);
// freeglut's wheel callback: cycles the wheel tool, one step per notch.
void wheelFunc(int wheel, int direction, int x, int y);
// One notch: up (delta > 0) adds 1 to the wheel mode, down subtracts 1;
// the mode wraps within 0..3.
void stepWheelMode(int delta);
// Stops the workers first, then the program.
[[noreturn]] void quitViewer();
// A termination signal (SIGINT, SIGTERM, SIGHUP) arrived: the idle
// callback quits as Esc does.
bool quitRequested();
