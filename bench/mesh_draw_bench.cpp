// Mesh drawing: fast_Mesh::draw of one mesh of a million small lit
// triangles, in one material and then in sixteen (one translucent), against
// bare glDrawElements calls over the same buffer and index lists with the
// state the mesh left, frames alternated in the same window. Prints each
// best frame time and the median ratio (goal: within 1.1x of the bare
// draws).
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "model/mesh.h"
#include "support/gl_test_window.h"

namespace {

constexpr int across = 1000, down = 500;  // quads: 2 x 500000 triangles

double frameSeconds(const std::function<void()>& draw) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glFinish();
  auto start = std::chrono::steady_clock::now();
  draw();
  glFinish();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A grid over the view facing the viewer, its quads dealt out to the
// materials in equal runs; the last material is translucent when there are
// several.
void buildGrid(fast_Mesh& mesh, int materialCount) {
  const float normal[3] = {0, 0, 1};
  for (int y = 0; y <= down; ++y)
    for (int x = 0; x <= across; ++x) {
      const float position[3] = {2.0f * x / across - 1, 2.0f * y / down - 1, 0};
      const float texcoord[2] = {float(x) / across, float(y) / down};
      mesh.addVertex(position, normal, texcoord);
    }
  std::vector<fast_Material*> materials;
  for (int i = 0; i < materialCount; ++i) {
    materials.push_back(new fast_Material("m" + std::to_string(i)));
    materials.back()->diffuse[0] = float(i + 1) / materialCount;
    mesh.addMaterial(materials.back());
  }
  if (materialCount > 1) materials.back()->diffuse[3] = 0.5f;
  fast_Group* group = mesh.findOrCreateGroup("");
  const int quads = across * down, perMaterial = quads / materialCount;
  for (int q = 0; q < quads; ++q) {
    uint32_t corner = uint32_t(q / across * (across + 1) + q % across);
    uint32_t right = corner + 1, above = corner + across + 1;
    fast_Material* material = materials[size_t(std::min(q / perMaterial, materialCount - 1))];
    mesh.addTriangle(corner, right, above + 1, group, material);
    mesh.addTriangle(corner, above + 1, above, group, material);
  }
  mesh.finish();
  mesh.prepareGL();
}

void bareDraw(const fast_Mesh& mesh) {
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.vertices.bufferId);
  glInterleavedArrays(GL_T2F_N3F_V3F, 0, mesh.vertices.bufferId ? nullptr : mesh.vertices.data());
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  for (const fast_Material* material : mesh.materials)
    glDrawElements(GL_TRIANGLES, GLsizei(material->triangles.size()), GL_UNSIGNED_INT,
                   material->triangles.data());
}

// Frames of the two alternate, so that each pair sees the same machine
// load; the ratio printed is the median of the pairs' ratios.
void compare(int materialCount, int frames) {
  fast_Mesh mesh;
  buildGrid(mesh, materialCount);
  double bestOurs = 1e30, bestBare = 1e30;
  std::vector<double> ratios;
  for (int i = 0; i < frames; ++i) {
    double ours = frameSeconds([&] { mesh.draw(0); });
    // The bare draws run with the lighting, depth and blending state
    // fast_Mesh::draw left.
    double bare = frameSeconds([&] { bareDraw(mesh); });
    bestOurs = std::min(bestOurs, ours);
    bestBare = std::min(bestBare, bare);
    ratios.push_back(ours / bare);
  }
  std::nth_element(ratios.begin(), ratios.begin() + frames / 2, ratios.end());
  std::printf(
      "1 M triangles, %2d material%s  fast_Mesh::draw best %6.1f ms   bare best %6.1f ms   "
      "median ratio %.2fx\n",
      materialCount, materialCount > 1 ? "s" : " ", bestOurs * 1e3, bestBare * 1e3,
      ratios[size_t(frames / 2)]);
}

}  // namespace

int main() {
  if (!gltest::ensureWindow(256, 256)) {
    std::printf("no X display\n");
    return 1;
  }
  if (!GLEW_ARB_vertex_buffer_object) std::printf("no vertex buffer objects: client memory\n");
  glMatrixMode(GL_PROJECTION);
  glOrtho(-1, 1, -1, 1, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  compare(1, 25);
  compare(16, 25);
  return 0;
}
