#include "app/input.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>

#include "app/callbacks.h"
#include "app/full_screen.h"
#include "app/navigation.h"
#include "app/slide_list_instance.h"
#include "app/startup.h"
#include "app/state/viewer_state.h"
#include "app/strip.h"
#include "platform/modifiers.h"

namespace {

constexpr int keyBackspace = 8, keyEnter = 13, keyEscape = 27, keySpace = 32;
// freeglut reports the modifier keys themselves (Shift, Ctrl, Alt, Super)
// as special keys from this code on; they are not commands.
constexpr int firstModifierKeyCode = GLUT_KEY_SHIFT_L;
constexpr float panStep = 0.02f;  // of the camera distance per arrow key
constexpr float zoomKeyStep = 2;  // zoom levels per '+' or '-'
constexpr float dragZoomPerPixel = 0.15f;
constexpr float rotationPerPixel = 0.6f;      // degrees
constexpr float stripSlidesPerPixel = 0.01f;  // 100 pixels move one slide

void changeZoom(float levels) {
  viewer.zoomLevel += levels;
  viewer.cameraDistance = zoomToDistance(viewer.zoomLevel);
  updateVisibleArea();
}

void recordViewFrom() {
  viewer.viewFromPanX = viewer.panX;
  viewer.viewFromPanY = viewer.panY;
  viewer.viewFromDistance = viewer.cameraDistance;
  viewer.viewFromZoom = viewer.zoomLevel;
}

void startViewAnimation() {
  viewer.viewAnimation = true;
  viewer.animationStart.reset();
}

void saveModelRotation() {
  viewer.savedModelRotationX = viewer.modelRotationX;
  viewer.savedModelRotationY = viewer.modelRotationY;
}

void typeDigit(int digit) {
  if (viewer.presentationState != Showing) return;
  viewer.typedNumber = viewer.typedNumber * 10 + digit;
  glutPostRedisplay();
  // No further digit could give a valid slide: go now.
  if (viewer.typedNumber * 10 > slideList.slideCount()) gotoTypedSlide();
}

// A press or release of the left button works the rectangle with Alt in
// any wheel mode.
bool rectangleClick() {
  return viewer.modifiers == ModifierAlt || viewer.wheelMode == WheelRectangle;
}

void pressButton(int button, int x, int y) {
  switch (button) {
    case GLUT_LEFT_BUTTON:
      if (viewer.modifiers == 0 && viewer.wheelMode == WheelDefault) {
        nextPage();
      } else if (rectangleClick()) {
        screenToPlane(x, y, viewer.rectangleStartX, viewer.rectangleStartY);
        viewer.rectangleEndX = viewer.rectangleStartX;
        viewer.rectangleEndY = viewer.rectangleStartY;
        saveModelRotation();
      }
      break;
    case GLUT_RIGHT_BUTTON:
      if (viewer.presentationState != Showing) break;
      if (viewer.wheelMode != WheelDefault) {
        resetView();
      } else {
        viewer.animationStart.reset();
        viewer.presentationState = Browsing;
        viewer.stripOffset = 0;
      }
      break;
    default:
      break;  // the middle button turns models while it is held
  }
}

void releaseButton(int x, int y) {
  switch (viewer.pressedButton) {
    case GLUT_LEFT_BUTTON:
      if (rectangleClick()) zoomToRectangle(x, y);
      break;
    case GLUT_RIGHT_BUTTON:
      if (viewer.presentationState == Browsing) {
        viewer.presentationState = Settling;
        int n = roundHalfAwayFromZero(viewer.stripOffset);
        gotoSlide(viewer.currentSlide - n);
        // The fraction left over eases out while the strip settles.
        viewer.stripOffset -= n;
        prepareTransition();
        viewer.animationStart.reset();
      }
      break;
    default:
      break;
  }
}

}  // namespace

bool zoomToolActive() {
  return viewer.wheelMode == WheelZoom ||
         (viewer.wheelMode == WheelDefault && viewer.modifiers == ModifierShift);
}
bool panToolActive() {
  return viewer.wheelMode == WheelPan ||
         (viewer.wheelMode == WheelDefault && viewer.modifiers == ModifierCtrl);
}
bool rectangleToolActive() {
  return viewer.wheelMode == WheelRectangle ||
         (viewer.wheelMode == WheelDefault && viewer.modifiers == ModifierAlt);
}

int readModifiers() {
  return queryModifierKeys();
}

void screenToPlane(int px, int py, float& x, float& y) {
  const int width = viewer.windowWidth > 0 ? viewer.windowWidth : 1;
  const int height = viewer.windowHeight > 0 ? viewer.windowHeight : 1;
  x = float(px - width / 2) * viewer.visibleWidth / float(width) - viewer.panX;
  y = -(float(py - height / 2) * viewer.visibleHeight / float(height)) - viewer.panY;
}

float wrapDegrees(float degrees) {
  // Loops rather than one step, so that a long jump of the pointer still
  // ends in range.
  while (degrees < -180) degrees += 360;
  while (degrees > 180) degrees -= 360;
  return degrees;
}

ViewTarget rectangleZoomTarget(float startX, float startY, float endX, float endY, int windowWidth,
                               int windowHeight) {
  ViewTarget target;
  target.panX = -(startX + endX) / 2;
  target.panY = -(startY + endY) / 2;
  const float w = std::fabs(startX - endX), h = std::fabs(startY - endY);
  const float windowW = float(windowWidth > 0 ? windowWidth : 1);
  const float windowH = float(windowHeight > 0 ? windowHeight : 1);
  // Compare the shapes crosswise so a flat or empty rectangle divides by
  // nothing: the window being wider than the rectangle lets its height decide.
  const float fitHeight = windowW * h > w * windowH ? h : windowH * w / windowW;
  if (fitHeight > 0) {
    const float d = -fitHeight * 0.53f / std::tan(0.5235987755833333f);
    target.zoom = 20 * std::log(-10 * d) / std::log(2.0f);
  } else {
    target.zoom = -50;  // a click without a drag: as close as the zoom goes
  }
  target.distance = zoomToDistance(target.zoom);
  return target;
}

void resetView() {
  recordViewFrom();
  viewer.viewToPanX = 0;
  viewer.viewToPanY = 0;
  viewer.viewToZoom = defaultZoomLevel;
  viewer.viewToDistance = zoomToDistance(viewer.viewToZoom);
  saveModelRotation();
  startViewAnimation();
}

void zoomToRectangle(int x, int y) {
  screenToPlane(x, y, viewer.rectangleEndX, viewer.rectangleEndY);
  ViewTarget target =
      rectangleZoomTarget(viewer.rectangleStartX, viewer.rectangleStartY, viewer.rectangleEndX,
                          viewer.rectangleEndY, viewer.windowWidth, viewer.windowHeight);
  viewer.viewToPanX = target.panX;
  viewer.viewToPanY = target.panY;
  recordViewFrom();
  viewer.viewToZoom = target.zoom;
  viewer.viewToDistance = target.distance;
  startViewAnimation();
  viewer.pressedButton = -1;
}

void toggleFullScreen() {
  viewer.fullScreen = !viewer.fullScreen;
  if (viewer.fullScreen)
    enterFullScreen();
  else
    leaveFullScreen();
}

void keyboardFunc(unsigned char key, int, int) {
  if (key >= '0' && key <= '9') {
    typeDigit(key - '0');
    return;
  }
  switch (key) {
    case keyBackspace:
      gotoPage(viewer.currentPage - 1);
      break;
    case keyEnter:
      gotoTypedSlide();
      break;
    case keyEscape:
      if (viewer.typedNumber == 0) quitViewer();
      viewer.typedNumber = 0;
      glutPostRedisplay();
      break;
    case keySpace:
      nextPage();
      break;
    case '+':
      changeZoom(-zoomKeyStep);
      glutPostRedisplay();
      break;
    case '-':
      changeZoom(zoomKeyStep);
      glutPostRedisplay();
      break;
    case 'q':
      quitViewer();
    case 'r':
      resetView();
      break;
    default:
      std::printf("unknown command (keyboardFunc): %i\n", key);
      break;
  }
  viewer.typedNumber = 0;
}

void keyboardSpecialFunc(int key, int, int) {
  if (key >= firstModifierKeyCode) return;
  const float step = viewer.cameraDistance * panStep;
  switch (key) {
    case GLUT_KEY_F5:
      viewer.clockVisible = !viewer.clockVisible;
      glutPostRedisplay();
      break;
    case GLUT_KEY_F6:
      viewer.clockStart.reset();  // the clock restarts and the splash plays again
      glutPostRedisplay();
      break;
    case GLUT_KEY_F8:
      slideList.page(viewer.currentPage).startMedia();
      glutPostRedisplay();
      break;
    case GLUT_KEY_F12:
      toggleFullScreen();
      break;
    case GLUT_KEY_LEFT:
      viewer.panX -= step;
      glutPostRedisplay();
      break;
    case GLUT_KEY_UP:
      viewer.panY += step;
      glutPostRedisplay();
      break;
    case GLUT_KEY_RIGHT:
      viewer.panX += step;
      glutPostRedisplay();
      break;
    case GLUT_KEY_DOWN:
      viewer.panY -= step;
      glutPostRedisplay();
      break;
    case GLUT_KEY_HOME:
      gotoPage(0);
      break;
    case GLUT_KEY_END:
      gotoPage(slideList.pageCount() - 1);
      break;
    default:
      std::printf("unknown command (keyboardSpecialFunc): %i\n", key);
      break;
  }
  viewer.typedNumber = 0;
}

void mouseFunc(int button, int state, int x, int y) {
  if (state == GLUT_DOWN) viewer.pressedButton = button;
  viewer.lastMouseX = x;
  viewer.lastMouseY = y;
  viewer.modifiers = readModifiers();
  if (state == GLUT_DOWN)
    pressButton(viewer.pressedButton, x, y);
  else if (state == GLUT_UP)
    releaseButton(x, y);
}

void motionFunc(int x, int y) {
  viewer.mouseX = x;
  viewer.mouseY = y;
  viewer.lastMouseActivity.reset();
  viewer.modifiers = readModifiers();
  switch (viewer.pressedButton) {
    case GLUT_LEFT_BUTTON:
      if (zoomToolActive()) changeZoom((y - viewer.lastMouseY) * dragZoomPerPixel);  // down: away
      if (panToolActive()) {
        // The plane point under the pointer stays under it.
        float x0, y0, x1, y1;
        screenToPlane(viewer.lastMouseX, viewer.lastMouseY, x0, y0);
        screenToPlane(x, y, x1, y1);
        viewer.panX += x1 - x0;
        viewer.panY += y1 - y0;
      }
      if (rectangleToolActive()) screenToPlane(x, y, viewer.rectangleEndX, viewer.rectangleEndY);
      break;
    case GLUT_MIDDLE_BUTTON:
      viewer.modelRotationX =
          wrapDegrees(viewer.modelRotationX + (y - viewer.lastMouseY) * rotationPerPixel);
      viewer.modelRotationY =
          wrapDegrees(viewer.modelRotationY + (x - viewer.lastMouseX) * rotationPerPixel);
      break;
    case GLUT_RIGHT_BUTTON:
      if (viewer.presentationState == Browsing)
        viewer.stripOffset += (x - viewer.lastMouseX) * stripSlidesPerPixel;
      break;
    default:
      break;
  }
  viewer.lastMouseX = x;
  viewer.lastMouseY = y;
  glutPostRedisplay();
}

void passiveMotionFunc(int x, int y) {
  viewer.mouseX = x;
  viewer.mouseY = y;
  viewer.pressedButton = -1;
  viewer.lastMouseActivity.reset();
  viewer.modifiers = readModifiers();
  glutPostRedisplay();
}
