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
  // Owned. Made at construction, or with a picture preparer active left
  // null until takeThumbnail (the strip shows a placeholder meanwhile).
  SlideTexture* thumbnail = nullptr;
  // The picture the thumbnail is made of, and whether it is shrunk to one.
  std::string thumbnailSource;
  bool thumbnailShrinks = true;
  // With a preparer: queues the thumbnail's preparation.
  void prepareThumbnail(int priority) const;
  // With a preparer: makes the thumbnail once its preparation has ended
  // (or at once when finished is set); true when it was made.
  bool takeThumbnail(bool evenUnfinished);

 private:
  void makeThumbnail();
  mutable bool thumbnailAsked = false;
};
