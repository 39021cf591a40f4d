// Meshes drawn into a real window and read back: quads in an orthographic
// view, z nearer the viewer the larger it is (depth 0.5 at z = 0).
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "support/captured_stream.h"
#include "support/gl_test_window.h"

namespace {

constexpr int side = 64;

// A material with a rectangle of two triangles, facing the viewer unless
// turned away.
fast_Material* addQuad(fast_Mesh& mesh, float r, float g, float b, float opacity, float x0,
                       float x1, float z, bool turnedAway = false) {
  auto* material = new fast_Material("m");
  const float colour[4] = {r, g, b, opacity};
  std::copy(colour, colour + 4, material->ambient);
  std::copy(colour, colour + 4, material->diffuse);
  mesh.addMaterial(material);
  const float normal[3] = {0, 0, 1}, corners[4][2] = {{x0, -1}, {x1, -1}, {x1, 1}, {x0, 1}};
  uint32_t first = uint32_t(mesh.vertices.size());
  for (const float* c : corners) {
    const float position[3] = {c[0], c[1], z}, texcoord[2] = {c[0], c[1]};
    mesh.addVertex(position, normal, texcoord);
  }
  fast_Group* group = mesh.findOrCreateGroup("");
  uint32_t a = first + 1, b2 = first + 3;
  if (turnedAway) std::swap(a, b2);
  mesh.addTriangle(first, a, first + 2, group, material);
  mesh.addTriangle(first, first + 2, b2, group, material);
  return material;
}

// Prepares every mesh, then draws them in one frame with fresh state.
void drawFrame(const std::vector<fast_Mesh*>& meshes, int flags = 0) {
  gltest::ensureWindow(side, side);
  glMatrixMode(GL_PROJECTION);
  glOrtho(-1, 1, -1, 1, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  for (GLenum state : {GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_CULL_FACE}) glDisable(state);
  for (fast_Mesh* mesh : meshes) {
    mesh->finish();
    mesh->prepareGL();
  }
  for (fast_Mesh* mesh : meshes) mesh->draw(flags);
}

gltest::Rgba centre() {
  return gltest::pixelAt(side / 2, side / 2);
}

float depthAtCentre() {
  float depth = 0;
  glReadPixels(side / 2, side / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  return depth;
}

gltest::Rgba redQuadAlone() {
  fast_Mesh mesh;
  addQuad(mesh, 1, 0, 0, 1, -1, 1, 0);
  drawFrame({&mesh});
  return centre();
}

class MeshRenderer : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    REQUIRE_GL_WINDOW(side, side);
    ASSERT_TRUE(GLEW_ARB_vertex_buffer_object);
    __GLEW_ARB_vertex_buffer_object = GetParam();  // false: the client-memory path
  }
  void TearDown() override { __GLEW_ARB_vertex_buffer_object = GL_TRUE; }
};

TEST_P(MeshRenderer, TranslucentMaterialsAddOnTopOfOpaqueOnesWithoutDepthWrites) {
  gltest::Rgba red = redQuadAlone();
  fast_Mesh mesh;
  addQuad(mesh, 0, 0, 1, 0.5f, -1, 1, 0.5f, true);  // nearer, turned away, created first
  addQuad(mesh, 1, 0, 0, 1, -1, 1, 0);
  drawFrame({&mesh});
  gltest::Rgba both = centre();
  EXPECT_GT(red.r, 100);
  EXPECT_NEAR(both.r, red.r, 1);
  EXPECT_GT(both.b, 20);
  EXPECT_NEAR(depthAtCentre(), 0.5f, 1e-3);
  EXPECT_EQ(mesh.vertices.bufferId != 0, GetParam());
}

TEST_P(MeshRenderer, FlagsMakeEveryMaterialTranslucentOrKeepCullingOff) {
  const struct {
    int flags;
    bool red, green;
  } cases[] = {{0, true, false}, {1, true, true}, {2, false, true}, {3, true, true}};
  for (const auto& c : cases) {
    fast_Mesh mesh;
    addQuad(mesh, 1, 0, 0, 1, -1, 1, 0);
    addQuad(mesh, 0, 1, 0, 1, -1, 1, 0.5f, true);
    drawFrame({&mesh}, c.flags);
    gltest::Rgba pixel = centre();
    EXPECT_EQ(pixel.r > 20, c.red) << c.flags;
    EXPECT_EQ(pixel.g > 20, c.green) << c.flags;
  }
}

TEST_P(MeshRenderer, TexturesWithAlphaBlendOverWhatIsBehindAndDiscardLowAlpha) {
  gltest::Rgba red = redQuadAlone();
  const struct {
    int format;
    uint8_t alpha;
    float redKept;
  } cases[] = {{GL_RGBA, 60, 1},
               {GL_RGBA, 70, 1 - 70 / 255.0f},
               {GL_LUMINANCE_ALPHA, 60, 1},
               {GL_LUMINANCE_ALPHA, 70, 1 - 70 / 255.0f},
               {GL_RGB, 60, 0}};
  for (const auto& c : cases) {
    fast_Mesh mesh;
    addQuad(mesh, 1, 0, 0, 1, -1, 1, 0);
    fast_Material* black = addQuad(mesh, 1, 1, 1, 1, -1, 1, 0.5f);
    ASSERT_TRUE(black->textureData.create(1, 1, c.format));
    int bytes = bytesPerPixel(c.format);
    std::fill(black->textureData.pixels, black->textureData.pixels + bytes, 0);
    if (bytes != 3) black->textureData.pixels[bytes - 1] = c.alpha;
    drawFrame({&mesh});
    EXPECT_NEAR(centre().r, red.r * c.redKept, 2) << c.format << " " << int(c.alpha);
  }
}

TEST_P(MeshRenderer, MeshesInOneFrameEachDrawTheirOwnVertices) {
  fast_Mesh left, right;
  addQuad(left, 1, 0, 0, 1, -1, 0, 0);
  addQuad(right, 0, 1, 0, 1, 0, 1, 0);
  drawFrame({&left, &right});
  gltest::Rgba l = gltest::pixelAt(side / 4, side / 2), r = gltest::pixelAt(3 * side / 4, side / 2);
  EXPECT_TRUE(l.r > 100 && l.g == 0) << l.r << " " << l.g;
  EXPECT_TRUE(r.g > 100 && r.r == 0) << r.r << " " << r.g;
}

INSTANTIATE_TEST_SUITE_P(BufferAndClientMemory, MeshRenderer, testing::Bool());

TEST(MeshRendererPaths, ClientMemoryGivesTheBufferPathsPixels) {
  REQUIRE_GL_WINDOW(side, side);
  std::vector<uint8_t> frames[2];
  for (bool buffers : {true, false}) {
    __GLEW_ARB_vertex_buffer_object = buffers;
    fast_Mesh mesh;
    addQuad(mesh, 0.2f, 0.7f, 0.4f, 1, -1, 0.5f, 0);
    addQuad(mesh, 0.9f, 0.1f, 0.3f, 0.5f, -0.5f, 1, 0.3f);
    drawFrame({&mesh});
    frames[buffers] = gltest::readPixels(0, 0, side, side);
  }
  __GLEW_ARB_vertex_buffer_object = GL_TRUE;
  EXPECT_EQ(frames[0], frames[1]);
}

TEST(MeshRendererState, PrepareGlPutsBothLightsInEyeCoordinates) {
  REQUIRE_GL_WINDOW(side, side);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(3, 4, 5);
  glMatrixMode(GL_PROJECTION);  // left current by the caller
  fast_Mesh mesh;
  mesh.prepareGL();
  const struct {
    GLenum light;
    std::vector<float> position;
  } cases[] = {{GL_LIGHT0, {7, 5, 3, 1}}, {GL_LIGHT1, {-5, 0, 3, 1}}};
  for (const auto& c : cases) {
    std::vector<float> position(4), diffuse(4);
    glGetLightfv(c.light, GL_POSITION, position.data());
    glGetLightfv(c.light, GL_DIFFUSE, diffuse.data());
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(diffuse, (std::vector<float>{0.55f, 0.55f, 0.55f, 1}));
  }
  GLint mode = 0;
  float modelView[16];
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  EXPECT_EQ(mode, GL_PROJECTION);
  EXPECT_EQ(modelView[12] + modelView[13] + modelView[14], 12);
}

TEST(MeshRendererState, MaterialModesAndShininessGiveTheLightingColours) {
  REQUIRE_GL_WINDOW(side, side);
  const struct {
    int mode;
    float ns, exponent, diffuseAlpha, specular;
  } cases[] = {{0, 0, 128, 0.5f, 0},
               {1, 140, 110.5f, 0.8f, 0.1f},
               {1, 1000, 3, 0.8f, 0.714286f},
               {0, 2000, 0, 0.5f, 1.428571f}};
  for (const auto& c : cases) {
    fast_Material material("m");
    material.diffuse[3] = 0.8f;
    std::fill(material.specular, material.specular + 3, 0.1f);
    material.shininess = c.ns;
    material.draw(c.mode);
    float exponent = -1, diffuse[4], specular[4];
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &exponent);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    EXPECT_FLOAT_EQ(exponent, c.exponent) << c.ns;
    EXPECT_FLOAT_EQ(diffuse[3], c.diffuseAlpha) << c.ns;
    EXPECT_NEAR(specular[0], c.specular, 1e-5) << c.ns;
  }
}

TEST(MeshRendererState, ATextureGlTakesNotIsReportedAndTheMaterialDrawsUntextured) {
  REQUIRE_GL_WINDOW(side, side);
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  for (unsigned width : {1u, unsigned(maxSide) + 1}) {
    fast_Material material("wall");
    ASSERT_TRUE(material.textureData.create(1, 1, GL_RGB));
    material.textureData.width = width;  // wider than GL takes
    CapturedStream log(std::clog);
    material.uploadTexture();
    bool fits = width == 1;
    EXPECT_EQ(material.texture.exists(), fits);
    EXPECT_EQ(log.text(), fits ? "" : "can't load texture into context (material \"wall\")\n");
  }
}

}  // namespace
