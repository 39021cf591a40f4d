#include "app/quads/quads.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "support/gl_test_window.h"

// Each helper is drawn over the whole of a small viewport and read back in
// three ways: sampled from a texture whose texels name their own position
// (which texture coordinate went to which corner), with back or front faces
// culled (the winding), and through a shader that paints the attributes of
// the last vertex of the quad, the one GL takes flat values from (which of
// the four came last). Together they fix the order of the four vertices.

namespace {

constexpr int side = 64;

// 256 x 256, nearest filtering: texel (c, r), r counted from the bottom, is
// (c, r, 128).
GLuint coordinateTexture() {
  std::vector<uint8_t> texels(256 * 256 * 3, 128);
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) {
      uint8_t* t = &texels[(size_t(r) * 256 + c) * 3];
      t[0] = uint8_t(c), t[1] = uint8_t(r);
    }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
    glTexParameteri(GL_TEXTURE_2D, filter, GL_NEAREST);
  for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
    glTexParameteri(GL_TEXTURE_2D, wrap, GL_CLAMP_TO_EDGE);
  return texture;
}

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
// left and upper right corners of the quad (the other two pair them up).
void expectCorners(const std::function<void()>& draw, int width, int height, Coords lowerLeft,
                   Coords upperRight) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  GLuint texture = coordinateTexture();
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
}

// Whether anything is drawn with faces of the given kind culled.
bool drawnWithCulled(GLenum culled, const std::function<void()>& draw) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_CULL_FACE);
  glCullFace(culled);
  glColor3f(1, 1, 1);
  draw();
  glDisable(GL_CULL_FACE);
  return gltest::pixelAt(side / 2, side / 4).r == 255;
}

// Draws with a program that paints value, an expression over the vertex
// attributes, taken from the last vertex (flat) or interpolated (smooth).
void drawPainting(const std::string& value, bool flat, const std::function<void()>& draw) {
  const std::string head = std::string("#version 130\n") + (flat ? "flat " : "smooth ");
  const std::string sources[] = {
      head + "out vec4 value;\nvoid main() { gl_Position = ftransform(); value = " + value + "; }",
      head + "in vec4 value;\nvoid main() { gl_FragColor = value; }"};
  GLuint program = glCreateProgram();
  for (GLenum kind : {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER}) {
    GLuint shader = glCreateShader(kind);
    const char* text = sources[kind == GL_FRAGMENT_SHADER].c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glDeleteShader(shader);  // goes with the program
  }
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  EXPECT_TRUE(linked) << sources[0];
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glUseProgram(program);
  draw();
  glUseProgram(0);
  glDeleteProgram(program);
}

// Texture coordinates and x of the last vertex.
struct LastVertex {
  float s, t, x;
};

// The corners' texture coordinates (see expectCorners), the winding on the
// screen and the last vertex of the quad drawn into the current viewport of
// width x height.
void expectQuad(const std::function<void()>& draw, int width, int height, Coords lowerLeft,
                Coords upperRight, bool counterClockwise, LastVertex last) {
  expectCorners(draw, width, height, lowerLeft, upperRight);
  EXPECT_EQ(drawnWithCulled(GL_BACK, draw), counterClockwise);
  EXPECT_EQ(drawnWithCulled(GL_FRONT, draw), !counterClockwise);
  // The last vertex's attributes as the quad's flat colour.
  drawPainting("vec4(gl_MultiTexCoord0.st, gl_Vertex.x + 0.5, 1.0)", true, draw);
  gltest::Rgba p = gltest::pixelAt(side / 2, side / 4);
  EXPECT_NEAR(p.r / 255.0f, last.s, 0.01f);
  EXPECT_NEAR(p.g / 255.0f, last.t, 0.01f);
  EXPECT_NEAR(p.b / 255.0f, last.x + 0.5f, 0.01f);
}

#define REQUIRE_SHADERS()                                            \
  do {                                                               \
    REQUIRE_GL_WINDOW();                                             \
    if (!GLEW_VERSION_3_0) GTEST_SKIP() << "no GLSL 1.30 available"; \
  } while (0)

}  // namespace

TEST(DrawSlideQuad, MapsTheTextureRangeOntoThePageCounterClockwiseFromTheLowerLeft) {
  REQUIRE_SHADERS();
  glViewport(0, 0, side, side * 3 / 4);
  gltest::usePageProjection();
  // The extents of a picture inside a larger texture.
  expectQuad([] { drawSlideQuad(0.78125f, 0.5859375f); }, side, side * 3 / 4, {0, 0},
             {0.78125f, 0.5859375f}, true, {0, 0.5859375f, -0.5f});
}

TEST(DrawTexturedQuad2D, GivesEachCornerItsCoordinates) {
  REQUIRE_SHADERS();
  useSquareProjection();
  expectQuad([] { drawTexturedQuad2D(-0.5f, -0.5f, 0.5f, 0.5f, 0.25f, 0.125f, 0.75f, 0.875f); },
             side, side, {0.25f, 0.125f}, {0.75f, 0.875f}, true, {0.25f, 0.875f, -0.5f});
}

TEST(DrawTexturedQuad3D, PutsTheFirstCoordinatesAtTheTopOfTheLeftEdge) {
  REQUIRE_SHADERS();
  useSquareProjection();
  auto draw = [] {
    drawTexturedQuad3D(-0.5f, -0.5f, 0.25f, 0.5f, 0.5f, -0.75f, 0.25f, 0.125f, 0.75f, 0.875f);
  };
  // (xa, ye) has (s0, t0): the top edge has t0, the bottom edge t1.
  expectQuad(draw, side, side, {0.25f, 0.875f}, {0.75f, 0.125f}, false, {0.25f, 0.875f, -0.5f});

  // The left edge stands at za, the right edge at zc.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  draw();
  glDisable(GL_DEPTH_TEST);
  float depth[2] = {0, 0};
  glReadPixels(0, side / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[0]);
  glReadPixels(side - 1, side / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[1]);
  // glOrtho(.., -1, 1) maps z to depth 0.5 - z / 2.
  EXPECT_NEAR(depth[0], 0.5f - 0.25f / 2, 0.02f);
  EXPECT_NEAR(depth[1], 0.5f + 0.75f / 2, 0.02f);
}

TEST(DrawLitQuad3D, PutsTheLeftNormalOnTheLeftEdgeAndEndsAtTheLowerRight) {
  REQUIRE_SHADERS();
  useSquareProjection();
  auto draw = [] {
    drawLitQuad3D(-0.5f, -0.5f, 0, 0.5f, 0.5f, 0, 0.25f, 0.125f, 0.75f, 0.875f, 1, 0, 0, 0, 0, 1);
  };
  expectQuad(draw, side, side, {0.25f, 0.875f}, {0.75f, 0.125f}, false, {0.75f, 0.875f, 0.5f});
  // The normals, interpolated across: the left one at the left edge.
  drawPainting("vec4(gl_Normal, 1.0)", false, draw);
  gltest::Rgba left = gltest::pixelAt(0, side / 2), right = gltest::pixelAt(side - 1, side / 2);
  EXPECT_TRUE(left.r > 240 && left.b < 15) << left.r << " " << left.b;
  EXPECT_TRUE(right.r < 15 && right.b > 240) << right.r << " " << right.b;
}

TEST(DrawAtlasQuad, ConvertsAtlasPixelsCountedFromTheTop) {
  REQUIRE_SHADERS();
  useSquareProjection();
  // Region columns 16..80, rows 32..96 from the top: texture t from
  // 1 - 96/256 at the bottom to 1 - 32/256 at the top.
  const float l = 16 / 256.0f, r = 80 / 256.0f, top = 1 - 32 / 256.0f, bottom = 1 - 96 / 256.0f;
  auto draw = [] { drawAtlasQuad(-0.5f, -0.5f, 0.5f, 0.5f, 16, 32, 80, 96); };
  expectQuad(draw, side, side, {l, bottom}, {r, top}, true, {l, top, -0.5f});
  // Exactly one texel a pixel: every pixel shows the atlas pixel it should.
  expectCorners(draw, side, side, {l, bottom}, {r, top});  // leaves it drawn
  std::vector<uint8_t> pixels = gltest::readPixels(0, 0, side, side);
  int wrong = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const uint8_t* p = &pixels[(size_t(y) * side + x) * 4];
      // Column 16 + x; window row y shows atlas row 95 - y, texture row 160 + y.
      if (p[0] != 16 + x || p[1] != 160 + y) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}
