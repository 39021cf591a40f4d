// Model files from arbitrary bytes, read from memory; their material
// libraries are looked for in a folder that does not exist. Every index the
// finished mesh holds must lie inside its vertex array.
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "model/mesh.h"
#include "model/obj_reader.h"

namespace {
// The readers' messages would drown the fuzzer's own.
std::stringbuf discarded;
const bool quiet = [] {
  std::cerr.rdbuf(&discarded);
  std::clog.rdbuf(&discarded);
  std::cout.rdbuf(&discarded);
  return true;
}();

void checkIndices(const std::vector<uint32_t>& triangles, size_t vertexCount) {
  if (triangles.size() % 3 != 0) __builtin_trap();
  for (uint32_t index : triangles)
    if (index >= vertexCount) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
  NoAction_ProgressBase progress;
  std::unique_ptr<fast_Mesh> mesh(loadOBJ("/nonexistent-model-folder/", stream, progress));
  for (const fast_Material* material : mesh->materials)
    checkIndices(material->triangles, mesh->vertices.size());
  for (const fast_Group* group : mesh->groups)
    checkIndices(group->triangles, mesh->vertices.size());
  discarded.str("");
  return 0;
}
