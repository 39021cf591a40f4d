#include "app/quads/quads.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "support/gl_test_window.h"

// Each helper is drawn over the whole of a small viewport with a texture
// whose texels name their own position, so the pixels at the corners tell
// which texture coordinates went where; culling tells the winding.

namespace {

constexpr int side = 64;

// The unit square (-0.5 .. 0.5 both ways) fills a side x side viewport.
void useSquareProjection() {
  glViewport(0, 0, side, side);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-0.5, 0.5, -0.5, 0.5, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

struct Coords {
  float s, t;
};

// Draws with the coordinate texture and checks the pixel at each corner of
// the width x height viewport against the texture coordinates of the lower
// left and upper right corners of the quad, then the winding.
void expectQuad(const std::function<void()>& draw, int width, int height, Coords lowerLeft,
                Coords upperRight, bool counterClockwise) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  GLuint texture = gltest::coordinateTexture();
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  draw();
  glDisable(GL_TEXTURE_2D);
  glDeleteTextures(1, &texture);
  // A pixel centre lies half a pixel inside the corner; allow that much of
  // the texture range plus a texel.
  const float ds = std::fabs(upperRight.s - lowerLeft.s) / width + 1.5f / 256;
  const float dt = std::fabs(upperRight.t - lowerLeft.t) / height + 1.5f / 256;
  for (bool right : {false, true})
    for (bool top : {false, true}) {
      gltest::Rgba p = gltest::pixelAt(right ? width - 1 : 0, top ? height - 1 : 0);
      SCOPED_TRACE(std::string(top ? "upper " : "lower ") + (right ? "right" : "left"));
      EXPECT_NEAR((p.r + 0.5f) / 256, right ? upperRight.s : lowerLeft.s, ds);
      EXPECT_NEAR((p.g + 0.5f) / 256, top ? upperRight.t : lowerLeft.t, dt);
    }

  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glColor3f(1, 1, 1);
  draw();
  glDisable(GL_CULL_FACE);
  EXPECT_EQ(gltest::pixelAt(width / 2, height / 2).r == 255, counterClockwise);
}

}  // namespace

TEST(Quads, EachHelperGivesEachCornerItsCoordinatesAndItsWinding) {
  REQUIRE_GL_WINDOW();
  // The extents of a picture inside a larger texture, on the page.
  glViewport(0, 0, side, side * 3 / 4);
  gltest::usePageProjection();
  expectQuad([] { drawSlideQuad(0.78125f, 0.5859375f); }, side, side * 3 / 4, {0, 0},
             {0.78125f, 0.5859375f}, true);

  useSquareProjection();
  expectQuad([] { drawTexturedQuad2D(-0.5f, -0.5f, 0.5f, 0.5f, 0.25f, 0.125f, 0.75f, 0.875f); },
             side, side, {0.25f, 0.125f}, {0.75f, 0.875f}, true);
  // (xa, ye) has (s0, t0): the top edge has t0, the bottom edge t1.
  expectQuad(
      [] { drawTexturedQuad3D(-0.5f, -0.5f, 0, 0.5f, 0.5f, 0, 0.25f, 0.125f, 0.75f, 0.875f); },
      side, side, {0.25f, 0.875f}, {0.75f, 0.125f}, false);
  expectQuad(
      [] {
        drawLitQuad3D(-0.5f, -0.5f, 0, 0.5f, 0.5f, 0, 0.25f, 0.125f, 0.75f, 0.875f, 1, 0, 0, 0, 0,
                      1);
      },
      side, side, {0.25f, 0.875f}, {0.75f, 0.125f}, false);
  // Atlas pixels count from the top: columns 16..80, rows 32..96, one texel a pixel.
  expectQuad([] { drawAtlasQuad(-0.5f, -0.5f, 0.5f, 0.5f, 16, 32, 80, 96); }, side, side,
             {16 / 256.0f, 1 - 96 / 256.0f}, {80 / 256.0f, 1 - 32 / 256.0f}, true);
}

TEST(Quads, ThreeDimensionalEdgesStandAtTheirDepthsWithTheirNormals) {
  REQUIRE_GL_WINDOW();
  useSquareProjection();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  drawTexturedQuad3D(-0.5f, -0.5f, 0.25f, 0.5f, 0.5f, -0.75f, 0, 0, 1, 1);
  glDisable(GL_DEPTH_TEST);
  float depth[2] = {0, 0};
  glReadPixels(0, side / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[0]);
  glReadPixels(side - 1, side / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[1]);
  // glOrtho(.., -1, 1) maps z to depth 0.5 - z / 2: za on the left, zc on the right.
  EXPECT_NEAR(depth[0], 0.5f - 0.25f / 2, 0.02f);
  EXPECT_NEAR(depth[1], 0.5f + 0.75f / 2, 0.02f);

  // Lit from +x alone: the left normal (1, 0, 0) faces the light, the right
  // one (0, 0, 1) gets only the ambient share.
  const float fromPlusX[] = {1, 0, 0, 0};
  glLightfv(GL_LIGHT0, GL_POSITION, fromPlusX);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glClear(GL_COLOR_BUFFER_BIT);
  drawLitQuad3D(-0.5f, -0.5f, 0, 0.5f, 0.5f, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 1);
  glDisable(GL_LIGHTING);
  gltest::Rgba left = gltest::pixelAt(0, side / 2), right = gltest::pixelAt(side - 1, side / 2);
  EXPECT_GT(left.r, 180);
  EXPECT_LT(right.r, 40);
}
