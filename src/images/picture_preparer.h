#pragma once
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "images/prepared_picture.h"
#include "workers/worker_pool.h"

class SlideTexture;
class TextureUploader;

// Pictures made ahead on the workers, by file name and kind (a shown
// picture or a thumbnail). The GUI thread asks for preparations and takes
// textures; a texture asked for before its preparation has ended is
// finished on the spot, so nothing half-made is ever shown.
class PicturePreparer {
 public:
  using Key = std::pair<std::string, bool>;  // file name, thumbnail

  // Needs the GL context current (it asks GL for its largest texture). With
  // an uploader the workers' pictures also go into their textures ahead.
  PicturePreparer(WorkerPool& workers, ResultQueue& results, TextureUploader* uploader = nullptr);
  // After the workers have stopped: frees what was uploaded and not taken.
  ~PicturePreparer();
  PicturePreparer(const PicturePreparer&) = delete;
  PicturePreparer& operator=(const PicturePreparer&) = delete;

  // Queues the preparation unless one is queued, running or done.
  void prepare(const std::string& path, bool thumbnail, int priority);
  // Its preparation has ended and waits to be taken.
  bool isReady(const std::string& path, bool thumbnail);
  // Asked for and not yet taken.
  bool isPrepared(const std::string& path, bool thumbnail) const;
  // The texture, from the ended preparation, from a running one when it
  // ends, or made right now (also when none was asked for). Bound.
  SlideTexture* take(const std::string& path, bool thumbnail);
  // Frees the preparation, taken or not.
  void forget(const std::string& path, bool thumbnail);
  // Frees the shown pictures' preparations whose names are not in keep.
  void forgetPicturesBut(const std::set<std::string>& keep);

  // Runs on the GUI thread (through the result queue) whenever a
  // preparation has ended.
  std::function<void()> onReady;

 private:
  using Task = Deferred<std::shared_ptr<PreparedPicture>>;
  // A forgotten preparation that was under way: its texture, once made,
  // goes back to the pool.
  void abandon(std::shared_ptr<Task> task);
  void freeAbandoned();
  WorkerPool& workers;
  ResultQueue& results;
  TextureUploader* uploader;
  std::thread::id guiThread = std::this_thread::get_id();
  int largestSide = 0;
  std::map<Key, std::shared_ptr<Task>> tasks;
  std::vector<std::shared_ptr<Task>> abandoned;
};

// The preparer pages and slides use; null (the default) makes every
// texture on the spot.
void setActivePicturePreparer(PicturePreparer* preparer);
PicturePreparer* activePicturePreparer();
