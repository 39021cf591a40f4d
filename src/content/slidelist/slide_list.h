#pragma once
#include <string>
#include <vector>

#include "content/page.h"
#include "content/slide.h"
#include "smartptr"
#include "transitions/transition.h"  // the handles delete transitions

// The presentation: slides, one transition per pair of neighbouring pages,
// and all pages in order, addressed by index everywhere.
class SlideList {
 public:
  SlideList() = default;
  // Empties the lists in the order slides, transitions, pages.
  ~SlideList();
  SlideList(const SlideList&) = delete;
  SlideList& operator=(const SlideList&) = delete;

  // Reads a description file, or a directory of pictures when path cannot
  // be opened as a file. Writes the "QVX" settings into the viewer state.
  bool load(const std::string& path);

  int slideCount() const { return int(slides.size()); }
  int transitionCount() const { return int(transitions.size()); }
  int pageCount() const { return int(pages.size()); }
  // Raw objects; an index outside the list throws std::out_of_range.
  Slide& slide(int i) const { return *slides.at(size_t(i)).dataPtr; }
  Transition& transition(int i) const { return *transitions.at(size_t(i)).dataPtr; }
  Page& page(int i) const { return *pages.at(size_t(i)).dataPtr; }
  void loadPage(int i) { page(i).load(i); }
  void unloadPage(int i) { page(i).unload(); }

  std::vector<SmartPtr<Slide>> slides;
  std::vector<SmartPtr<Transition>> transitions;
  PageList pages;
};
