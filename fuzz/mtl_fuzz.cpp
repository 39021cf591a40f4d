// Material libraries from arbitrary bytes: each input is written as a.mtl
// into a folder of its own beside a small texture, and read through a model
// that names it and uses its materials.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "model/mesh.h"
#include "model/obj_reader.h"

namespace {
std::stringbuf discarded;

// A 1x1 RGBA PNG: textures named "t.png" load.
const unsigned char onePixelPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0x1f, 0x00, 0x05, 0x00, 0x01, 0xff, 0x89, 0x99,
    0x3d, 0x1d, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

std::string makeFolder() {
  std::cerr.rdbuf(&discarded);
  std::clog.rdbuf(&discarded);
  std::cout.rdbuf(&discarded);
  std::string folder =
      (std::filesystem::temp_directory_path() / ("mtl_fuzz_" + std::to_string(getpid()))).string() +
      "/";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "t.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(onePixelPng), sizeof onePixelPng);
  return folder;
}
const std::string folder = makeFolder();

const char model[] =
    "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nusemtl m\nf 1/1 2/1 3/1\n"
    "usemtl\nf 1 2 3\n";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ofstream(folder + "a.mtl", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  std::istringstream stream(model);
  NoAction_ProgressBase progress;
  std::unique_ptr<fast_Mesh> mesh(loadOBJ(folder, stream, progress));
  for (const fast_Material* material : mesh->materials)
    for (uint32_t index : material->triangles)
      if (index >= mesh->vertices.size()) __builtin_trap();
  discarded.str("");
  return 0;
}
