#include "content/slide.h"

#include "content/description_file.h"
#include "images/slide_texture.h"

namespace {

// The slide's last page shrunk to a thumbnail. A slide without pages has no
// picture of its own (nor one before it, for the first slide): its thumbnail
// is made from an empty name, which the texture layer shows as a picture it
// could not load.
SlideTexture* thumbnailOfLastPage(const PageList& pages, int firstPage, int lastPage) {
  const char* name = "";
  if (lastPage >= firstPage) name = pages[size_t(lastPage)]->fileName.c_str();
  return new SlideTexture(name, true, true);
}

}  // namespace

Slide::Slide(const DescriptionNode& section, PageList& pages, const std::string& basePath) {
  firstPage = int(pages.size());
  for (const DescriptionNode& child : section.children)
    if (child.hasName("Image")) pages.push_back(SmartPtr<Page>(new Page(child, basePath)));
  lastPage = int(pages.size()) - 1;

  // An explicit thumbnail picture is used at its own size.
  if (const DescriptionKey* key = section.findKey("thumbnail"))
    thumbnail = new SlideTexture((basePath + key->value()).c_str(), true, false);
  else
    thumbnail = thumbnailOfLastPage(pages, firstPage, lastPage);
  clampTextureWrap();
}

Slide::Slide(const std::string& fileName, PageList& pages, const std::string& basePath) {
  firstPage = lastPage = int(pages.size());
  pages.push_back(SmartPtr<Page>(new Page(fileName, basePath)));
  thumbnail = thumbnailOfLastPage(pages, firstPage, lastPage);
  clampTextureWrap();
}

Slide::~Slide() {
  delete thumbnail;
}
