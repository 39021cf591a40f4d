#include <algorithm>
#include <cmath>
#include <iostream>

#include "model/mesh.h"

namespace {

// n divided by its length, unless it is too short to divide by.
void normalize(float& x, float& y, float& z) {
  double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
  if (length <= normalEpsilon) return;
  x = float(x / length);
  y = float(y / length);
  z = float(z / length);
}

// Materials and groups alike.
template <typename Holder>
bool holdsNothing(const Holder* holder) {
  return holder->triangles.empty() && holder->lines.empty() && holder->points.empty();
}

}  // namespace

fast_Line::fast_Line(const float from[3], const float to[3], fast_Group* group,
                     fast_Material* material)
    : start{from[0], from[1], from[2]}, end{to[0], to[1], to[2]}, group(group), material(material) {
  group->lines.push_back(this);
  material->lines.push_back(this);
}

fast_Line::~fast_Line() = default;

fast_Point::fast_Point(const float at[3], fast_Group* group, fast_Material* material)
    : position{at[0], at[1], at[2]}, group(group), material(material) {
  group->points.push_back(this);
  material->points.push_back(this);
}

fast_Point::~fast_Point() = default;

fast_Material::fast_Material(const std::string& name) : name(name) {}

fast_Material::~fast_Material() = default;

fast_Materials::fast_Materials() {
  push_back(new fast_Material(""));
}

fast_Materials::~fast_Materials() {
  for (fast_Material* material : *this) delete material;
}

fast_Group::fast_Group(const std::string& name) : name(name) {}

fast_Group::~fast_Group() {
  for (fast_Line* line : lines) delete line;
  for (fast_Point* point : points) delete point;
}

fast_Groups::~fast_Groups() {
  for (fast_Group* group : *this) delete group;
}

fast_Mesh::fast_Mesh() = default;

fast_Mesh::~fast_Mesh() = default;

int fast_Mesh::addVertex(const float position[3], const float normal[3], const float texcoord[2]) {
  vertices.push_back({texcoord[0], texcoord[1], normal[0], normal[1], normal[2], position[0],
                      position[1], position[2]});
  return int(vertices.size()) - 1;
}

bool fast_Mesh::holdsVertices(uint32_t i0, uint32_t i1, uint32_t i2) const {
  size_t count = vertices.size();
  return i0 < count && i1 < count && i2 < count;
}

void fast_Mesh::addTriangle(uint32_t i0, uint32_t i1, uint32_t i2, fast_Group* group,
                            fast_Material* material) {
  if (!holdsVertices(i0, i1, i2) || !group || !material) return;
  // push_back, not a range insert: this runs once per triangle a reader makes.
  for (std::vector<uint32_t>* list : {&group->triangles, &material->triangles}) {
    list->push_back(i0);
    list->push_back(i1);
    list->push_back(i2);
  }
}

void fast_Mesh::addFaceNormal(uint32_t i0, uint32_t i1, uint32_t i2) {
  if (!holdsVertices(i0, i1, i2)) return;
  const fast_Vertex &p0 = vertices[i0], &p1 = vertices[i1], &p2 = vertices[i2];
  float e1x = p0.x - p1.x, e1y = p0.y - p1.y, e1z = p0.z - p1.z;
  float e2x = p0.x - p2.x, e2y = p0.y - p2.y, e2z = p0.z - p2.z;
  float nx = e1y * e2z - e1z * e2y, ny = e1z * e2x - e1x * e2z, nz = e1x * e2y - e1y * e2x;
  normalize(nx, ny, nz);
  for (uint32_t i : {i0, i1, i2}) {
    vertices[i].nx += nx;
    vertices[i].ny += ny;
    vertices[i].nz += nz;
  }
}

void fast_Mesh::normalizeNormals() {
  for (fast_Vertex& vertex : vertices) normalize(vertex.nx, vertex.ny, vertex.nz);
}

void fast_Mesh::finish() {
  for (auto it = materials.begin(); it != materials.end();) {
    if (holdsNothing(*it)) {
      delete *it;
      it = materials.erase(it);
    } else {
      ++it;
    }
  }
  // std::list::sort is a stable merge sort: equal opacities keep their order.
  materials.sort([](const fast_Material* left, const fast_Material* right) {
    return left->diffuse[3] > right->diffuse[3];
  });
  auto empty = std::stable_partition(groups.begin(), groups.end(),
                                     [](const fast_Group* group) { return !holdsNothing(group); });
  for (auto it = empty; it != groups.end(); ++it) delete *it;
  groups.erase(empty, groups.end());
}

void fast_Mesh::addMaterial(fast_Material* material) {
  if (material) materials.push_back(material);
}

fast_Material* fast_Mesh::findMaterial(const std::string& name) {
  for (fast_Material* material : materials)
    if (material->name == name) return material;
  std::clog << "Material \"" << name << "\" does not exist, you'll get a default material instead"
            << std::endl;
  return materials.empty() ? nullptr : materials.front();
}

fast_Group* fast_Mesh::findOrCreateGroup(const std::string& name) {
  for (fast_Group* group : groups)
    if (group->name == name) return group;
  groups.push_back(new fast_Group(name));
  return groups.back();
}
