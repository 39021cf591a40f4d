#include "content/model_preparer.h"

#include <fstream>

#include "model/mesh.h"
#include "model/obj_reader.h"
#include "platform/file_case.h"
#include "platform/paths.h"

namespace {

ModelPreparer* active = nullptr;

}  // namespace

fast_Mesh* readModelFile(const std::string& fileName) {
  std::ifstream file(nativePath(findFileIgnoringCase(fileName)));
  NoAction_ProgressBase progress;
  return loadOBJ(directoryOf(fileName), file, progress);
}

void setActiveModelPreparer(ModelPreparer* preparer) {
  active = preparer;
}

ModelPreparer* activeModelPreparer() {
  return active;
}

ModelPreparer::ModelPreparer(WorkerPool& workers, ResultQueue& results)
    : workers(workers), results(results) {}

void ModelPreparer::prepare(const std::string& fileName, int priority) {
  std::shared_ptr<Task>& task = tasks[fileName];
  if (task) return;
  task = std::make_shared<Task>(
      [fileName] { return std::unique_ptr<fast_Mesh>(readModelFile(fileName)); });
  // Deliveries are dropped before the preparer goes; a mesh nobody takes
  // has no GL state and may go on any thread.
  workers.submit(
      [this, task] {
        task->run();
        results.post([this] {
          if (onReady) onReady();
        });
      },
      priority);
}

bool ModelPreparer::isPrepared(const std::string& fileName) const {
  return tasks.count(fileName) != 0;
}

bool ModelPreparer::isReady(const std::string& fileName) {
  auto found = tasks.find(fileName);
  return found != tasks.end() && found->second->isDone();
}

fast_Mesh* ModelPreparer::take(const std::string& fileName) {
  auto found = tasks.find(fileName);
  if (found == tasks.end()) return readModelFile(fileName);
  std::shared_ptr<Task> task = found->second;
  tasks.erase(found);
  return task->get().release();
}

void ModelPreparer::forget(const std::string& fileName) {
  auto found = tasks.find(fileName);
  if (found == tasks.end()) return;
  found->second->cancel();
  tasks.erase(found);
}

void ModelPreparer::forgetAllBut(const std::set<std::string>& keep) {
  for (auto it = tasks.begin(); it != tasks.end();) {
    if (!keep.count(it->first)) {
      it->second->cancel();
      it = tasks.erase(it);
    } else {
      ++it;
    }
  }
}
