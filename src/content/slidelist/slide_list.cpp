#include "content/slidelist/slide_list.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>

#include "app/state/viewer_state.h"
#include "content/description_file.h"
#include "platform/directory.h"
#include "platform/paths.h"
#include "transitions/transition.h"

namespace {

// Console lines go out at once: the viewer's output is often a pipe.
__attribute__((format(printf, 1, 2))) void report(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vprintf(format, arguments);
  va_end(arguments);
  std::fflush(stdout);
}

// A folder opens like a file of no lines on this platform; the loader must
// see it as a name that cannot be read as a description file.
bool isDirectory(const std::string& path) {
  struct stat info;
  return stat(nativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The "QVX" section: overlay colour, default transition duration, the
// progress indicator and the turning of photographs. Absent keys leave the viewer's defaults.
void applySettings(const DescriptionNode& settings) {
  const char* colourKeys[3] = {"uColorR", "uColorG", "uColorB"};
  for (int c = 0; c < 3; ++c)
    if (const DescriptionKey* key = settings.findKey(colourKeys[c]))
      viewer.uColor[c] = float(key->valueAsInt()) * (1.0f / 255);  // not clamped
  if (const DescriptionKey* key = settings.findKey("TransitionDuration"))
    viewer.transitionDuration = durationFromText(key->value(), viewer.transitionDuration);
  if (const DescriptionKey* key = settings.findKey("ShowProgressPosition"))
    viewer.showProgressPosition = key->valueAsInt() != 0;
  if (const DescriptionKey* key = settings.findKey("AutoRotate"))
    viewer.autoRotate = key->valueAsInt() != 0;
}

// The "path" key verbatim, else the description file's absolute directory
// with its trailing separator.
std::string basePathOf(const DescriptionNode& list, const std::string& descriptionPath) {
  if (const DescriptionKey* key = list.findKey("path")) return key->value();
  return directoryOf(fullPathName(descriptionPath));
}

void readSlides(SlideList& slideList, const DescriptionNode& list, const std::string& basePath) {
  publishPageList(&slideList.pages);
  for (const DescriptionNode& child : list.children)
    if (child.hasName("Slide"))
      slideList.slides.push_back(SmartPtr<Slide>(new Slide(child, slideList.pages, basePath)));
}

// Every *.jpg, then every *.png of the directory, each a one-page slide.
// The first file of each pass is added silently.
void readDirectory(SlideList& slideList, const std::string& directory) {
  const std::string basePath = fullPathName(directory) + "/";
  publishPageList(&slideList.pages);
  for (const char* wildcard : {"\\*.jpg", "\\*.png"}) {
    const std::vector<std::string> names = findMatchingFiles(basePath + wildcard);
    for (size_t n = 0; n < names.size(); ++n) {
      if (n > 0) report("adding image: %s\n", names[n].c_str());
      slideList.slides.push_back(SmartPtr<Slide>(new Slide(names[n], slideList.pages, basePath)));
    }
  }
}

// The k-th "Transition" section that has a "type" goes after slide k,
// wherever it stands among the slides. Sections that reach no gap between
// two pages (past the last slide, after the last page, or after a slide
// without pages) are skipped but still counted.
void placeTransitions(SlideList& slideList, const DescriptionNode& list) {
  int k = 0;
  for (const DescriptionNode& child : list.children) {
    if (!child.hasName("Transition")) continue;
    const DescriptionKey* type = child.findKey("type");
    if (!type) continue;
    const int slideIndex = k++;
    if (slideIndex >= slideList.slideCount()) continue;
    const Slide& slide = slideList.slide(slideIndex);
    if (slide.lastPage < slide.firstPage) continue;
    const int from = slide.lastPage;
    if (from < 0 || from >= slideList.transitionCount()) continue;
    if (Transition* transition = createTransition(type->value(), child, from, from + 1))
      slideList.transitions[size_t(from)].reset(transition);
  }
}

}  // namespace

SlideList::~SlideList() {
  if (publishedPageList() == &pages) publishPageList(nullptr);
  slides.clear();
  transitions.clear();
  pages.clear();
}

bool SlideList::load(const std::string& path) {
  DescriptionFile file;
  const DescriptionNode* list = nullptr;

  if (isDirectory(path) || !file.parse(path)) {
    if (file.errorLine() >= 0) {
      report("error while parsing %s @ line %i\n", path.c_str(), file.errorLine());
      return false;
    }
    report("could not open slide list file, trying to interpret %s as directory...\n",
           path.c_str());
    readDirectory(*this, path);
  } else {
    report("reading slide list description file...\n");
    if (const DescriptionNode* settings = file.findSection("QVX")) applySettings(*settings);
    list = file.findSection("SlideList");
    if (!list) return false;
    readSlides(*this, *list, basePathOf(*list, path));
  }

  if (pages.empty()) return false;

  registerTransitionPages(&pages);
  transitions.assign(pages.size() - 1, SmartPtr<Transition>());
  if (list) placeTransitions(*this, *list);
  for (size_t i = 0; i < transitions.size(); ++i)
    if (!transitions[i].dataPtr) transitions[i].reset(new TransitionBlend(int(i), int(i) + 1));

  report(" ...ready\n");
  return true;
}
