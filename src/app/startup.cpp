#include "app/startup.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

extern "C" {
#include <libavutil/log.h>
}

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "app/background.h"
#include "app/callbacks.h"
#include "app/frame_log.h"
#include "app/full_screen.h"
#include "app/slide_list_instance.h"
#include "app/state/viewer_state.h"
#include "images/slide_texture.h"
#include "platform/paths.h"
#include "sound/fsound.h"
#include "transitions/transition.h"

SlideList slideList;

namespace {

// Windows' code and message of a wheel notch, for the diagnostic line.
constexpr int hookActionCode = 0;
constexpr int wheelMessage = 0x020A;
constexpr int wheelDeltaPerNotch = 120;

volatile std::sig_atomic_t quitSignal = 0;

// The idle callback quits; a second signal (say while the window is hidden
// and no idle callback runs) ends the program at once.
void noteQuitSignal(int signal) {
  quitSignal = signal;
  std::signal(signal, SIG_DFL);
}

char* copyExeDirectory(const char* programPath) {
  std::string directory = directoryOf(programPath ? programPath : "");
  char* copy = static_cast<char*>(std::malloc(directory.size() + 1));
  std::memcpy(copy, directory.c_str(), directory.size() + 1);
  return copy;
}

}  // namespace

bool readCalibrationFile(const char* path) {
  std::printf("trying to open calibration file: %s\n", path);
  std::ifstream file(nativePath(path));
  if (!file) return false;
  int count = 0;
  while (count < 16 && file >> viewer.calibrationMatrix[count]) ++count;
  return count == 16;
}

void stepWheelMode(int delta) {
  viewer.wheelMode += delta > 0 ? 1 : -1;
  if (viewer.wheelMode < 0) viewer.wheelMode = 3;
  if (viewer.wheelMode >= 4) viewer.wheelMode = 0;
}

void wheelFunc(int, int direction, int, int) {
  // freeglut reports +1 for a notch away from the user, as Windows' positive delta.
  int delta = direction > 0 ? wheelDeltaPerNotch : -wheelDeltaPerNotch;
  std::printf("%i %i %i\n", hookActionCode, wheelMessage, delta);
  stepWheelMode(delta);
}

void reshapeFunc(int width, int height) {
  viewer.windowWidth = width;
  viewer.windowHeight = height;
  if (!viewer.fullScreen) {
    viewer.windowedWidth = width;
    viewer.windowedHeight = height;
  }
  updateVisibleArea();
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (viewer.calibrationLoaded) glMultMatrixd(viewer.calibrationMatrix);
  gluPerspective(60, float(width) / float(height), 0.005, 30);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void visibilityFunc(int state) {
  glutIdleFunc(state == GLUT_VISIBLE ? idleFunc : nullptr);
}

void initGL() {
  FSOUND_Init(44100, 32, 0);

  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glClearColor(0, 0, 0, 0);
  glEnable(GL_TEXTURE_2D);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  viewer.lastMouseActivity.reset();
  viewer.clockStart.reset();
  viewer.transitionStart.reset();

  std::string directory = viewer.exeDirectory;
  viewer.logoTexture = new SlideTexture((directory + viewer.logoFileName).c_str(), true, false);
  viewer.splashTexture = new SlideTexture((directory + viewer.splashFileName).c_str(), true, false);

  viewer.zoomLevel = defaultZoomLevel;
  viewer.panX = viewer.panY = 0;
  viewer.pressedButton = -1;
  viewer.cameraDistance = zoomToDistance(viewer.zoomLevel);
  updateVisibleArea();

  buildStripPath();

  enableStripLighting();
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor3f(1, 1, 1);
  glEnable(GL_TEXTURE_2D);

  showFirstPage();
}

bool quitRequested() {
  return quitSignal != 0;
}

void quitViewer() {
  stopBackgroundWork();
  delete viewer.ownedTransition;
  viewer.ownedTransition = nullptr;
  delete viewer.logoTexture;
  viewer.logoTexture = nullptr;
  closeFrameLog();
  std::fflush(stdout);
  std::exit(0);
}

int runViewer(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: parameter is slide list file\n");
    return 0;
  }
  viewer.exeDirectory = copyExeDirectory(argv[0]);
  std::string calibrationPath = std::string(viewer.exeDirectory) + "qvx.cal";
  viewer.calibrationLoaded = readCalibrationFile(calibrationPath.c_str());

  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(viewer.windowWidth, viewer.windowHeight);
  glutInitWindowPosition(viewer.windowX, viewer.windowY);
  glutCreateWindow(viewer.windowTitle);

  GLenum glewResult = glewInit();
  if (glewResult != 0) std::fprintf(stderr, "Error: %s\n", glewGetErrorString(glewResult));
  std::printf("Status: Using GLEW %s\n", glewGetString(GLEW_VERSION));
  std::fflush(stdout);

  // FFmpeg prints its own lines from the first clip it opens, and the slide
  // list opens clips for their thumbnails: quiet it before.
  av_log_set_level(AV_LOG_QUIET);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, noteQuitSignal);
  startBackgroundWork();
  if (!slideList.load(argv[1])) {
    std::printf("ERROR: could not read slide list or directory\n");
    std::fflush(stdout);
    std::exit(0);
  }
  if (viewer.fullScreen) enterFullScreen();

  // Every input gets a frame: the idle callback draws only what moves.
  glutKeyboardFunc([](unsigned char key, int x, int y) {
    keyboardFunc(key, x, y);
    glutPostRedisplay();
  });
  glutSpecialFunc([](int key, int x, int y) {
    keyboardSpecialFunc(key, x, y);
    glutPostRedisplay();
  });
  glutReshapeFunc(reshapeFunc);
  glutMotionFunc([](int x, int y) {
    motionFunc(x, y);
    glutPostRedisplay();
  });
  glutPassiveMotionFunc([](int x, int y) {
    passiveMotionFunc(x, y);
    glutPostRedisplay();
  });
  glutMouseFunc([](int button, int state, int x, int y) {
    mouseFunc(button, state, x, y);
    glutPostRedisplay();
  });

  // The wheel reaches us through freeglut's wheel callback instead of a
  // mouse hook; it never reaches the mouse handler.
  glutMouseWheelFunc([](int wheel, int direction, int x, int y) {
    wheelFunc(wheel, direction, x, y);
    glutPostRedisplay();
  });
  viewer.mouseHook = true;

  glutIdleFunc(idleFunc);
  glutVisibilityFunc(visibilityFunc);

  initGL();
  glutSetCursor(GLUT_CURSOR_NONE);

  glutDisplayFunc(displayFunc);
  glutMainLoop();
  quitViewer();
}
