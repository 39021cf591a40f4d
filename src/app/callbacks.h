#pragma once
// The GLUT callbacks and the start-up steps that navigation, the frame, the
// input and the strip provide.

void idleFunc();
void displayFunc();
void keyboardFunc(unsigned char key, int x, int y);
void keyboardSpecialFunc(int key, int x, int y);
void mouseFunc(int button, int state, int x, int y);
void motionFunc(int x, int y);
void passiveMotionFunc(int x, int y);

// Start-up: the six control points of the strip path, built.
void buildStripPath();
// The lighting state of the slide strip.
void enableStripLighting();
// Start-up's last step: page 0 current, its transition prepared, one idle step.
void showFirstPage();
