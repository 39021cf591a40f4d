#include "app/background.h"

#include <cstdlib>
#include <memory>
#include <set>

#include "app/frame_log.h"
#include "app/slide_list_instance.h"
#include "app/state/viewer_state.h"
#include "content/model_preparer.h"
#include "images/picture_preparer.h"
#include "images/texture_pool.h"
#include "images/texture_uploader.h"
#include "workers/worker_pool.h"

namespace {

// Pages come before thumbnails; among equals the order of asking holds.
constexpr int pagePriority = 0, thumbnailPriority = 1;
// How far beyond the loaded neighbours pages are made ahead.
constexpr int pagesAhead = 2;

struct Background {
  ResultQueue results;
  std::unique_ptr<WorkerPool> workers;
  std::unique_ptr<TextureUploader> uploader;
  std::unique_ptr<PicturePreparer> preparer;
  std::unique_ptr<ModelPreparer> models;
  bool changedOnScreen = false;
  bool thumbnailsAsked = false;
};

Background& background() {
  static Background state;
  return state;
}

bool stripOpen() {
  return viewer.presentationState == Browsing || viewer.presentationState == Settling;
}

// A preparation has ended: pages waiting for it and thumbnails take theirs.
void takeFinished() {
  for (int i = 0; i < slideList.pageCount(); ++i)
    if (slideList.page(i).readyToFinish()) slideList.page(i).finishLoad();
  for (int s = 0; s < slideList.slideCount(); ++s)
    if (slideList.slide(s).takeThumbnail(false) && stripOpen()) background().changedOnScreen = true;
}

}  // namespace

void startBackgroundWork(int threads) {
  Background& state = background();
  state.workers =
      std::make_unique<WorkerPool>(threads > 0 ? threads : WorkerPool::threadsForMachine());
  // Uploads in a context of their own leave the GUI thread only binding
  // textures (making one of a new size takes renderers long).
  state.uploader = std::make_unique<TextureUploader>();
  state.preparer =
      std::make_unique<PicturePreparer>(*state.workers, state.results, state.uploader.get());
  state.preparer->onReady = takeFinished;
  state.models = std::make_unique<ModelPreparer>(*state.workers, state.results);
  state.models->onReady = takeFinished;
  setActiveModelPreparer(state.models.get());
  state.thumbnailsAsked = false;
  setActivePicturePreparer(state.preparer.get());
  // A page change unloads one page and loads another of the same size.
  keepTextureNames(2);
  // Every way out (exit() of a window close too) stops the workers before
  // the slide list and the GL objects go.
  static bool stopsAtExit = false;
  if (!stopsAtExit) std::atexit(stopBackgroundWork);
  stopsAtExit = true;
}

WorkerPool* backgroundWorkers() {
  return background().workers.get();
}

void prepareThumbnails() {
  for (int s = 0; s < slideList.slideCount(); ++s)
    slideList.slide(s).prepareThumbnail(thumbnailPriority);
}

void prepareAroundPage(int current) {
  PicturePreparer* preparer = activePicturePreparer();
  if (!preparer) return;
  // Forward first: that is where a presentation goes.
  for (int page : {current + pagesAhead, current - pagesAhead})
    if (page >= 0 && page < slideList.pageCount()) slideList.page(page).prepareAhead(pagePriority);
  std::set<std::string> keep, keepModels;
  for (int page = current - pagesAhead; page <= current + pagesAhead; ++page) {
    if (page < 0 || page >= slideList.pageCount()) continue;
    keep.insert(slideList.page(page).fileName);
    for (const ImageObject& object : slideList.page(page).imageObjects)
      keep.insert(object.fileName);
    for (const Model& model : slideList.page(page).models) keepModels.insert(model.fileName);
  }
  if (ModelPreparer* models = activeModelPreparer()) models->forgetAllBut(keepModels);
  for (int s = 0; s < slideList.slideCount(); ++s)
    if (!slideList.slide(s).thumbnail) keep.insert(slideList.slide(s).thumbnailSource);
  preparer->forgetPicturesBut(keep);
}

bool deliverBackgroundResults() {
  Background& state = background();
  // The thumbnails wait until the first page is on screen.
  if (state.workers && !state.thumbnailsAsked && framesShown() > 0) {
    state.thumbnailsAsked = true;
    prepareThumbnails();
  }
  state.results.drain();
  const bool changed = state.changedOnScreen;
  state.changedOnScreen = false;
  return changed;
}

void waitForBackgroundResults(double seconds) {
  background().results.waitFor(seconds);
}

void stopBackgroundWork() {
  Background& state = background();
  // Workers waiting for an upload get it before the uploader stops.
  if (state.workers) state.workers->stop();
  if (state.uploader) state.uploader->stop();
  // What they delivered is for a preparer that goes now.
  state.results.discard();
  setActivePicturePreparer(nullptr);
  setActiveModelPreparer(nullptr);
  state.preparer.reset();
  state.models.reset();
  state.uploader.reset();
  state.workers.reset();
}
