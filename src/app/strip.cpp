#include "app/strip.h"

#include <GL/freeglut.h>

#include <cmath>

#include "app/callbacks.h"
#include "app/quads/quads.h"
#include "app/slide_list_instance.h"
#include "app/state/viewer_state.h"
#include "images/slide_texture.h"

MotionPath stripPath;

namespace {

constexpr int stripSegments = stripRibbonPoints - 1;
constexpr float ribbonTop = 0.375f, ribbonBottom = -0.375f;
constexpr float markHalf = 0.07f;

void setFrontDiffuse(float alpha) {
  const float diffuse[4] = {1, 1, 1, alpha};
  glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
}

// Binds a texture the way everything shown on screen is: a video starts
// when it is not playing and advances to the present.
void bindPlaying(SlideTexture& texture) {
  texture.bind();
  if (!texture.isPlaying()) texture.startVideo();
  texture.updateVideo();
}

struct Ribbon {
  float x[stripRibbonPoints], z[stripRibbonPoints];
  float nx[stripRibbonPoints], nz[stripRibbonPoints];
};

void sampleRibbon(float c, Ribbon& ribbon) {
  for (int k = 0; k < stripRibbonPoints; ++k)
    stripPath.positionAt(c + 3.5f - float(k) / stripSegments, ribbon.x[k], ribbon.z[k]);
  // Each edge faces away from the chord to the next sample, towards the
  // viewer; the last edge keeps the one before it.
  for (int k = 0; k < stripSegments; ++k) {
    float dx = ribbon.x[k + 1] - ribbon.x[k], dz = ribbon.z[k + 1] - ribbon.z[k];
    float length = std::sqrt(dx * dx + dz * dz);
    if (length > 0) {
      ribbon.nx[k] = -dz / length;
      ribbon.nz[k] = dx / length;
    } else {
      ribbon.nx[k] = 0;
      ribbon.nz[k] = 1;
    }
  }
  ribbon.nx[stripSegments] = ribbon.nx[stripSegments - 1];
  ribbon.nz[stripSegments] = ribbon.nz[stripSegments - 1];
}

// Segment i of the ribbon, showing the texture columns of segment i out of
// (0, 0)-(sMax, tMax), shifted sideways by shift.
void drawSegment(const Ribbon& ribbon, int i, float sMax, float tMax, float shift) {
  float s0 = i * sMax / stripSegments, s1 = (i + 1) * sMax / stripSegments;
  drawLitQuad3D(ribbon.x[i] + shift, ribbonTop, ribbon.z[i], ribbon.x[i + 1] + shift, ribbonBottom,
                ribbon.z[i + 1], s0, 0, s1, tMax, ribbon.nx[i], 0, ribbon.nz[i], ribbon.nx[i + 1],
                0, ribbon.nz[i + 1]);
}

void drawCornerMark(float x, float y, float z, int left, int top, int right, int bottom) {
  glPushMatrix();
  glTranslatef(x, y, z);
  drawAtlasQuad(-markHalf, -markHalf, markHalf, markHalf, left, top, right, bottom);
  glPopMatrix();
}

void drawSelectionMarks(const Ribbon& ribbon) {
  glColor4f(1, 1, 1, 1);
  if (viewer.logoTexture) viewer.logoTexture->bind();
  const int last = stripSegments;
  drawCornerMark(ribbon.x[0] + 0.02f, 0.355f, ribbon.z[0], 85, 5, 105, 25);
  drawCornerMark(ribbon.x[0] + 0.02f, -0.355f, ribbon.z[0], 85, 25, 105, 5);
  drawCornerMark(ribbon.x[last] - 0.02f, 0.355f, ribbon.z[last], 105, 5, 85, 25);
  drawCornerMark(ribbon.x[last] - 0.02f, -0.355f, ribbon.z[last], 105, 25, 85, 5);
}

}  // namespace

int roundHalfAwayFromZero(float value) {
  return int(value < 0 ? std::ceil(value - 0.5f) : std::floor(value + 0.5f));
}

int stripSelectedSlide(int currentSlide, float stripOffset) {
  return currentSlide - roundHalfAwayFromZero(stripOffset);
}

float stripOpening(float f, bool settling) {
  float opening = smoothStep(f);
  return settling ? 1 - opening : opening;
}

bool stripThumbnailVisible(float position) {
  float c = -position;
  return c >= -2 && c <= 7.5f;
}

float stripNeighbourShift(float position, float opening) {
  float c = -position;
  return (c > 0 ? c - stripSlideSpacing : c + stripSlideSpacing) * -(1 - opening) * 1.5f;
}

void buildStripPath() {
  stripPath = MotionPath();
  stripPath.addControlPoint(3, 0, 1);
  stripPath.addControlPoint(0, 0, 1);
  stripPath.addControlPoint(-1.5f, 0, 1);
  stripPath.addControlPoint(-0.2f, -3, 1);
  stripPath.addControlPoint(-3, -1, 1);
  stripPath.addControlPoint(-6, -1.5f, 1);
  stripPath.build();
}

void enableStripLighting() {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  const float frontAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
  const float backAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
  const float backDiffuse[4] = {0.5f, 0.5f, 0.6f, 0.7f};
  glMaterialfv(GL_FRONT, GL_AMBIENT, frontAmbient);
  glMaterialfv(GL_BACK, GL_AMBIENT, backAmbient);
  glMaterialfv(GL_BACK, GL_DIFFUSE, backDiffuse);
  const float lightPosition[4] = {10, 0, 10, 0};
  const float lightAmbient[4] = {0.7f, 0.7f, 0.7f, 1};
  const float lightDiffuse[4] = {1, 1, 1, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
  glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
  glShadeModel(GL_SMOOTH);
  glDisable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void restoreFlatState() {
  glEnable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glColor3f(1, 1, 1);
  glEnable(GL_TEXTURE_2D);
}

void applyStripTilt(float f) {
  float l = stripOpening(f, viewer.presentationState == Settling);
  glRotatef(-12 * l, 0, 1, 0);
  glRotatef(25 * l, 1, 0, 0);
  glTranslatef(-0.2f * l, -0.8f * l, -1.3f * l);
}

void drawSlideStrip(float f) {
  bool settling = viewer.presentationState == Settling;
  float b = stripOpening(f, settling);
  enableStripLighting();
  // While settling, the fraction of a slide left in the offset eases out.
  float offset = settling ? viewer.stripOffset * b : viewer.stripOffset;
  for (int j = 0; j < slideList.slideCount(); ++j)
    drawStripThumbnail(j, (j - viewer.currentSlide + offset) * stripSlideSpacing, b);
  restoreFlatState();
}

void drawStripThumbnail(int slide, float position, float opening) {
  if (!stripThumbnailVisible(position)) return;
  const float b = opening;
  Ribbon ribbon;
  sampleRibbon(-position, ribbon);

  float sMax = 1, tMax = 0.75f;
  SlideTexture* thumbnail = slideList.slide(slide).thumbnail;
  if (thumbnail) {
    bindPlaying(*thumbnail);
    sMax = thumbnail->uExtent;
    tMax = thumbnail->vExtent;
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  setFrontDiffuse(0.8f);

  if (slide == viewer.currentSlide) {
    // The current slide glows, and while the strip is not fully open the
    // page itself shows through it, so the page turns into its thumbnail.
    SlideTexture* page = nullptr;
    if (b < 1) {
      slideList.page(viewer.currentPage).finishLoad();
      page = slideList.page(viewer.currentPage).texture;
      if (page) bindPlaying(*page);
    }
    for (int i = 0; i < stripSegments; ++i) {
      if (thumbnail) thumbnail->bind();
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      setFrontDiffuse(0.8f * b);
      drawSegment(ribbon, i, sMax, tMax, 0);
      if (page) {
        glEnable(GL_CULL_FACE);
        glEnable(GL_TEXTURE_2D);
        page->bind();
        setFrontDiffuse(1 - b);
        drawSegment(ribbon, i, page->uExtent, page->vExtent, 0);
        glDisable(GL_CULL_FACE);
        if (!thumbnail) glDisable(GL_TEXTURE_2D);
      }
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
  } else {
    float shift = stripNeighbourShift(position, b);
    for (int i = 0; i < stripSegments; ++i) drawSegment(ribbon, i, sMax, tMax, shift);
  }
  glEnable(GL_TEXTURE_2D);

  if (slide == stripSelectedSlide(viewer.currentSlide, viewer.stripOffset))
    drawSelectionMarks(ribbon);
}
