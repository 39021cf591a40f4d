#include "content/page.h"

#include <GL/gl.h>

#include <algorithm>

#include "app/quads/quads.h"
#include "content/description_file.h"
#include "images/picture_preparer.h"
#include "images/slide_texture.h"

namespace {

PageList* publishedPages = nullptr;

float floatKey(const DescriptionNode& section, const char* name, float fallback) {
  const DescriptionKey* key = section.findKey(name);
  return key ? float(key->valueAsFloat()) : fallback;
}

// basePath + the key's value, or "" when the section has no such key.
std::string fileKey(const DescriptionNode& section, const char* name, const std::string& basePath) {
  const DescriptionKey* key = section.findKey(name);
  return key ? basePath + key->value() : std::string();
}

// Drops this handle's reference and leaves it empty even when neighbours
// still hold the object (release() keeps the fields then).
template <class T>
void emptyHandle(SmartPtr<T>& handle) {
  handle.release();
  handle.dataPtr = nullptr;
  handle.refcountPtr = nullptr;
}

// The first loaded texture of a picture object named fileName on pages
// i - 1 .. i + 1 of the published list, or null.
const SmartPtr<SlideTexture>* findNeighbourTexture(int i, const std::string& fileName) {
  if (!publishedPages) return nullptr;
  const int end = std::min(i + 1, int(publishedPages->size()) - 1);
  for (int j = std::max(i - 1, 0); j <= end; ++j) {
    const Page* page = (*publishedPages)[size_t(j)].dataPtr;
    if (!page) continue;
    for (const ImageObject& object : page->imageObjects)
      if (object.texture.dataPtr && object.fileName == fileName) return &object.texture;
  }
  return nullptr;
}

}  // namespace

void publishPageList(PageList* pages) {
  publishedPages = pages;
}

PageList* publishedPageList() {
  return publishedPages;
}

ImageObject::ImageObject(const DescriptionNode& section, const std::string& basePath)
    : fileName(fileKey(section, "filename", basePath)),
      width(floatKey(section, "width", 1)),
      height(floatKey(section, "height", 1)),
      tx(floatKey(section, "tx", 0)),
      ty(floatKey(section, "ty", 0)),
      tz(floatKey(section, "tz", 0.005f)) {}

Page::Page(const DescriptionNode& section, const std::string& basePath)
    : fileName(fileKey(section, "filename", basePath)) {
  for (const DescriptionNode& child : section.children) {
    if (child.hasName("ImageObject")) {
      imageObjects.emplace_back(child, basePath);
    } else if (child.hasName("Sound")) {
      // A later "Sound" section replaces an earlier one.
      if (const DescriptionKey* key = child.findKey("filename"))
        soundFileName = basePath + key->value();
    }
    // "Model" sections become models with the model reader; anything else
    // is not ours.
  }
}

Page::Page(const std::string& fileName, const std::string& basePath)
    : fileName(basePath + fileName) {}

Page::~Page() {
  unload();
}

void Page::load(int i) {
  if (isLoaded()) return;
  loadIndex = i;
  if (activePicturePreparer()) {
    prepareAhead(0);
    waiting = true;
    if (readyToFinish()) finishLoad();
    return;
  }
  waiting = true;
  finishLoad();
}

void Page::prepareAhead(int priority) const {
  PicturePreparer* preparer = activePicturePreparer();
  if (!preparer || texture) return;
  preparer->prepare(fileName, false, priority);
  for (const ImageObject& object : imageObjects)
    if (!object.texture.dataPtr) preparer->prepare(object.fileName, false, priority);
}

bool Page::readyToFinish() const {
  PicturePreparer* preparer = activePicturePreparer();
  if (!waiting || !preparer) return waiting;
  // A picture no longer in preparation (another page took it) is made on
  // the spot.
  auto ended = [&](const std::string& path) {
    return !preparer->isPrepared(path, false) || preparer->isReady(path, false);
  };
  if (!ended(fileName)) return false;
  for (const ImageObject& object : imageObjects)
    if (!object.texture.dataPtr && !ended(object.fileName)) return false;
  return true;
}

namespace {

SlideTexture* makeTexture(const std::string& path) {
  if (PicturePreparer* preparer = activePicturePreparer()) return preparer->take(path, false);
  return new SlideTexture(path.c_str(), true, false);
}

}  // namespace

void Page::finishLoad() {
  if (!waiting) return;
  waiting = false;
  const int i = loadIndex;
  texture = makeTexture(fileName);

  for (ImageObject& object : imageObjects) {
    if (object.texture.dataPtr) continue;
    if (const SmartPtr<SlideTexture>* shared = findNeighbourTexture(i, object.fileName)) {
      object.texture = *shared;
      // A neighbour's texture serves: what was prepared for this one goes.
      if (PicturePreparer* preparer = activePicturePreparer())
        preparer->forget(object.fileName, false);
    } else {
      object.texture.reset(makeTexture(object.fileName));
      clampTextureWrap();
    }
  }

  // No "Sound" section: nothing to open.
  if (!soundStream.dataPtr && !soundFileName.empty()) {
    if (FSOUND_STREAM* stream = FSOUND_Stream_Open(soundFileName.c_str(), FSOUND_NORMAL, 0, 0))
      soundStream.reset(stream);
  }

  loadModels(i);
}

void Page::unload() {
  if (waiting) {
    waiting = false;
    if (PicturePreparer* preparer = activePicturePreparer()) {
      preparer->forget(fileName, false);
      for (const ImageObject& object : imageObjects) preparer->forget(object.fileName, false);
    }
  }
  delete texture;
  texture = nullptr;
  for (ImageObject& object : imageObjects) emptyHandle(object.texture);
  // The page is the stream's only holder: the handle stops and closes it.
  if (soundStream.dataPtr) emptyHandle(soundStream);
  unloadModels();
}

void Page::startMedia() {
  if (texture) texture->startVideo();
  if (FSOUND_STREAM* stream = soundStream.dataPtr) {
    FSOUND_Stream_Stop(stream);
    // Stop keeps the stream's position; the sound restarts from its beginning.
    FSOUND_Stream_SetTime(stream, 0);
    FSOUND_Stream_Play(-1, stream);
  }
  started = true;
}

void Page::stopSound() {
  if (soundStream.dataPtr) FSOUND_Stream_Stop(soundStream.dataPtr);
}

void Page::draw() {
  finishLoad();
  if (!texture) return;
  texture->bind();
  if (!started) startMedia();
  texture->updateVideo();
  drawSlideQuad(texture->uExtent, texture->vExtent);

  for (ImageObject& object : imageObjects) {
    SlideTexture& picture = *object.texture;  // loaded with the page
    picture.bind();
    // A video on the page loops: it is started again whenever it has run out.
    if (!picture.isPlaying()) picture.startVideo();
    picture.updateVideo();
    glPushMatrix();
    if (picture.hasAlphaChannel()) glEnable(GL_BLEND);
    glTranslatef(object.tx, object.ty, object.tz);
    const float halfWidth = object.width / 2, halfHeight = object.height / 2;
    glBegin(GL_QUADS);
    picture.texCoord(0, 0);
    glVertex2f(-halfWidth, -halfHeight);
    picture.texCoord(1, 0);
    glVertex2f(halfWidth, -halfHeight);
    picture.texCoord(1, 1);
    glVertex2f(halfWidth, halfHeight);
    picture.texCoord(0, 1);
    glVertex2f(-halfWidth, halfHeight);
    glEnd();
    glDisable(GL_BLEND);
    glPopMatrix();
  }

  drawModels();
  glEnable(GL_TEXTURE_2D);
}

// Models arrive with the model reader.
void Page::loadModels(int) {}

// Models arrive with the model reader.
void Page::unloadModels() {}

// Models arrive with the model reader.
void Page::drawModels() {}
