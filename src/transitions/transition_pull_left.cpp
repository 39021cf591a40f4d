#include "transitions/transition_pull_left.h"

#include <GL/gl.h>

#include "app/quads/quads.h"
#include "images/slide_texture.h"

TransitionPullLeft::TransitionPullLeft(const DescriptionNode& section, int fromPage, int toPage)
    : Transition(section, fromPage, toPage) {}

void TransitionPullLeft::start() {
  resetPullLeftCloth();
}

void TransitionPullLeft::draw(float progress) {
  SlideTexture *from, *to;
  if (!texturesPastStart(progress, from, to)) return;

  advancePullLeftCloth(progress);

  // The new page lies flat behind the cloth and must not hide it.
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  to->bind();
  to->updateVideo();
  drawSlideQuad(to->uExtent, to->vExtent);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);

  // Unculled, so the back of the cloth shows where it folds over.
  glDisable(GL_CULL_FACE);
  from->bind();
  const float u = from->uExtent, v = from->vExtent;
  const auto& g = pullLeftStore().grid;
  auto s = [u](int i) { return (float(i) / 14) * u; };
  auto t = [v](int j) { return float(v * (0.75 - j * (0.75 / 14)) * 4 / 3); };
  for (int i = 0; i < clothSize - 1; ++i) {
    for (int j = 0; j < clothSize - 1; ++j) {
      glBegin(GL_QUADS);
      glTexCoord2f(s(i), t(j));
      glVertex3fv(g[i][j]);
      glTexCoord2f(s(i + 1), t(j));
      glVertex3fv(g[i + 1][j]);
      glTexCoord2f(s(i + 1), t(j + 1));
      glVertex3fv(g[i + 1][j + 1]);
      glTexCoord2f(s(i), t(j + 1));
      glVertex3fv(g[i][j + 1]);
      glEnd();
    }
  }
  glEnable(GL_CULL_FACE);
}
