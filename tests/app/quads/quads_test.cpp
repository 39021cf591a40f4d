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
  std::vector<uint8_t> texels(256 * 256 * 3);
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) {
      uint8_t* t = &texels[(size_t(r) * 256 + c) * 3];
      t[0] = uint8_t(c), t[1] = uint8_t(r), t[2] = 128;
    }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return texture;
}

// The unit square (-0.5 .. 0.5 both ways) fills a side x side viewport.
void useSquareProjection(int height = side) {
  glViewport(0, 0, side, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-0.5, 0.5, -0.5, 0.5, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

struct Coords {
  float s, t;
};

// The texture coordinates a pixel shows: its texel's centre.
Coords sampledAt(int x, int y) {
  gltest::Rgba p = gltest::pixelAt(x, y);
  return {(p.r + 0.5f) / 256, (p.g + 0.5f) / 256};
}

// Draws with the coordinate texture and checks the pixel at each corner of
// the width x height viewport against the coordinates given for the lower
// left, lower right, upper right and upper left corners of the quad.
void expectCorners(const std::function<void()>& draw, int width, int height, Coords lowerLeft,
                   Coords lowerRight, Coords upperRight, Coords upperLeft) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  GLuint texture = coordinateTexture();
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  draw();
  glDisable(GL_TEXTURE_2D);
  glDeleteTextures(1, &texture);

  struct Corner {
    int x, y;
    Coords want;
    const char* name;
  } corners[] = {{0, 0, lowerLeft, "lower left"},
                 {width - 1, 0, lowerRight, "lower right"},
                 {width - 1, height - 1, upperRight, "upper right"},
                 {0, height - 1, upperLeft, "upper left"}};
  for (const Corner& c : corners) {
    Coords got = sampledAt(c.x, c.y);
    // A pixel centre lies half a pixel inside the corner; allow that much of
    // the texture range plus a texel.
    float ds = std::fabs(lowerRight.s - lowerLeft.s) / width + 1.5f / 256;
    float dt = std::fabs(upperLeft.t - lowerLeft.t) / height + 1.5f / 256;
    EXPECT_NEAR(got.s, c.want.s, ds) << c.name;
    EXPECT_NEAR(got.t, c.want.t, dt) << c.name;
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

// Expects the quad to face the viewer: counter-clockwise on the screen.
void expectCounterClockwise(const std::function<void()>& draw, bool counterClockwise) {
  EXPECT_EQ(drawnWithCulled(GL_BACK, draw), counterClockwise);
  EXPECT_EQ(drawnWithCulled(GL_FRONT, draw), !counterClockwise);
}

GLuint compile(GLenum kind, const std::string& source) {
  GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  EXPECT_TRUE(ok) << source;
  return shader;
}

// A program that paints value, an expression over the vertex attributes,
// taken from the last vertex (flat) or interpolated (smooth).
GLuint attributePainter(const std::string& value, bool flat) {
  std::string qualifier = flat ? "flat " : "smooth ";
  GLuint program = glCreateProgram();
  glAttachShader(program, compile(GL_VERTEX_SHADER, "#version 130\n" + qualifier +
                                                        "out vec4 value;\n"
                                                        "void main() {\n"
                                                        "  gl_Position = ftransform();\n"
                                                        "  value = " +
                                                        value + ";\n}\n"));
  glAttachShader(program,
                 compile(GL_FRAGMENT_SHADER, "#version 130\n" + qualifier +
                                                 "in vec4 value;\n"
                                                 "void main() { gl_FragColor = value; }\n"));
  glLinkProgram(program);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  EXPECT_TRUE(ok);
  return program;
}

// Texture coordinates and x of the last vertex as the quad's flat colour.
struct LastVertex {
  float s, t, x;
};
LastVertex lastVertexOf(const std::function<void()>& draw) {
  GLuint program = attributePainter("vec4(gl_MultiTexCoord0.st, gl_Vertex.x + 0.5, 1.0)", true);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glUseProgram(program);
  draw();
  glUseProgram(0);
  glDeleteProgram(program);
  gltest::Rgba p = gltest::pixelAt(side / 2, side / 4);
  return {p.r / 255.0f, p.g / 255.0f, p.b / 255.0f};
}

void expectLastVertex(const std::function<void()>& draw, float s, float t, float x) {
  LastVertex last = lastVertexOf(draw);
  EXPECT_NEAR(last.s, s, 0.01f);
  EXPECT_NEAR(last.t, t, 0.01f);
  EXPECT_NEAR(last.x, x + 0.5f, 0.01f);
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
  auto whole = [] { drawSlideQuad(1, 1); };
  expectCorners(whole, side, side * 3 / 4, {0, 0}, {1, 0}, {1, 1}, {0, 1});
  // The extents of a picture inside a larger texture.
  auto picture = [] { drawSlideQuad(0.78125f, 0.5859375f); };
  expectCorners(picture, side, side * 3 / 4, {0, 0}, {0.78125f, 0}, {0.78125f, 0.5859375f},
                {0, 0.5859375f});
  expectCounterClockwise(whole, true);
  expectLastVertex([] { drawSlideQuad(0.75f, 0.5f); }, 0, 0.5f, -0.5f);
}

TEST(DrawTexturedQuad2D, GivesEachCornerItsCoordinates) {
  REQUIRE_SHADERS();
  useSquareProjection();
  auto draw = [] { drawTexturedQuad2D(-0.5f, -0.5f, 0.5f, 0.5f, 0.25f, 0.125f, 0.75f, 0.875f); };
  expectCorners(draw, side, side, {0.25f, 0.125f}, {0.75f, 0.125f}, {0.75f, 0.875f},
                {0.25f, 0.875f});
  // Reversed ranges mirror.
  expectCorners([] { drawTexturedQuad2D(-0.5f, -0.5f, 0.5f, 0.5f, 0.75f, 0.875f, 0.25f, 0.125f); },
                side, side, {0.75f, 0.875f}, {0.25f, 0.875f}, {0.25f, 0.125f}, {0.75f, 0.125f});
  expectCounterClockwise(draw, true);
  expectLastVertex(draw, 0.25f, 0.875f, -0.5f);
}

TEST(DrawTexturedQuad3D, PutsTheFirstCoordinatesAtTheTopOfTheLeftEdge) {
  REQUIRE_SHADERS();
  useSquareProjection();
  auto draw = [] {
    drawTexturedQuad3D(-0.5f, -0.5f, 0.25f, 0.5f, 0.5f, -0.75f, 0.25f, 0.125f, 0.75f, 0.875f);
  };
  // (xa, ye) has (s0, t0): the top edge has t0, the bottom edge t1.
  expectCorners(draw, side, side, {0.25f, 0.875f}, {0.75f, 0.875f}, {0.75f, 0.125f},
                {0.25f, 0.125f});
  expectCounterClockwise(draw, false);
  expectLastVertex(draw, 0.25f, 0.875f, -0.5f);

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
  expectCorners(draw, side, side, {0.25f, 0.875f}, {0.75f, 0.875f}, {0.75f, 0.125f},
                {0.25f, 0.125f});
  expectCounterClockwise(draw, false);
  expectLastVertex(draw, 0.75f, 0.875f, 0.5f);

  // The normals, interpolated across: the left one at the left edge.
  GLuint program = attributePainter("vec4(gl_Normal, 1.0)", false);
  glClear(GL_COLOR_BUFFER_BIT);
  glUseProgram(program);
  draw();
  glUseProgram(0);
  glDeleteProgram(program);
  gltest::Rgba left = gltest::pixelAt(0, side / 2), right = gltest::pixelAt(side - 1, side / 2);
  EXPECT_GT(left.r, 240);
  EXPECT_LT(left.b, 15);
  EXPECT_LT(right.r, 15);
  EXPECT_GT(right.b, 240);
}

TEST(DrawAtlasQuad, ConvertsAtlasPixelsCountedFromTheTop) {
  REQUIRE_SHADERS();
  useSquareProjection();
  // Region columns 16..80, rows 32..96 from the top: texture t from
  // 1 - 96/256 at the bottom to 1 - 32/256 at the top.
  const float l = 16 / 256.0f, r = 80 / 256.0f, top = 1 - 32 / 256.0f, bottom = 1 - 96 / 256.0f;
  auto draw = [] { drawAtlasQuad(-0.5f, -0.5f, 0.5f, 0.5f, 16, 32, 80, 96); };
  expectCorners(draw, side, side, {l, bottom}, {r, bottom}, {r, top}, {l, top});
  expectCounterClockwise(draw, true);
  expectLastVertex(draw, l, top, -0.5f);

  // With left > right the region is mirrored left to right, with top >
  // bottom top to bottom.
  expectCorners([] { drawAtlasQuad(-0.5f, -0.5f, 0.5f, 0.5f, 80, 32, 16, 96); }, side, side,
                {r, bottom}, {l, bottom}, {l, top}, {r, top});
  expectCorners([] { drawAtlasQuad(-0.5f, -0.5f, 0.5f, 0.5f, 16, 96, 80, 32); }, side, side,
                {l, top}, {r, top}, {r, bottom}, {l, bottom});
  // Exactly one texel a pixel: every pixel shows the atlas pixel it should.
  glViewport(0, 0, 64, 64);
  expectCorners(draw, 64, 64, {l, bottom}, {r, bottom}, {r, top}, {l, top});
  std::vector<uint8_t> pixels = gltest::readPixels(0, 0, 64, 64);
  int wrong = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint8_t* p = &pixels[(size_t(y) * 64 + x) * 4];
      // Column 16 + x; window row y shows atlas row 95 - y, texture row 160 + y.
      if (p[0] != 16 + x || p[1] != 160 + y) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
}
