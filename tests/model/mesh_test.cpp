// Meshes built with their own building operations, as the model readers
// build them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "model/mesh.h"
#include "support/captured_stream.h"

namespace {

std::vector<std::string> materialNames(const fast_Mesh& mesh) {
  std::vector<std::string> names;
  for (const fast_Material* material : mesh.materials) names.push_back(material->name);
  return names;
}

std::vector<std::string> groupNames(const fast_Mesh& mesh) {
  std::vector<std::string> names;
  for (const fast_Group* group : mesh.groups) names.push_back(group->name);
  return names;
}

int addPoint(fast_Mesh& mesh, float x, float y, float z) {
  const float position[3] = {x, y, z}, normal[3] = {0, 0, 0};
  const float texcoord[2] = {unsetTexCoord, unsetTexCoord};
  return mesh.addVertex(position, normal, texcoord);
}

fast_Material* addMaterial(fast_Mesh& mesh, const char* name, float opacity) {
  fast_Material* material = new fast_Material(name);
  material->diffuse[3] = opacity;
  mesh.addMaterial(material);
  return material;
}

}  // namespace

TEST(Mesh, FinishDropsWhatHoldsNothingAndPutsOpaqueMaterialsFirst) {
  fast_Mesh mesh;
  for (int i = 0; i < 3; ++i) addPoint(mesh, float(i), float(i * i), 0);
  mesh.findOrCreateGroup("empty");
  fast_Group* faces = mesh.findOrCreateGroup("faces");
  fast_Group* lines = mesh.findOrCreateGroup("lines");
  mesh.findOrCreateGroup("unused");
  const struct {
    const char* name;
    float opacity;
    bool used;
  } materials[] = {{"half", 0.5f, true},    {"opaque", 1, true}, {"quarter", 0.25f, true},
                   {"unused", 1, false},    {"second", 1, true}, {"three", 0.75f, true},
                   {"alsoHalf", 0.5f, true}};
  for (const auto& m : materials) {
    fast_Material* material = addMaterial(mesh, m.name, m.opacity);
    if (m.used) mesh.addTriangle(0, 1, 2, faces, material);
  }
  // A line alone keeps its material and its group.
  const float from[3] = {0, 0, 0}, to[3] = {1, 1, 1};
  new fast_Line(from, to, lines, addMaterial(mesh, "line", 1));

  mesh.finish();
  EXPECT_EQ(materialNames(mesh), (std::vector<std::string>{"opaque", "second", "line", "three",
                                                           "half", "alsoHalf", "quarter"}));
  EXPECT_EQ(groupNames(mesh), (std::vector<std::string>{"faces", "lines"}));

  // A model that names no material draws everything with the default one.
  fast_Mesh plain;
  for (int i = 0; i < 3; ++i) addPoint(plain, float(i), float(i * i), 0);
  plain.addTriangle(0, 1, 2, plain.findOrCreateGroup(""), plain.findMaterial(""));
  plain.finish();
  EXPECT_EQ(materialNames(plain), std::vector<std::string>{""});
  EXPECT_EQ(groupNames(plain), std::vector<std::string>{""});
}

TEST(Mesh, EveryFaceAddsItsUnitNormalAndDegenerateFacesAddNothing) {
  fast_Mesh mesh;
  // A large and a small face meeting at vertex 0, one facing +z, the other
  // +x; a degenerate face of three points on a line.
  const float points[][3] = {{0, 0, 0},      {10, 0, 0}, {0, 10, 0}, {0, 0.001f, 0},
                             {0, 0, 0.001f}, {1, 1, 1},  {2, 2, 2},  {3, 3, 3}};
  for (const float* p : points) addPoint(mesh, p[0], p[1], p[2]);
  mesh.addFaceNormal(0, 1, 2);
  mesh.addFaceNormal(0, 3, 4);
  mesh.addFaceNormal(5, 6, 7);
  mesh.addFaceNormal(0, 1, 99);  // beyond the array: ignored

  auto normalOf = [&](int i) {
    const fast_Vertex& v = mesh.vertices[size_t(i)];
    return std::array<float, 3>{v.nx, v.ny, v.nz};
  };
  EXPECT_EQ(normalOf(0), (std::array<float, 3>{1, 0, 1}));  // equal weights
  EXPECT_EQ(normalOf(1), (std::array<float, 3>{0, 0, 1}));
  EXPECT_EQ(normalOf(3), (std::array<float, 3>{1, 0, 0}));
  EXPECT_EQ(normalOf(6), (std::array<float, 3>{0, 0, 0}));

  mesh.normalizeNormals();
  std::array<float, 3> normal = normalOf(0);
  EXPECT_FLOAT_EQ(normal[0], float(std::sqrt(0.5)));
  EXPECT_FLOAT_EQ(normal[2], float(std::sqrt(0.5)));
  EXPECT_EQ(normalOf(6), (std::array<float, 3>{0, 0, 0}));
}
