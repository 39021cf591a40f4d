// The three kinds that move the pages rigidly or fade them: the cut, the
// blend and the strip-wise scroll.
#include <GL/gl.h>

#include "app/quads/quads.h"
#include "app/state/viewer_state.h"
#include "images/slide_texture.h"
#include "transitions/transition.h"

namespace {

// The page cut into 7 vertical strips between the given edge positions.
void drawStrips(SlideTexture& texture, const float (&edges)[8]) {
  const float u = texture.uExtent, v = texture.vExtent;
  for (int k = 0; k < 7; ++k) {
    drawTexturedQuad2D(edges[k], -0.375f, edges[k + 1], 0.375f, k * u / 7, 0, (k + 1) * u / 7, v);
  }
}

}  // namespace

// The cut lasts its 0.01 s whatever the section says: its "duration" is not read.
TransitionHard::TransitionHard(const DescriptionNode&, int fromPage, int toPage)
    : Transition(fromPage, toPage, hardCutSeconds) {}

void TransitionHard::draw(float progress) {
  if (progress <= 0) {
    if (SlideTexture* from = fromTexture()) drawWholePage(*from);
    return;
  }
  SlideTexture* to = toTexture();
  if (!to) return;
  to->bind();
  to->updateVideo();
  drawSlideQuad(to->uExtent, to->vExtent);
}

TransitionBlend::TransitionBlend(const DescriptionNode& section, int fromPage, int toPage)
    : Transition(section, fromPage, toPage) {}

TransitionBlend::TransitionBlend(int fromPage, int toPage)
    : Transition(fromPage, toPage, viewer.transitionDuration) {}

void TransitionBlend::draw(float progress) {
  SlideTexture *from, *to;
  if (!texturesPastStart(progress, from, to)) return;

  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  from->bind();
  glColor3f(1, 1, 1);
  drawSlideQuad(from->uExtent, from->vExtent);

  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  to->bind();
  to->updateVideo();
  glColor4f(1, 1, 1, smoothStep(progress));
  drawSlideQuad(to->uExtent, to->vExtent);

  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
}

TransitionScrollLeft::TransitionScrollLeft(const DescriptionNode& section, int fromPage, int toPage)
    : Transition(section, fromPage, toPage) {}

void TransitionScrollLeft::draw(float progress) {
  SlideTexture *from, *to;
  if (!texturesPastStart(progress, from, to)) return;

  // Each strip edge eases left by one page width, the edges starting one
  // after another, so the pages stretch while they slide.
  const double b = 1.5 * progress;
  const float seventh = 1.0f / 7;
  float edges[8];

  from->bind();
  for (int k = 0; k <= 7; ++k) {
    const float f = k * seventh;
    edges[k] = (f - 0.5f) - smoothStep(float(b - 0.5 * f));
  }
  drawStrips(*from, edges);

  glDisable(GL_DEPTH_TEST);
  to->bind();
  to->updateVideo();
  for (int k = 0; k <= 7; ++k) {
    const float f = k * seventh;
    edges[k] = (f + 0.5f) - smoothStep(float(b - 0.5 * (1 - f)));
  }
  drawStrips(*to, edges);
  glEnable(GL_DEPTH_TEST);
}
