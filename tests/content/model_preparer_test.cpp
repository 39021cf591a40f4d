#include "content/model_preparer.h"

#include <gtest/gtest.h>

#include <memory>

#include "model/mesh.h"
#include "support/test_files.h"

namespace {

// A mesh read by a worker is the mesh read on the spot, whether it is
// taken after its reading ended or before a worker began it; a forgotten
// one goes with its preparation (the sanitizer builds see a leak).
TEST(ModelPreparer, TakesWhatAWorkerReadOrReadsOnTheSpot) {
  testfiles::TempDir dir;
  testfiles::writeText(dir.file("quad.obj"),
                       "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nf 1 3 4\n");
  const std::string path = dir.file("quad.obj");
  const std::unique_ptr<fast_Mesh> direct(readModelFile(path));
  ASSERT_FALSE(direct->vertices.empty());

  WorkerPool workers(1);
  ResultQueue results;
  ModelPreparer preparer(workers, results);
  int ready = 0;
  preparer.onReady = [&] { ++ready; };
  preparer.prepare(path, 0);
  preparer.prepare(path, 0);  // once only
  while (!preparer.isReady(path)) results.waitFor(0.05);
  results.drain();
  EXPECT_EQ(ready, 1);
  std::unique_ptr<fast_Mesh> ahead(preparer.take(path));
  EXPECT_FALSE(preparer.isPrepared(path));
  EXPECT_EQ(ahead->vertices.size(), direct->vertices.size());
  EXPECT_EQ(ahead->materials.size(), direct->materials.size());

  workers.stop();  // nothing more runs: the next one is read by take
  preparer.prepare(path, 0);
  std::unique_ptr<fast_Mesh> onTheSpot(preparer.take(path));
  EXPECT_EQ(onTheSpot->vertices.size(), direct->vertices.size());
  preparer.prepare(path + ".other", 0);
  preparer.forgetAllBut({});
  EXPECT_FALSE(preparer.isPrepared(path + ".other"));
}

}  // namespace
