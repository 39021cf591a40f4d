#include "images/picture_preparer.h"

#include <GL/gl.h>

#include "images/slide_texture.h"
#include "images/texture_pool.h"
#include "images/texture_uploader.h"

namespace {

PicturePreparer* active = nullptr;

}  // namespace

void setActivePicturePreparer(PicturePreparer* preparer) {
  active = preparer;
}

PicturePreparer* activePicturePreparer() {
  return active;
}

PicturePreparer::PicturePreparer(WorkerPool& workers, ResultQueue& results,
                                 TextureUploader* uploader)
    : workers(workers), results(results), uploader(uploader) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  largestSide = largest;
}

PicturePreparer::~PicturePreparer() {
  for (auto& entry : tasks) abandon(entry.second);
  freeAbandoned();
}

void PicturePreparer::abandon(std::shared_ptr<Task> task) {
  task->cancel();
  abandoned.push_back(std::move(task));
  freeAbandoned();
}

void PicturePreparer::freeAbandoned() {
  for (auto it = abandoned.begin(); it != abandoned.end();) {
    Task& task = **it;
    if (task.isRunning()) {
      ++it;
      continue;
    }
    if (task.isDone()) {
      std::shared_ptr<PreparedPicture> picture = task.get();
      if (picture && picture->texture)
        returnTextureName(picture->texture, picture->hasAlpha ? GL_RGBA : GL_RGB,
                          picture->textureWidth, picture->textureHeight, picture->levelCount);
    }
    it = abandoned.erase(it);
  }
}

void PicturePreparer::prepare(const std::string& path, bool thumbnail, int priority) {
  std::shared_ptr<Task>& task = tasks[Key(path, thumbnail)];
  if (task) return;
  // Away from GL only its largest side is known; the upload checks the rest.
  const int largest = largestSide;
  TextureUploader* upload = uploader;
  const std::thread::id gui = guiThread;
  task = std::make_shared<Task>([path, thumbnail, largest, upload, gui] {
    auto picture = std::make_shared<PreparedPicture>(
        preparePicture(path, true, thumbnail, [largest](bool, int width, int height) {
          return largest <= 0 || (width <= largest && height <= largest);
        }));
    // Finished on the GUI thread, the picture is uploaded there as before.
    if (upload && std::this_thread::get_id() != gui) upload->upload(*picture);
    return picture;
  });
  // Deliveries are dropped before the preparer goes.
  workers.submit(
      [this, task] {
        task->run();
        results.post([this] {
          freeAbandoned();
          if (onReady) onReady();
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
  abandon(found->second);
  tasks.erase(found);
}

void PicturePreparer::forgetPicturesBut(const std::set<std::string>& keep) {
  for (auto it = tasks.begin(); it != tasks.end();) {
    if (!it->first.second && !keep.count(it->first.first)) {
      abandon(it->second);
      it = tasks.erase(it);
    } else {
      ++it;
    }
  }
}
