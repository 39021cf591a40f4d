#include "images/picture_preparer.h"

#include <GL/gl.h>

#include "images/slide_texture.h"

namespace {

PicturePreparer* active = nullptr;

}  // namespace

void setActivePicturePreparer(PicturePreparer* preparer) {
  active = preparer;
}

PicturePreparer* activePicturePreparer() {
  return active;
}

PicturePreparer::PicturePreparer(WorkerPool& workers, ResultQueue& results)
    : workers(workers), results(results) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  largestSide = largest;
}

void PicturePreparer::prepare(const std::string& path, bool thumbnail, int priority) {
  std::shared_ptr<Task>& task = tasks[Key(path, thumbnail)];
  if (task) return;
  // Away from GL only its largest side is known; the upload checks the rest.
  const int largest = largestSide;
  task = std::make_shared<Task>([path, thumbnail, largest] {
    return std::make_shared<PreparedPicture>(
        preparePicture(path, true, thumbnail, [largest](bool, int width, int height) {
          return largest <= 0 || (width <= largest && height <= largest);
        }));
  });
  ResultQueue* queue = &results;
  std::function<void()>* ready = &onReady;
  workers.submit(
      [task, queue, ready] {
        task->run();
        queue->post([ready] {
          if (*ready) (*ready)();
        });
      },
      priority);
}

bool PicturePreparer::isReady(const std::string& path, bool thumbnail) {
  auto found = tasks.find(Key(path, thumbnail));
  return found != tasks.end() && found->second->isDone();
}

bool PicturePreparer::isPrepared(const std::string& path, bool thumbnail) const {
  return tasks.count(Key(path, thumbnail)) != 0;
}

SlideTexture* PicturePreparer::take(const std::string& path, bool thumbnail) {
  auto found = tasks.find(Key(path, thumbnail));
  if (found == tasks.end()) return new SlideTexture(path.c_str(), true, thumbnail);
  std::shared_ptr<Task> task = found->second;
  tasks.erase(found);
  std::shared_ptr<PreparedPicture> picture = task->get();
  if (!picture) return new SlideTexture(path.c_str(), true, thumbnail);
  return new SlideTexture(std::move(*picture));
}

void PicturePreparer::forget(const std::string& path, bool thumbnail) {
  auto found = tasks.find(Key(path, thumbnail));
  if (found == tasks.end()) return;
  found->second->cancel();
  tasks.erase(found);
}

void PicturePreparer::forgetPicturesBut(const std::set<std::string>& keep) {
  for (auto it = tasks.begin(); it != tasks.end();) {
    if (!it->first.second && !keep.count(it->first.first)) {
      it->second->cancel();
      it = tasks.erase(it);
    } else {
      ++it;
    }
  }
}
