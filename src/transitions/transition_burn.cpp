#include "transitions/transition_burn.h"

#include <GL/gl.h>

#include <cmath>
#include <ctime>

#include "app/quads/quads.h"
#include "images/slide_texture.h"
#include "transitions/transition_random.h"

namespace {

// One corner of the unburnt part of a cell: position and how far it is
// from burning (0 on the edge of the fire).
struct EdgePoint {
  float x, y, shade;
};

// Where the fire's edge crosses between two grid values, as the share of
// the way from the first: |(a - p) / (a - b)|. Equal values have no
// crossing between them; the first end is taken.
double crossing(float a, float b, float progress) {
  if (a == b) return 0;
  return std::fabs((double(a) - progress) / (double(a) - b));
}

void drawUnburntCell(const BurnStore& field, int i, int j, float p, float u, float v) {
  const float t00 = field.at(i, j), t10 = field.at(i + 1, j);
  const float t11 = field.at(i + 1, j + 1), t01 = field.at(i, j + 1);
  const bool in00 = t00 > p, in10 = t10 > p, in11 = t11 > p, in01 = t01 > p;

  EdgePoint points[8];
  int count = 0;
  auto add = [&](float x, float y, float shade) { points[count++] = {x, y, shade}; };
  auto alongX = [](int i0, double e) { return burnGridX((1 - e) * i0 + e * (i0 + 1)); };
  auto alongY = [](int j0, double e) { return burnGridY((1 - e) * j0 + e * (j0 + 1)); };

  if (in00) add(burnGridX(i), burnGridY(j), t00 - p);
  if (in00 != in10) add(alongX(i, crossing(t00, t10, p)), burnGridY(j), 0);
  if (in10) add(burnGridX(i + 1), burnGridY(j), t10 - p);
  if (in10 != in11) add(burnGridX(i + 1), alongY(j, crossing(t10, t11, p)), 0);
  if (in11) add(burnGridX(i + 1), burnGridY(j + 1), t11 - p);
  if (in01 != in11) add(alongX(i, crossing(t01, t11, p)), burnGridY(j + 1), 0);
  if (in01) add(burnGridX(i), burnGridY(j + 1), t01 - p);
  if (in00 != in01) add(burnGridX(i), alongY(j, crossing(t00, t01, p)), 0);

  // Two opposite corners in (6 points) is a saddle; it is left open.
  if (count < 3 || count > 5) return;
  glBegin(GL_POLYGON);
  for (int k = 0; k < count; ++k) {
    const EdgePoint& point = points[k];
    const float brightness = 15 * point.shade + 0.2f;
    glColor3f(brightness, brightness, brightness);
    glTexCoord2f((point.x + 0.5f) * u, (point.y + 0.375f) * v * 4 / 3);
    glVertex2f(point.x, point.y);
  }
  glEnd();
}

// Ten random sparks in the cell of every point that burns right now.
void drawSparks(const BurnStore& field, float p) {
  glBegin(GL_POINTS);
  for (int i = 0; i < burnColumns - 1; ++i) {
    for (int j = 0; j < burnRows - 1; ++j) {
      if (!(std::fabs(field.at(i, j) - p) < 0.01f)) continue;
      for (int spark = 0; spark < 10; ++spark) {
        const int a = randomBelow(10), b = randomBelow(10), c = randomBelow(10);
        glColor3f(0.8f + 0.02f * c, 0.5f + 0.02f * b, 0.04f * a);
        const int d = randomBelow(100), e = randomBelow(100);
        glVertex2f(burnGridX(i + 0.01 * e), burnGridY(j + 0.01 * d));
      }
    }
  }
  glEnd();
}

}  // namespace

TransitionBurn::TransitionBurn(const DescriptionNode& section, int fromPage, int toPage)
    : Transition(section, fromPage, toPage) {}

void TransitionBurn::start() {
  seedTransitionRandom(unsigned(std::time(nullptr)));
  computeBurnField();
}

void TransitionBurn::draw(float progress) {
  SlideTexture *from, *to;
  if (!texturesPastStart(progress, from, to)) return;

  to->bind();
  to->updateVideo();
  drawSlideQuad(to->uExtent, to->vExtent);

  from->bind();
  glDisable(GL_DEPTH_TEST);
  const BurnStore& field = burnStore();
  const float u = from->uExtent, v = from->vExtent;
  for (int i = 0; i < burnColumns - 1; ++i) {
    for (int j = 0; j < burnRows - 1; ++j) drawUnburntCell(field, i, j, progress, u, v);
  }

  glDisable(GL_TEXTURE_2D);
  drawSparks(field, progress);
  glEnable(GL_TEXTURE_2D);
  glColor3f(1, 1, 1);
  glEnable(GL_DEPTH_TEST);
}
