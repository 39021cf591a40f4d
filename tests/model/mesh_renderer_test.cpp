// Meshes drawn into a real window and read back: quads in an orthographic
// view, z nearer the viewer the larger it is (depth 0.5 at z = 0).
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "support/captured_stream.h"
#include "support/gl_test_window.h"

namespace {

constexpr int side = 64;

// A material of that colour holding a rectangle across the view, facing
// the viewer unless turned away.
fast_Material* addQuad(fast_Mesh& mesh, std::array<float, 4> colour, float x0, float x1, float z,
                       bool turnedAway = false) {
  auto* material = new fast_Material("m");
  std::copy(colour.begin(), colour.end(), material->ambient);
  std::copy(colour.begin(), colour.end(), material->diffuse);
  mesh.addMaterial(material);
  const uint32_t first = uint32_t(mesh.vertices.size());
  const float normal[3] = {0, 0, 1};
  for (float x : {x0, x1})
    for (float y : {-1.0f, 1.0f}) {
      const float position[3] = {x, y, z}, texcoord[2] = {x, y};
      mesh.addVertex(position, normal, texcoord);
    }
  // Corners: 0 bottom left, 1 top left, 2 bottom right, 3 top right.
  fast_Group* group = mesh.findOrCreateGroup("");
  mesh.addTriangle(first, first + (turnedAway ? 1 : 2), first + 3, group, material);
  mesh.addTriangle(first, first + 3, first + (turnedAway ? 2 : 1), group, material);
  return material;
}

// Prepares every mesh, then draws them in one frame from a clean state.
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

TEST(MeshRenderer, MaterialsDrawInOrderWithTheirBlendingCullingDepthAndAlphaTest) {
  REQUIRE_GL_WINDOW(side, side);
  // A red quad behind and a green one in front, made first unless it has
  // a texture (black, of that format and alpha); what is left of the red,
  // whether the front shows, and the depth left at the centre.
  const struct {
    float opacity;
    bool turnedAway;
    int flags, textureFormat, alpha;
    float redKept;
    bool frontShows;
    float depth;
  } cases[] = {
      {0.5f, true, 0, 0, 0, 1, true, 0.5f},        // additive, no culling
      {1, true, 0, 0, 0, 1, false, 0.5f},          // culled
      {1, true, 2, 0, 0, 0, true, 0.475f},         // flags 2: not culled
      {1, false, 1, 0, 0, 1, true, 1},             // flags 1: all additive
      {1, false, 0, GL_RGBA, 60, 1, false, 0.5f},  // alpha 60 discarded
      {1, false, 0, GL_RGBA, 70, 1 - 70 / 255.0f, false, 0.475f},
      {1, false, 0, GL_LUMINANCE_ALPHA, 70, 1 - 70 / 255.0f, false, 0.475f},
      {1, false, 0, GL_RGB, 60, 0, false, 0.475f},  // no alpha: opaque
  };
  fast_Mesh alone;
  addQuad(alone, {1, 0, 0, 1}, -1, 1, 0);
  drawFrame({&alone});
  const int red = gltest::pixelAt(side / 2, side / 2).r;
  ASSERT_GT(red, 100);
  // Drawn from buffers and, as without the extension, from client memory
  // in turn; no buffer is left bound for client-memory arrays drawn later.
  for (const auto& c : cases) {
    __GLEW_ARB_vertex_buffer_object = (&c - cases) % 2 == 0;
    fast_Mesh mesh;
    if (c.textureFormat) addQuad(mesh, {1, 0, 0, 1}, -1, 1, 0);
    fast_Material* front = addQuad(mesh, {0, 1, 0, c.opacity}, -1, 1, 0.5f, c.turnedAway);
    if (!c.textureFormat) {
      addQuad(mesh, {1, 0, 0, 1}, -1, 1, 0);
    } else {  // one black texel, alpha last
      TextureData& texel = front->textureData;
      ASSERT_TRUE(texel.create(1, 1, c.textureFormat));
      const int bytes = bytesPerPixel(c.textureFormat);
      std::fill(texel.pixels, texel.pixels + bytes, 0);
      texel.pixels[bytes - 1] = bytes == 3 ? 0 : uint8_t(c.alpha);
    }
    fast_Mesh outside;  // prepared last, drawn out of view: each mesh draws its own vertices
    addQuad(outside, {1, 1, 1, 1}, 2, 3, 0);
    drawFrame({&mesh, &outside}, c.flags);
    gltest::Rgba pixel = gltest::pixelAt(side / 2, side / 2);
    float depth = 0;
    glReadPixels(side / 2, side / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    const std::string which = "case " + std::to_string(&c - cases);
    EXPECT_NEAR(pixel.r, red * c.redKept, 2) << which;
    EXPECT_EQ(pixel.g > 20, c.frontShows) << which;
    EXPECT_NEAR(depth, c.depth, 1e-3) << which;
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING_ARB, &bound);
    EXPECT_EQ(std::pair(mesh.vertices.bufferId != 0, bound), std::pair((&c - cases) % 2 == 0, 0))
        << which;
  }
  __GLEW_ARB_vertex_buffer_object = GL_TRUE;
}

TEST(MeshRenderer, PrepareGlSetsTheLightsAndReportsTexturesAndModesSetTheColours) {
  REQUIRE_GL_WINDOW(side, side);
  glTranslatef(3, 4, 5);
  glMatrixMode(GL_PROJECTION);  // left current by the caller
  fast_Mesh mesh;               // its one material's texture is wider than GL takes
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  ASSERT_TRUE(mesh.materials.front()->textureData.create(1, 1, GL_RGB));
  mesh.materials.front()->textureData.width = unsigned(maxSide) + 1;
  CapturedStream log(std::clog);
  mesh.prepareGL();
  EXPECT_EQ(log.text(), "can't load texture into context (material \"\")\n");
  std::vector<float> positions(8);
  glGetLightfv(GL_LIGHT0, GL_POSITION, &positions[0]);
  glGetLightfv(GL_LIGHT1, GL_POSITION, &positions[4]);
  EXPECT_EQ(positions, (std::vector<float>{7, 5, 3, 1, -5, 0, 3, 1}));

  // mode, "Ns"; the exponent, diffuse alpha and specular red GL then holds
  // for diffuse alpha 0.8 and specular red 0.1.
  const float cases[][5] = {{0, 0, 128, 0.5f, 0},
                            {1, 140, 110.5f, 0.8f, 0.1f},
                            {1, 1000, 3, 0.8f, 0.714286f},
                            {0, 2000, 0, 0.5f, 1.428571f}};
  for (const float* c : cases) {
    fast_Material material("m");
    material.diffuse[3] = 0.8f;
    material.specular[0] = 0.1f;
    material.shininess = c[1];
    material.draw(int(c[0]));
    float exponent = -1, diffuse[4], specular[4];
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &exponent);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    EXPECT_EQ(std::vector<float>({exponent, diffuse[3]}), std::vector<float>(c + 2, c + 4)) << c[1];
    EXPECT_NEAR(specular[0], c[4], 1e-5) << c[1];
  }
}

}  // namespace
