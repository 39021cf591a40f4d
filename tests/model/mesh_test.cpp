// Meshes built with their own building operations, as the model readers
// build them.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "model/mesh.h"

namespace {

template <typename List>
std::vector<std::string> namesOf(const List& list) {
  std::vector<std::string> names;
  for (const auto* item : list) names.push_back(item->name);
  return names;
}

// Vertices at the positions, given as x, y, z one after another.
void addPoints(fast_Mesh& mesh, const std::vector<float>& positions) {
  const float normal[3] = {0, 0, 0}, texcoord[2] = {unsetTexCoord, unsetTexCoord};
  for (size_t i = 0; i < positions.size(); i += 3) mesh.addVertex(&positions[i], normal, texcoord);
}

}  // namespace

TEST(Mesh, FinishDropsWhatHoldsNothingAndPutsOpaqueMaterialsFirst) {
  fast_Mesh mesh;
  addPoints(mesh, {0, 0, 0, 1, 1, 0, 2, 4, 0});
  mesh.findOrCreateGroup("empty");
  fast_Group *faces = mesh.findOrCreateGroup("faces"), *lines = mesh.findOrCreateGroup("lines");
  mesh.findOrCreateGroup("unused");
  // The default material, named "", holds a face too.
  mesh.addTriangle(0, 1, 2, faces, mesh.findMaterial(""));
  const std::tuple<const char*, float, bool> materials[] = {
      {"half", 0.5f, true}, {"opaque", 1, true},    {"quarter", 0.25f, true}, {"unused", 1, false},
      {"second", 1, true},  {"three", 0.75f, true}, {"alsoHalf", 0.5f, true}, {"line", 1, false}};
  for (auto [name, opacity, used] : materials) {
    auto* material = new fast_Material(name);
    material->diffuse[3] = opacity;
    mesh.addMaterial(material);
    if (used) mesh.addTriangle(0, 1, 2, faces, material);
  }
  // A line alone keeps its material and its group.
  const float from[3] = {0, 0, 0}, to[3] = {1, 1, 1};
  new fast_Line(from, to, lines, mesh.materials.back());

  mesh.finish();
  EXPECT_EQ(namesOf(mesh.materials),
            (std::vector<std::string>{"", "opaque", "second", "line", "three", "half", "alsoHalf",
                                      "quarter"}));
  EXPECT_EQ(namesOf(mesh.groups), (std::vector<std::string>{"faces", "lines"}));
}
