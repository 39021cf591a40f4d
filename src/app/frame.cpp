#include "app/frame.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>

#include "app/callbacks.h"
#include "app/frame_log.h"
#include "app/full_screen.h"
#include "app/input.h"
#include "app/quads/quads.h"
#include "app/slide_list_instance.h"
#include "app/state/viewer_state.h"
#include "app/strip.h"
#include "images/slide_texture.h"
#include "platform/modifiers.h"
#include "transitions/transition.h"

namespace {

// The rectangle tool's guides and cross-hair reach this far across the view.
constexpr float guideReach = 9;

// What the last frame showed of the things that change with time.
struct TimedParts {
  bool splash = true;
  float cursorFade = -1;
  bool progress = false;
  int clockSeconds = -1;
};
TimedParts lastDrawn;

int clockSecondsNow() {
  const ClockReading reading = clockReading(viewer.clockStart.elapsedSeconds());
  return reading.minutes * 60 + reading.seconds;
}

bool progressShowing() {
  return viewer.showProgressPosition &&
         progressFade(viewer.transitionStart.elapsedSeconds(), viewer.lastTransitionDuration) > 0;
}

bool playsVideo(const SlideTexture* texture) {
  return texture && texture->kind == SlideTexture::Video;
}

// The page's own video while it plays; a video object plays forever.
bool pageMoves(const Page& page) {
  if (page.isWaiting()) return true;
  if (playsVideo(page.texture) && (page.texture->isPlaying() || !page.started)) return true;
  for (const ImageObject& object : page.imageObjects)
    if (playsVideo(object.texture.dataPtr)) return true;
  return false;
}

int decimalDigits(int n) {
  int digits = 1;
  while (n >= 10) {
    n /= 10;
    ++digits;
  }
  return digits;
}

void bindLogo() {
  if (viewer.logoTexture) viewer.logoTexture->bind();
}

bool inStrip() {
  return viewer.presentationState == Browsing || viewer.presentationState == Settling;
}

void applyCamera(float f) {
  if (viewer.viewAnimation) {
    float s = smoothStep(f);
    glTranslatef((1 - s) * viewer.viewFromPanX + s * viewer.viewToPanX,
                 (1 - s) * viewer.viewFromPanY + s * viewer.viewToPanY,
                 (1 - s) * viewer.viewFromDistance + s * viewer.viewToDistance);
    // The models turn back to their own orientation during the animation.
    float k = smoothStep(1 - f);
    viewer.modelRotationX = k * viewer.savedModelRotationX;
    viewer.modelRotationY = k * viewer.savedModelRotationY;
  } else {
    glTranslatef(viewer.panX, viewer.panY, viewer.cameraDistance);
  }
}

void drawContent(float progress, float f) {
  switch (viewer.presentationState) {
    case Showing:
      slideList.page(viewer.currentPage).draw();
      break;
    case Transitioning:
      if (viewer.currentTransition) viewer.currentTransition->draw(progress);
      break;
    case Browsing:
    case Settling:
      drawSlideStrip(f);
      break;
  }
}

void line(float x0, float y0, float x1, float y1) {
  glVertex2f(x0, y0);
  glVertex2f(x1, y1);
}

void drawRubberBandOrCrossHair(float mx, float my) {
  glDisable(GL_DEPTH_TEST);
  if (rectangleToolActive()) {
    glDisable(GL_TEXTURE_2D);
    glLineStipple(1, 0x0F0F);
    glEnable(GL_LINE_STIPPLE);
    glColor3fv(viewer.uColor);
    const float sx = viewer.rectangleStartX, sy = viewer.rectangleStartY;
    const float ex = viewer.rectangleEndX, ey = viewer.rectangleEndY;
    if (viewer.pressedButton == GLUT_LEFT_BUTTON) {
      glLineWidth(2.5f);
      glBegin(GL_LINE_STRIP);
      glVertex2f(sx, sy);
      glVertex2f(ex, sy);
      glVertex2f(ex, ey);
      glEnd();
      glBegin(GL_LINE_STRIP);
      glVertex2f(sx, sy);
      glVertex2f(sx, ey);
      glVertex2f(ex, ey);
      glEnd();
      glLineWidth(1);
      glBegin(GL_LINES);
      line(-guideReach, sy, guideReach, sy);
      line(-guideReach, ey, guideReach, ey);
      line(sx, -guideReach, sx, guideReach);
      line(ex, -guideReach, ex, guideReach);
      glEnd();
    } else {
      glBegin(GL_LINES);
      line(-guideReach, my, guideReach, my);
      line(mx, -guideReach, mx, guideReach);
      glEnd();
    }
    glDisable(GL_LINE_STIPPLE);
    glEnable(GL_TEXTURE_2D);
  }
  glEnable(GL_DEPTH_TEST);
}

void drawCursorIcon(float fade) {
  glColor4f(1, 1, 1, 1 - fade);
  // Undo the zoom so the icon keeps its size on screen.
  glScalef(-viewer.cameraDistance, -viewer.cameraDistance, 1);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  bindLogo();
  if (zoomToolActive())
    drawAtlasQuad(-0.015f, -0.035f, 0.023f, 0.01f, 23, 0, 48, 30);
  else if (panToolActive())
    drawAtlasQuad(-0.02f, -0.02f, 0.02f, 0.02f, 48, 0, 80, 32);
  else if (viewer.wheelMode == WheelDefault && viewer.modifiers == 0)
    drawAtlasQuad(-0.005f, -0.04f, 0.025f, 0.005f, 0, 0, 20, 30);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

// The translucent bar behind the typed number and the progress marks.
void drawBar(float halfHeight) {
  drawAtlasQuad(-0.45f, -halfHeight, -0.3f, halfHeight, 107, 0, 109, 25);
  drawAtlasQuad(-0.3f, -halfHeight, 0.3f, halfHeight, 109, 0, 109, 25);
  drawAtlasQuad(0.3f, -halfHeight, 0.45f, halfHeight, 109, 0, 107, 25);
}

void drawTypedNumber() {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  bindLogo();
  glColor4f(1, 1, 1, 0.5f);
  drawBar(0.07f);
  glColor3fv(viewer.uColor);
  drawAtlasQuad(-0.4f, -0.05f, 0.15f, 0.04f, 0, 54, 224, 79);
  glPushMatrix();
  glTranslatef(0.23f, 0, 0);
  drawNumber(viewer.typedNumber, true);
  glPopMatrix();
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

void drawProgressIndicator() {
  const int slides = slideList.slideCount();
  if (slides <= 0) return;
  float r = progressFade(viewer.transitionStart.elapsedSeconds(), viewer.lastTransitionDuration);
  int first = slideList.slide(viewer.currentSlide).firstPage;
  if (viewer.currentPage != first || r <= 0 || viewer.presentationState != Showing) return;

  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  bindLogo();
  glPushMatrix();
  glTranslatef(0, -0.2f, 0);
  const float w = progressSquareWidth(slides);
  glColor4f(1, 1, 1, 0.5f * r);
  drawBar(0.65f * w);
  const float flash = progressFlash(viewer.animationStart.elapsedSeconds(), r);
  for (int j = 0; j < slides; ++j) {
    glColor4f(viewer.uColor[0], viewer.uColor[1], viewer.uColor[2], r);
    glPushMatrix();
    glTranslatef((j - (slides - 1) * 0.5f) * w, 0, 0);
    if (j < viewer.currentSlide)
      drawAtlasQuad(-w / 2, -w / 2, w / 2, w / 2, 0, 85, 44, 126);
    else
      drawAtlasQuad(-w / 2, -w / 2, w / 2, w / 2, 88, 85, 132, 126);
    if (j == viewer.currentSlide) {
      glColor4f(viewer.uColor[0], viewer.uColor[1], viewer.uColor[2], flash);
      drawAtlasQuad(-w / 2, -w / 2, w / 2, w / 2, 44, 85, 88, 126);
    }
    glPopMatrix();
  }
  glPopMatrix();
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

void drawClock() {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  bindLogo();
  ClockReading reading = clockReading(viewer.clockStart.elapsedSeconds());
  glColor4f(1, 1, 1, 0.5f);
  glPushMatrix();
  glTranslatef(0.46f, -0.36f, 0);
  const float g = clockBarGrowth(reading.minutes);
  drawAtlasQuad(-0.035f - g, -0.01f, -0.015f - g, 0.01f, 106, 0, 109, 25);
  drawAtlasQuad(-0.015f - g, -0.01f, 0.03f, 0.01f, 108, 0, 109, 25);
  drawAtlasQuad(0.03f, -0.01f, 0.05f, 0.01f, 109, 0, 107, 25);
  glColor3fv(viewer.uColor);
  glTranslatef(0.025f, 0, 0);
  glScalef(0.15f, 0.15f, 1);
  drawNumber(reading.seconds % 10, false);
  glTranslatef(-0.1f, 0, 0);
  drawNumber(reading.seconds / 10, false);
  glTranslatef(-0.1f, 0, 0);
  drawAtlasQuad(0, -0.07f, 0.05f, 0.07f, 243, 54, 255, 79);
  glTranslatef(-0.05f, 0, 0);
  drawNumber(reading.minutes, false);
  glPopMatrix();
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
}

void drawSplash(const SplashFrame& splash) {
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glColor4f(0, 0, 0, splash.backdrop);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glVertex2f(-0.55f, -0.4f);
  glVertex2f(0.55f, -0.4f);
  glVertex2f(0.55f, 0.4f);
  glVertex2f(-0.55f, 0.4f);
  glEnd();
  glEnable(GL_TEXTURE_2D);

  glPushMatrix();
  glTranslatef(splash.drift, 0, 0);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);  // the pieces add light
  if (viewer.splashTexture) viewer.splashTexture->bind();
  glColor4f(1, 1, 1, splash.first);
  drawAtlasQuad(-0.3f, -0.1f, 0.3f, 0.1f, 0, 0, 128, 80);
  glColor4f(1, 1, 1, splash.second);
  drawAtlasQuad(-0.3f, -0.1f, 0.3f, 0.1f, 128, 0, 256, 80);
  glColor4f(1, 1, 1, splash.third);
  for (int twice = 0; twice < 2; ++twice)
    drawAtlasQuad(-0.55f, -0.2f, 0.55f, 0.2f, 0, 80, 256, 256);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

}  // namespace

std::vector<PlacedDigit> numberLayout(int n, bool alignLeft) {
  std::vector<PlacedDigit> digits;
  if (n < 0) return digits;
  float x = (n != 0 && alignLeft) ? 0.1f * float(decimalDigits(n) - 1) : 0.0f;
  do {
    digits.push_back({n % 10, x});
    x -= 0.1f;
    n /= 10;
  } while (n != 0);
  return digits;
}

void drawNumber(int n, bool alignLeft) {
  std::vector<PlacedDigit> digits = numberLayout(n, alignLeft);
  if (digits.empty()) return;
  glPushMatrix();
  glTranslatef(digits.front().x, 0, 0);
  for (const PlacedDigit& placed : digits) {
    float s0 = 0.1f * placed.digit, s1 = s0 + 0.1f;
    glBegin(GL_QUADS);
    glTexCoord2f(s0, 0.79f);
    glVertex2f(-0.05f, -0.05f);
    glTexCoord2f(s1, 0.79f);
    glVertex2f(0.05f, -0.05f);
    glTexCoord2f(s1, 0.88f);
    glVertex2f(0.05f, 0.05f);
    glTexCoord2f(s0, 0.88f);
    glVertex2f(-0.05f, 0.05f);
    glEnd();
    glTranslatef(-0.1f, 0, 0);
  }
  glPopMatrix();
}

float cursorFade(float secondsSinceMouseActivity) {
  float m = 1.3333334f * secondsSinceMouseActivity - 3;
  return smoothStep(m);
}

float progressFade(float secondsSinceTransitionStart, float lastTransitionDuration) {
  float n = secondsSinceTransitionStart - lastTransitionDuration;
  if (n >= 1.5f) n = 3 - n;
  return smoothStep(n);
}

float progressFlash(float secondsSinceAnimationStart, float strength) {
  return (1 - 4 * std::fmod(secondsSinceAnimationStart, 0.25f)) * strength;
}

float progressSquareWidth(int slideCount) {
  if (slideCount <= 0) return 0.1f;
  return std::min(0.8f / slideCount, 0.1f);
}

ClockReading clockReading(float secondsSinceClockStart) {
  int s = secondsSinceClockStart > 0 ? int(secondsSinceClockStart) : 0;
  return {s / 60, s % 60};
}

float clockBarGrowth(int minutes) {
  return minutes > 0 ? 0.015f * float(decimalDigits(minutes) - 1) : 0.0f;
}

SplashFrame splashFrame(float secondsSinceClockStart) {
  float n = 0.5f * secondsSinceClockStart;
  float p = 1 - n;
  SplashFrame frame;
  frame.backdrop = 0.5f * smoothStep(4 * std::min(n, p));
  float centred = n - 0.5f;
  frame.drift = -0.6f * centred * centred * centred;
  float u = smoothStep(8 * p);
  frame.first = std::min(smoothStep(6 * n), u);
  frame.second = std::min(smoothStep(3 * n - 1.2f), u);
  frame.third = std::min(smoothStep(4 * n - 2.5f), u);
  return frame;
}

void displayFunc() {
  const float t = viewer.animationStart.elapsedSeconds();
  const float progress = viewer.currentTransition ? t / viewer.currentTransition->duration : 1;
  const float f = t / viewAnimationDuration;

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor3f(1, 1, 1);
  glLoadIdentity();
  // The strip's lighting state leaves depth testing off; pages, models and
  // transitions expect it on.
  glEnable(GL_DEPTH_TEST);

  applyCamera(f);
  if (inStrip()) applyStripTilt(f);
  drawContent(progress, f);

  float mx, my;
  screenToPlane(viewer.mouseX, viewer.mouseY, mx, my);
  const float fade = cursorFade(viewer.lastMouseActivity.elapsedSeconds());
  const bool pointerOverlays = fade < 1 && !inStrip() && !viewer.viewAnimation;

  if (pointerOverlays) drawRubberBandOrCrossHair(mx, my);
  glPushMatrix();
  glTranslatef(mx, my, 0);
  if (pointerOverlays) drawCursorIcon(fade);
  glPopMatrix();

  if (viewer.typedNumber != 0) drawTypedNumber();
  if (viewer.showProgressPosition) drawProgressIndicator();
  if (viewer.clockVisible) drawClock();
  const float splashTime = viewer.clockStart.elapsedSeconds();
  if (splashTime < splashDuration) drawSplash(splashFrame(splashTime));

  lastDrawn.splash = splashTime < splashDuration;
  lastDrawn.cursorFade = fade;
  lastDrawn.progress = progressShowing();
  lastDrawn.clockSeconds = viewer.clockVisible ? clockSecondsNow() : -1;

  glutSwapBuffers();
  logBufferSwap();
  settleFullScreen();
}

bool frameWouldChange() {
  if (viewer.viewAnimation || fullScreenSettling()) return true;
  if (lastDrawn.splash || viewer.clockStart.elapsedSeconds() < splashDuration) return true;
  if (cursorFade(viewer.lastMouseActivity.elapsedSeconds()) != lastDrawn.cursorFade) return true;
  if (lastDrawn.progress || progressShowing()) return true;
  if ((viewer.clockVisible ? clockSecondsNow() : -1) != lastDrawn.clockSeconds) return true;
  return slideList.pageCount() > 0 && pageMoves(slideList.page(viewer.currentPage));
}
