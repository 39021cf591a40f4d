#pragma once
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "workers/worker_pool.h"

class fast_Mesh;

// Model files read ahead on the workers, by file name. Reading needs no GL;
// the GUI thread takes the mesh (read on the spot when no worker has begun
// it, waited for when one has) and prepares its GL itself.
class ModelPreparer {
 public:
  ModelPreparer(WorkerPool& workers, ResultQueue& results);

  // Queues the reading unless one is queued, running or done.
  void prepare(const std::string& fileName, int priority);
  // Asked for and not yet taken / and its reading has ended.
  bool isPrepared(const std::string& fileName) const;
  bool isReady(const std::string& fileName);
  // The mesh, owned by the caller, GL not prepared.
  fast_Mesh* take(const std::string& fileName);
  void forget(const std::string& fileName);
  void forgetAllBut(const std::set<std::string>& keep);

  // Runs on the GUI thread whenever a reading has ended.
  std::function<void()> onReady;

 private:
  using Task = Deferred<std::unique_ptr<fast_Mesh>>;
  WorkerPool& workers;
  ResultQueue& results;
  std::map<std::string, std::shared_ptr<Task>> tasks;
};

// Reads a model file now: the named file, or the one whose name differs only
// in letter case, with material libraries and textures beside it.
fast_Mesh* readModelFile(const std::string& fileName);

// The preparer pages use; null (the default) reads every model on the spot.
void setActiveModelPreparer(ModelPreparer* preparer);
ModelPreparer* activeModelPreparer();
