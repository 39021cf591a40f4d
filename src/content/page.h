#pragma once
#include <string>
#include <vector>

#include "model/mesh.h"
#include "smartptr"
#include "sound/fsound.h"

class DescriptionNode;
class SlideTexture;

// The sound stream handle closes its stream through the sound layer.
template <>
struct SmartPtrRelease<FSOUND_STREAM> {
  static void destroy(FSOUND_STREAM* stream) {
    FSOUND_Stream_Stop(stream);
    FSOUND_Stream_Close(stream);
  }
};

// A picture (or video) placed in front of a page.
struct ImageObject {
  explicit ImageObject(const DescriptionNode& section, const std::string& basePath);

  std::string fileName;
  SmartPtr<SlideTexture> texture;
  float width = 1, height = 1;
  float tx = 0, ty = 0, tz = 0.005f;
};

// A 3-D model placed in front of a page; neighbouring pages naming the same
// file share the mesh.
struct Model {
  explicit Model(const DescriptionNode& section, const std::string& basePath);

  std::string fileName;
  SmartPtr<fast_Mesh> mesh;
  float tx = 0, ty = 0, tz = 0.1f;
  float rx = 0, ry = 0, rz = 0;  // degrees
  float scale = 1;
};

// One full-screen picture or video with what is placed on it and its sound.
// Only the pages near the one on screen are loaded (texture set).
class Page {
 public:
  Page(const DescriptionNode& section, const std::string& basePath);  // an "Image" section
  Page(const std::string& fileName, const std::string& basePath);     // directory mode
  ~Page();
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  // i is the page's own index in the published page list. All or nothing:
  // nothing happens when the picture is already loaded. With a picture
  // preparer the pictures are first prepared on the workers and the page
  // waits for finishLoad (the textures and everything else).
  void load(int i);
  // Completes a waiting load: when the preparations have ended, or at once
  // when the page is needed (its pictures are then finished on the spot).
  void finishLoad();
  // A waiting load whose preparations have all ended.
  bool readyToFinish() const;
  // Queues the preparation of the page's pictures and models, for a load to come.
  void prepareAhead(int priority) const;
  void unload();
  bool isLoaded() const { return texture != nullptr || waiting; }
  bool isWaiting() const { return waiting; }
  // (Re)starts the page's video and sound from the beginning.
  void startMedia();
  void stopSound();
  // Draws the page in the slide plane; its first draw ever starts its media.
  void draw();

  std::string fileName;
  SlideTexture* texture = nullptr;  // owned
  std::vector<ImageObject> imageObjects;
  std::vector<Model> models;
  std::string soundFileName;
  SmartPtr<FSOUND_STREAM> soundStream;
  bool started = false;

 private:
  bool waiting = false;
  int loadIndex = 0;
  void loadModels(int i);
  void unloadModels();
  void drawModels();
};

using PageList = std::vector<SmartPtr<Page>>;

// The slide list publishes its pages here before the slides are built;
// loading a page looks into its neighbours through it.
void publishPageList(PageList* pages);
PageList* publishedPageList();
