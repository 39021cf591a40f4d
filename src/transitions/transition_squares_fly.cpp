#include "transitions/transition_squares_fly.h"

#include <GL/gl.h>

#include <cmath>

#include "app/quads/quads.h"
#include "images/slide_texture.h"

namespace {

const float squareSize = 0.025f;
const float halfSquare = 0.0125f;

// Light 1 from the right front, grey backs. These stay set after the
// transition; only the switches are restored.
void setUpLighting() {
  const float frontAmbient[] = {0.5f, 0.5f, 0.5f, 1};
  const float backAmbient[] = {0.1f, 0.1f, 0.1f, 1};
  const float backDiffuse[] = {0.2f, 0.2f, 0.3f, 1};
  const float lightDirection[] = {10, 0, 10, 0};
  const float lightAmbient[] = {0.7f, 0.7f, 0.7f, 1};
  const float lightDiffuse[] = {1, 1, 1, 1};
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
  glMaterialfv(GL_FRONT, GL_AMBIENT, frontAmbient);
  glMaterialfv(GL_BACK, GL_AMBIENT, backAmbient);
  glMaterialfv(GL_BACK, GL_DIFFUSE, backDiffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, lightDirection);
  glLightfv(GL_LIGHT1, GL_AMBIENT, lightAmbient);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, lightDiffuse);
}

}  // namespace

TransitionSquaresFly::TransitionSquaresFly(const DescriptionNode& section, int fromPage, int toPage)
    : Transition(section, fromPage, toPage) {}

void TransitionSquaresFly::start() {
  fillSquaresFlyTable();
}

void TransitionSquaresFly::draw(float progress) {
  SlideTexture *from, *to;
  if (!texturesPastStart(progress, from, to)) return;

  to->bind();
  to->updateVideo();
  drawSlideQuad(to->uExtent, to->vExtent);

  setUpLighting();
  glEnable(GL_LIGHT1);
  glEnable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);

  from->bind();
  const float u = from->uExtent, v = from->vExtent;
  const SquaresFlyStore& store = squaresFlyStore();
  const double scaledProgress = double(1.97f) * progress;
  for (int r = 0; r < squareRows; ++r) {
    const float t0 = r * v * (1.0f / squareRows), t1 = (r + 1) * v * (1.0f / squareRows);
    for (int i = 0; i < squareColumns; ++i) {
      const SquareMotion& square = store.squares[r][i];
      // The square's own time since it started to move.
      double c = scaledProgress - square.delay;
      if (c < 0) c = 0;
      const float s0 = i * u * squareSize, s1 = (i + 1) * u * squareSize;
      glPushMatrix();
      glTranslatef(float((i + 0.5) * squareSize - 0.5 - c * c),
                   float((r + 0.5) * squareSize - 0.375), float(0.2 * std::sqrt(c)));
      glRotatef(float(c * square.rateY), 0, 1, 0);
      glRotatef(float(c * square.rateX), 1, 0, 0);
      glBegin(GL_QUADS);
      glNormal3f(0, 0, 1);
      glTexCoord2f(s0, t1);
      glVertex2f(-halfSquare, halfSquare);
      glTexCoord2f(s0, t0);
      glVertex2f(-halfSquare, -halfSquare);
      glTexCoord2f(s1, t0);
      glVertex2f(halfSquare, -halfSquare);
      glTexCoord2f(s1, t1);
      glVertex2f(halfSquare, halfSquare);
      glEnd();
      glPopMatrix();
    }
  }

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_LIGHT1);
  glDisable(GL_LIGHTING);
  glEnable(GL_CULL_FACE);
}
