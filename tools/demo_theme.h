#pragma once
// The look of the demo presentation's pages: 1024 x 768, dark blue with
// light text and one warm accent, sized to be read from the back of a room.
#include <string>
#include <vector>

#include "canvas.h"
#include "stroke_font.h"

namespace demo {

const int pageWidth = 1024, pageHeight = 768;

extern const art::Color accent;     // warm orange, also the viewer's overlay colour
extern const art::Color ink;        // body text
extern const art::Color muted;      // secondary text
extern const art::Color codeTag;    // tags in code boxes
extern const art::Color codeValue;  // values in code boxes

art::TextStyle style(float size, float weight = 0.12f);

art::Canvas pageBackground();
void drawTitle(art::Canvas& page, const std::string& title);
// Slide number and the transition that follows this slide.
void drawFooter(art::Canvas& page, int slide, int slideCount, const std::string& next);

struct Bullet {
  std::string text;
  std::string note;  // a smaller second line, may be empty
};
// The first shown bullets, from baseline top; the last shown one is bright,
// the earlier ones slightly dimmer, so a page that adds a bullet shows it.
void drawBullets(art::Canvas& page, const std::vector<Bullet>& bullets, int shown, float left,
                 float top, float step, float size = 28);

// A dark box of description-file lines: tags, keys and values coloured.
// Returns the box's bottom edge.
float drawCodeBox(art::Canvas& page, float left, float top, float width,
                  const std::vector<std::string>& lines, float size = 20);

// A keyboard key cap with its label; returns its width.
float drawKeyCap(art::Canvas& page, float left, float baseline, const std::string& label,
                 float size = 17);

// A rounded tag of text on a tinted background; returns its width.
float drawPill(art::Canvas& page, float left, float baseline, const std::string& text, float size,
               art::Color textColor, art::Color fillColor);

}  // namespace demo
