#pragma once
// A built-in geometric stroke font: every glyph is a few lines and elliptic
// arcs drawn as round-capped strokes, so text scales to any size and weight
// without a font file.
#include <string>
#include <vector>

#include "canvas.h"

namespace art {

struct TextStyle {
  float size = 24;       // cap height in pixels
  float weight = 0.13f;  // stroke width as a fraction of the cap height
  float tracking = 0;    // extra space between letters, fraction of the cap height
};

// Width in pixels of the text's advance (ink may reach half a stroke further).
float textWidth(const std::string& text, const TextStyle& style);

// One shape per glyph, laid out from the left end of the baseline; spaces
// and unknown characters give none.
std::vector<Shape> textShapes(const std::string& text, float x, float baseline,
                              const TextStyle& style);

void drawText(Canvas& canvas, const std::string& text, float x, float baseline,
              const TextStyle& style, const Paint& paint);
void drawText(Canvas& canvas, const std::string& text, float x, float baseline,
              const TextStyle& style, Color color);

// Text with a soft shadow below it, for pictures seen from afar.
void drawTextWithShadow(Canvas& canvas, const std::string& text, float x, float baseline,
                        const TextStyle& style, Color color, Color shadow);

}  // namespace art
