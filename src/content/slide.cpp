#include "content/slide.h"

#include "content/description_file.h"
#include "images/picture_preparer.h"
#include "images/slide_texture.h"

namespace {

// The slide's last page is shrunk to a thumbnail. A slide without pages has
// no picture of its own (nor one before it, for the first slide): its
// thumbnail is made from an empty name, which the texture layer shows as a
// picture it could not load.
std::string lastPageName(const PageList& pages, int firstPage, int lastPage) {
  return lastPage >= firstPage ? pages[size_t(lastPage)]->fileName : std::string();
}

}  // namespace

void Slide::makeThumbnail() {
  if (activePicturePreparer()) return;  // made by the workers
  thumbnail = new SlideTexture(thumbnailSource.c_str(), true, thumbnailShrinks);
  clampTextureWrap();
}

void Slide::prepareThumbnail(int priority) const {
  if (PicturePreparer* preparer = activePicturePreparer())
    if (!thumbnail) {
      preparer->prepare(thumbnailSource, thumbnailShrinks, priority);
      thumbnailAsked = true;
    }
}

bool Slide::takeThumbnail(bool evenUnfinished) {
  PicturePreparer* preparer = activePicturePreparer();
  if (thumbnail || !preparer || (!thumbnailAsked && !evenUnfinished)) return false;
  // Not in preparation any more (a page took the same picture): made now.
  if (!evenUnfinished && preparer->isPrepared(thumbnailSource, thumbnailShrinks) &&
      !preparer->isReady(thumbnailSource, thumbnailShrinks))
    return false;
  thumbnail = preparer->take(thumbnailSource, thumbnailShrinks);
  clampTextureWrap();
  return true;
}

Slide::Slide(const DescriptionNode& section, PageList& pages, const std::string& basePath) {
  firstPage = int(pages.size());
  for (const DescriptionNode& child : section.children)
    if (child.hasName("Image")) pages.push_back(SmartPtr<Page>(new Page(child, basePath)));
  lastPage = int(pages.size()) - 1;

  // An explicit thumbnail picture is used at its own size.
  if (const DescriptionKey* key = section.findKey("thumbnail")) {
    thumbnailSource = basePath + key->value();
    thumbnailShrinks = false;
  } else {
    thumbnailSource = lastPageName(pages, firstPage, lastPage);
  }
  makeThumbnail();
}

Slide::Slide(const std::string& fileName, PageList& pages, const std::string& basePath) {
  firstPage = lastPage = int(pages.size());
  pages.push_back(SmartPtr<Page>(new Page(fileName, basePath)));
  thumbnailSource = lastPageName(pages, firstPage, lastPage);
  makeThumbnail();
}

Slide::~Slide() {
  delete thumbnail;
}
