#include "transitions/transition_fly_left.h"

#include <GL/gl.h>

#include "app/quads/quads.h"
#include "app/state/viewer_state.h"
#include "images/slide_texture.h"

TransitionFlyLeft::TransitionFlyLeft(const DescriptionNode& section, int fromPage, int toPage)
    : Transition(section, fromPage, toPage) {
  buildFlyLeftPaths();
}

void TransitionFlyLeft::start() {
  resetFlyLeftChains();
}

void TransitionFlyLeft::draw(float progress) {
  SlideTexture *from, *to;
  if (!texturesPastStart(progress, from, to)) return;
  from->bind();

  advanceFlyLeftChains(progress);
  const FlyLeftStore& store = flyLeftStore();

  float u = from->uExtent, v = from->vExtent;
  for (int k = 0; k < flyLeftStrips; ++k) {
    const float* left = store.chainA[k];
    const float* right = store.chainA[k + 1];
    drawTexturedQuad3D(left[0], 0.375f, left[1], right[0], -0.375f, right[1], k * u / flyLeftStrips,
                       0, (k + 1) * u / flyLeftStrips, v);
  }

  glDisable(GL_DEPTH_TEST);
  to->bind();
  to->updateVideo();
  // The new page hangs from its rope until two thirds of the way, then
  // eases onto the flat page rectangle.
  const float g = smoothStep(3 * progress - 2), h = 1 - g;
  u = to->uExtent;
  v = to->vExtent;
  for (int k = 0; k < flyLeftStrips; ++k) {
    const float* left = store.chainB[k];
    const float* right = store.chainB[k + 1];
    const float xl = g * (float(k) / flyLeftStrips - 0.5f) + h * left[0];
    const float xr = g * (float(k + 1) / flyLeftStrips - 0.5f) + h * right[0];
    drawTexturedQuad3D(xl, 0.375f, h * left[1], xr, -0.375f, h * right[1], k * u / flyLeftStrips, 0,
                       (k + 1) * u / flyLeftStrips, v);
  }
  glEnable(GL_DEPTH_TEST);
}
