// Public sample models that no one here wrote (a model library's test data,
// Debian package assimp-testmodels): each reads to a consistent mesh. Runs
// when the files are present.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "model/mesh.h"
#include "model/obj_reader.h"
#include "platform/paths.h"
#include "support/captured_stream.h"

TEST(SampleModels, ReadToMeshesWhoseIndicesLieInTheirVertices) {
  const std::filesystem::path root = "/usr/share/assimp/models";
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "no sample models in " << root;
  int read = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".obj") continue;
    SCOPED_TRACE(entry.path().string());
    CapturedStream errors(std::cerr), log(std::clog), out(std::cout);
    std::ifstream file(entry.path());
    NoAction_ProgressBase progress;
    std::unique_ptr<fast_Mesh> mesh(loadOBJ(directoryOf(entry.path().string()), file, progress));
    for (const fast_Material* material : mesh->materials) {
      EXPECT_EQ(material->triangles.size() % 3, 0u);
      for (uint32_t index : material->triangles) ASSERT_LT(index, mesh->vertices.size());
    }
    ++read;
  }
  EXPECT_GT(read, 10);
}
