#include "content/page.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "app/quads/quads.h"
#include "app/state/viewer_state.h"
#include "content/description_file.h"
#include "content/model_preparer.h"
#include "images/picture_preparer.h"
#include "images/slide_texture.h"
#include "model/mesh.h"

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

// The first loaded handle (a picture object's texture, a model's mesh)
// named fileName on pages i - 1 .. i + 1 of the published list, or null.
template <class Item, class T>
const SmartPtr<T>* findNeighbour(int i, const std::string& fileName, std::vector<Item> Page::*items,
                                 SmartPtr<T> Item::*handle) {
  if (!publishedPages) return nullptr;
  const int end = std::min(i + 1, int(publishedPages->size()) - 1);
  for (int j = std::max(i - 1, 0); j <= end; ++j) {
    const Page* page = (*publishedPages)[size_t(j)].dataPtr;
    if (!page) continue;
    for (const Item& item : page->*items)
      if ((item.*handle).dataPtr && item.fileName == fileName) return &(item.*handle);
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
    } else if (child.hasName("Model")) {
      models.emplace_back(child, basePath);
    }
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
  if (ModelPreparer* reader = activeModelPreparer(); reader && !texture)
    for (const Model& model : models)
      if (!model.mesh.dataPtr) reader->prepare(model.fileName, priority);
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
  if (ModelPreparer* reader = activeModelPreparer())
    for (const Model& model : models)
      if (!model.mesh.dataPtr && reader->isPrepared(model.fileName) &&
          !reader->isReady(model.fileName))
        return false;
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
    if (const SmartPtr<SlideTexture>* shared =
            findNeighbour(i, object.fileName, &Page::imageObjects, &ImageObject::texture)) {
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
    if (ModelPreparer* reader = activeModelPreparer())
      for (const Model& model : models) reader->forget(model.fileName);
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

Model::Model(const DescriptionNode& section, const std::string& basePath)
    : fileName(basePath),
      tx(floatKey(section, "tx", 0)),
      ty(floatKey(section, "ty", 0)),
      tz(floatKey(section, "tz", 0.1f)),
      rx(floatKey(section, "rx", 0)),
      ry(floatKey(section, "ry", 0)),
      rz(floatKey(section, "rz", 0)),
      scale(floatKey(section, "scale", 1)) {
  if (const DescriptionKey* key = section.findKey("filename")) fileName += key->value();
}

void Page::loadModels(int i) {
  for (Model& model : models) {
    if (model.mesh.dataPtr) continue;
    ModelPreparer* reader = activeModelPreparer();
    if (const SmartPtr<fast_Mesh>* shared =
            findNeighbour(i, model.fileName, &Page::models, &Model::mesh)) {
      model.mesh = *shared;
      if (reader) reader->forget(model.fileName);
      continue;
    }
    std::printf("loading model %s\n", model.fileName.c_str());
    // Read ahead by a worker, or now.
    fast_Mesh* mesh = reader ? reader->take(model.fileName) : readModelFile(model.fileName);
    mesh->prepareGL();
    model.mesh.reset(mesh);
  }
}

void Page::unloadModels() {
  for (Model& model : models) emptyHandle(model.mesh);
}

// Each model at its place, turned by the user's rotation and then its own,
// brightly lit; a model not loaded ends the list.
void Page::drawModels() {
  static const GLfloat bright[4] = {2, 2, 2, 1}, normal[4] = {1, 1, 1, 1};
  for (Model& model : models) {
    if (!model.mesh.dataPtr) return;
    glPushMatrix();
    glTranslatef(model.tx, model.ty, model.tz);
    glRotatef(viewer.modelRotationX, 1, 0, 0);
    glRotatef(viewer.modelRotationY, 0, 1, 0);
    glRotatef(model.rx, 1, 0, 0);
    glRotatef(model.ry, 0, 1, 0);
    glRotatef(model.rz, 0, 0, 1);
    glScalef(model.scale, model.scale, model.scale);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1, 1, 1);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, bright);
    model.mesh->draw(0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, normal);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3f(1, 1, 1);
    glPopMatrix();
  }
}
