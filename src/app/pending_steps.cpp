// Steps of start-up and of the main loop whose subsystems have not landed
// yet. Each piece leaves this file when the real one arrives.
#include <GL/freeglut.h>

#include <cstdio>

#include "app/callbacks.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"

// --- navigation -----------------------------------------------------------
void idleFunc() {
  glutPostRedisplay();
}
void showFirstPage() {}

// --- frame ----------------------------------------------------------------
void displayFunc() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glutSwapBuffers();
}

// --- input ----------------------------------------------------------------
void keyboardFunc(unsigned char key, int, int) {
  if (key == 'q' || key == 27) quitViewer();
  std::printf("unknown command (keyboardFunc): %i\n", key);
}
void keyboardSpecialFunc(int key, int, int) {
  std::printf("unknown command (keyboardSpecialFunc): %i\n", key);
}
void mouseFunc(int, int, int, int) {}
void motionFunc(int, int) {}
void passiveMotionFunc(int, int) {}

// --- slide strip ----------------------------------------------------------
void buildStripPath() {}
void enableStripLighting() {}
