#include "transitions/transition.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/quads/quads.h"
#include "app/state/viewer_state.h"
#include "content/description_file.h"
#include "images/slide_texture.h"
#include "transitions/transition_burn.h"
#include "transitions/transition_fly_left.h"
#include "transitions/transition_pull_left.h"
#include "transitions/transition_squares_fly.h"

namespace {

PageList* transitionPages = nullptr;
int lastReportedPage = -2;  // one line per missing page, not one per frame

SlideTexture* pageTexture(int index) {
  const bool inList = transitionPages && index >= 0 && index < int(transitionPages->size());
  // The handle's dereference stops the program on an empty page handle.
  SlideTexture* texture = inList ? (*transitionPages)[size_t(index)]->texture : nullptr;
  if (!texture && index != lastReportedPage) {
    std::fprintf(stderr, "transition: page %d has no picture loaded, nothing drawn\n", index);
    lastReportedPage = index;
  }
  return texture;
}

template <class Kind>
Transition* make(const DescriptionNode& section, int fromPage, int toPage) {
  return new Kind(section, fromPage, toPage);
}

struct TransitionKind {
  const char* keyword;
  Transition* (*create)(const DescriptionNode&, int, int);
};

const TransitionKind transitionKinds[] = {
    {"HARD", make<TransitionHard>},
    {"BLEND", make<TransitionBlend>},
    {"SCROLL_LEFT", make<TransitionScrollLeft>},
    {"FLY_LEFT", make<TransitionFlyLeft>},
    {"SQUARES_FLY", make<TransitionSquaresFly>},
    {"PULL_LEFT", make<TransitionPullLeft>},
    {"BURN", make<TransitionBurn>},
};

}  // namespace

Transition::Transition(const DescriptionNode& section, int fromPage, int toPage)
    : duration(viewer.transitionDuration), from(fromPage), to(toPage) {
  if (const DescriptionKey* key = section.findKey("duration"))
    duration = durationFromText(key->value(), duration);
}

float durationFromText(const std::string& text, float fallback) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(value)) {
    std::fprintf(stderr, "transition: duration \"%s\" is not a finite number, using %g s\n",
                 text.c_str(), double(fallback));
    return fallback;
  }
  if (value <= 0) return hardCutSeconds;
  if (value > longestTransitionSeconds) {
    std::fprintf(stderr, "transition: duration \"%s\" is longer than %g s, using %g s\n",
                 text.c_str(), double(longestTransitionSeconds), double(longestTransitionSeconds));
    return longestTransitionSeconds;
  }
  return float(value);
}

Transition::Transition(int fromPage, int toPage, float transitionDuration)
    : duration(transitionDuration), from(fromPage), to(toPage) {}

void Transition::start() {}

void Transition::finish() {}

SlideTexture* Transition::fromTexture() const {
  return pageTexture(from);
}

SlideTexture* Transition::toTexture() const {
  return pageTexture(to);
}

bool Transition::texturesPastStart(float progress, SlideTexture*& fromPicture,
                                   SlideTexture*& toPicture) const {
  fromPicture = fromTexture();
  if (!fromPicture) return false;
  if (progress == 0) {
    drawWholePage(*fromPicture);
    return false;
  }
  toPicture = toTexture();
  return toPicture != nullptr;
}

void Transition::drawWholePage(SlideTexture& texture) {
  texture.bind();
  drawSlideQuad(texture.uExtent, texture.vExtent);
}

void registerTransitionPages(PageList* pages) {
  transitionPages = pages;
  lastReportedPage = -2;
}

Transition* createTransition(const std::string& type, const DescriptionNode& section, int fromPage,
                             int toPage) {
  for (const TransitionKind& kind : transitionKinds) {
    if (type == kind.keyword) return kind.create(section, fromPage, toPage);
  }
  return nullptr;
}
