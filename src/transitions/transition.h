#pragma once
#include <string>

#include "content/page.h"

class DescriptionNode;
class SlideTexture;

// The change from one page to the next, drawn whole for one frame from a
// progress value (0 at the start, 1 at the end; may pass 1 slightly).
//
// Transitions own nothing: the seven kinds add no fields, and their per-run
// state lives in one store per kind, reset by start(). The destructor is
// virtual only so that deleting a kind through its base is well defined.
class Transition {
 public:
  virtual ~Transition() = default;
  // Reads "duration" from the section (see durationFromText), else the
  // viewer's transition duration.
  Transition(const DescriptionNode& section, int fromPage, int toPage);
  Transition(int fromPage, int toPage, float duration);

  virtual void start();
  virtual void finish();
  virtual void draw(float progress) = 0;

  int fromPage() const { return from; }
  int toPage() const { return to; }

  float duration;

 protected:
  // The picture textures of the two pages, through the registered page list.
  // An empty page handle stops the program (a programming error). A page
  // that is not loaded, an index outside the list or no registered list
  // answers null after one console line: the caller then draws nothing.
  SlideTexture* fromTexture() const;
  SlideTexture* toTexture() const;

  // Every kind but the cut shows the old page lying flat at progress 0.
  // Draws that frame (or nothing, when a page has no picture) and answers
  // false; otherwise hands out both textures for the kind's own drawing.
  bool texturesPastStart(float progress, SlideTexture*& fromPicture,
                         SlideTexture*& toPicture) const;
  // The page rectangle with the picture of the texture.
  static void drawWholePage(SlideTexture& texture);

  int from;
  int to;
};

// The length of the instant cut, and the longest transition there is: a
// longer one would hold the viewer in the transition, deaf to typed numbers
// and the strip, for as long.
constexpr float hardCutSeconds = 0.01f;
constexpr float longestTransitionSeconds = 60;

// A transition duration in seconds from a setting's text. Text that is not
// a finite number (nan, inf, no number at all) would make every progress
// value undefined: it gives fallback, with a warning line naming the text.
// 0 or below asks for no animation: the instant cut. Longer than the
// longest is capped, with a warning line.
float durationFromText(const std::string& text, float fallback);

// The page list every transition draws from; the slide list registers it
// once, after the pages exist.
void registerTransitionPages(PageList* pages);

// The kind named by keyword ("HARD", "BLEND", "SCROLL_LEFT", "FLY_LEFT",
// "SQUARES_FLY", "PULL_LEFT", "BURN"), compared exactly; null for a keyword
// that names none. The animated kinds are declared in their own headers.
Transition* createTransition(const std::string& type, const DescriptionNode& section, int fromPage,
                             int toPage);

class TransitionHard : public Transition {
 public:
  TransitionHard(const DescriptionNode& section, int fromPage, int toPage);
  void draw(float progress) override;
};

class TransitionBlend : public Transition {
 public:
  TransitionBlend(const DescriptionNode& section, int fromPage, int toPage);
  TransitionBlend(int fromPage, int toPage);  // default duration
  void draw(float progress) override;
};

class TransitionScrollLeft : public Transition {
 public:
  TransitionScrollLeft(const DescriptionNode& section, int fromPage, int toPage);
  void draw(float progress) override;
};
