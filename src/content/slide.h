#pragma once
#include <string>

#include "content/page.h"

class SlideTexture;

// A run of consecutive pages under one thumbnail.
class Slide {
 public:
  // From a "Slide" section: its "Image" sections are appended to pages.
  Slide(const DescriptionNode& section, PageList& pages, const std::string& basePath);
  // A one-page slide of a bare file name (directory mode).
  Slide(const std::string& fileName, PageList& pages, const std::string& basePath);
  ~Slide();
  Slide(const Slide&) = delete;
  Slide& operator=(const Slide&) = delete;

  int firstPage = 0;
  int lastPage = -1;
  SlideTexture* thumbnail = nullptr;  // owned, never null after construction
};
