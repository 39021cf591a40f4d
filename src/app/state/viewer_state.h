#pragma once
#include "platform/clock.h"

class Transition;
class TransitionBlend;
class SlideTexture;

enum PresentationState { Showing = 0, Transitioning = 1, Browsing = 2, Settling = 3 };
enum WheelMode { WheelDefault = 0, WheelZoom = 1, WheelPan = 2, WheelRectangle = 3 };

constexpr float defaultZoomLevel = 53.9f;
// The size the window is created with; also the windowed size until a
// reshape outside full screen records one.
constexpr int startupWindowWidth = 640, startupWindowHeight = 480;
constexpr float viewAnimationDuration = 0.6f;  // also the strip tilt and settle

// The one global state record every GLUT callback reads and writes. The
// slide list and the strip path are globals of the application beside it.
struct ViewerState {
  ViewerState();

  // Window
  bool fullScreen = true;
  int windowWidth = startupWindowWidth, windowHeight = startupWindowHeight;
  int windowX = 10, windowY = 10;
  int windowedWidth = 0, windowedHeight = 0;
  const char* windowTitle = "Quorvex";
  const char* logoFileName = "qvx.png";
  const char* splashFileName = "splash.png";
  char* exeDirectory = nullptr;  // owned
  double calibrationMatrix[16] = {};
  bool calibrationLoaded = false;
  bool mouseHook = false;  // the wheel callback is installed

  // Camera (the slide plane is z = 0; the camera looks down -z)
  float panX = 0, panY = 0;
  float zoomLevel = defaultZoomLevel;
  float cameraDistance;  // always zoomToDistance(zoomLevel)
  float visibleWidth = 0, visibleHeight = 0;
  bool viewAnimation = false;
  float viewFromPanX = 0, viewFromPanY = 0, viewFromDistance = 0, viewFromZoom = 0;
  float viewToPanX = 0, viewToPanY = 0, viewToDistance = 0, viewToZoom = 0;
  float modelRotationX = 0, modelRotationY = 0;
  float savedModelRotationX = 0, savedModelRotationY = 0;

  // Presentation
  int currentPage = 0;
  int currentSlide = 0;
  int presentationState = Showing;
  Transition* currentTransition = nullptr;     // not owned unless == ownedTransition
  TransitionBlend* ownedTransition = nullptr;  // owned
  float transitionDuration = 0.6f;
  float lastTransitionDuration = 0;
  int typedNumber = 0;
  float stripOffset = 0;

  // Input
  int mouseX = 0, mouseY = 0;
  int lastMouseX = 0, lastMouseY = 0;
  int pressedButton = -1;
  int modifiers = 0;
  int wheelMode = WheelDefault;
  float rectangleStartX = 0, rectangleStartY = 0, rectangleEndX = 0, rectangleEndY = 0;

  // Timers and overlays
  TimeStamp lastMouseActivity;
  TimeStamp animationStart;
  TimeStamp transitionStart;
  TimeStamp clockStart;
  float uColor[3] = {0.4f, 1.0f, 0.2f};
  // Pages and thumbnails stand as their EXIF orientation says ("AutoRotate").
  bool autoRotate = true;
  bool showProgressPosition = false;
  bool clockVisible = false;
  SlideTexture* logoTexture = nullptr;    // owned
  SlideTexture* splashTexture = nullptr;  // owned
};

extern ViewerState viewer;

// 0 below 0, 1 above 1, x * x * (3 - 2x) between: every fade and ease.
float smoothStep(float x);

// Clamps zoom in place to [-50, 140] and returns -0.1 * 2^(zoom * 0.05).
float zoomToDistance(float& zoom);

// visibleHeight and visibleWidth from the camera distance and window size.
void updateVisibleArea();
