#include "stroke_font.h"

#include <cmath>
#include <cstdlib>
#include <map>

namespace art {

namespace {

// Glyphs in units where the cap height is 10, the x-height 7, descenders
// reach -3.5, y up, ink from x = 0 to the width. Strokes are written in a
// tiny path language: "M x y" starts a stroke, "L x y" draws to a point,
// "A cx cy rx ry from to" follows an elliptic arc (degrees, counter-clockwise
// positive; it continues the open stroke or starts one at its first point),
// "D x y" is a dot and "|" ends the open stroke.
struct GlyphSource {
  char character;
  float width;
  const char* path;
};

const GlyphSource glyphSources[] = {
    {'A', 6.4f, "M0 0 L3.2 10 L6.4 0 M1.15 3.3 L5.25 3.3"},
    {'B', 6,
     "M0 0 L0 10 L3 10 A3 7.6 2.4 2.4 90 -90 L0 5.2 M0 5.2 L3.3 5.2 A3.3 2.6 2.7 2.6 90 -90 L0 0"},
    {'C', 6.9f, "A4.1 5 4.1 5 48 312"},
    {'D', 6.8f, "M0 0 L0 10 L2.2 10 A2.2 5 4.6 5 90 -90 L0 0"},
    {'E', 5.4f, "M5.4 10 L0 10 L0 0 L5.4 0 M0 5.1 L4.6 5.1"},
    {'F', 5.2f, "M5.2 10 L0 10 L0 0 M0 5.1 L4.5 5.1"},
    {'G', 8.2f, "A4.1 5 4.1 5 50 360 L4.6 5"},
    {'H', 6.4f, "M0 0 L0 10 M6.4 0 L6.4 10 M0 5.1 L6.4 5.1"},
    {'I', 0, "M0 0 L0 10"},
    {'J', 4.4f, "M4.4 10 L4.4 3.2 A2.2 3.2 2.2 3.2 0 -170"},
    {'K', 6, "M0 0 L0 10 M5.8 10 L0 3.6 M2.1 5.9 L6 0"},
    {'L', 5, "M0 10 L0 0 L5 0"},
    {'M', 8, "M0 0 L0 10 L4 2 L8 10 L8 0"},
    {'N', 6.6f, "M0 0 L0 10 L6.6 0 L6.6 10"},
    {'O', 8.4f, "A4.2 5 4.2 5 0 360"},
    {'P', 6, "M0 0 L0 10 L3.4 10 A3.4 7.3 2.6 2.7 90 -90 L0 4.6"},
    {'Q', 8.4f, "A4.2 5 4.2 5 0 360 M5.2 2.4 L8.2 -0.6"},
    {'R', 6.2f, "M0 0 L0 10 L3.4 10 A3.4 7.3 2.6 2.7 90 -90 L0 4.6 M3.4 4.6 L6.2 0"},
    {'S', 6, "A2.9 7.5 2.7 2.5 25 270 A3.05 2.5 2.95 2.5 90 -155"},
    {'T', 6.4f, "M0 10 L6.4 10 M3.2 10 L3.2 0"},
    {'U', 6.4f, "M0 10 L0 3.4 A3.2 3.4 3.2 3.4 180 360 L6.4 10"},
    {'V', 6.6f, "M0 10 L3.3 0 L6.6 10"},
    {'W', 9.6f, "M0 10 L2.3 0 L4.8 8.4 L7.3 0 L9.6 10"},
    {'X', 6.4f, "M0 10 L6.4 0 M6.4 10 L0 0"},
    {'Y', 6.4f, "M0 10 L3.2 5 L6.4 10 M3.2 5 L3.2 0"},
    {'Z', 6, "M0 10 L6 10 L0 0 L6 0"},
    {'a', 6, "A3 3.5 3 3.5 0 360 | M6 7 L6 0"},
    {'b', 6, "M0 10 L0 0 | A3 3.5 3 3.5 0 360"},
    {'c', 5.2f, "A3 3.5 3 3.5 45 315"},
    {'d', 6, "A3 3.5 3 3.5 0 360 | M6 10 L6 0"},
    {'e', 6, "M0.1 3.5 L6 3.5 A3 3.5 3 3.5 0 315"},
    {'f', 4.2f, "A3.1 8 1.9 2 55 180 L1.2 0 | M0 7 L3.8 7"},
    {'g', 6, "A3 3.5 3 3.5 0 360 | M6 7 L6 -0.8 A3 -0.8 3 2.6 0 -160"},
    {'h', 6, "M0 10 L0 0 | M0 4 A3 4 3 3 180 0 L6 0"},
    {'i', 0, "M0 0 L0 7 D0 9.7"},
    {'j', 2.4f, "M2.4 7 L2.4 -1 A0.6 -1 1.8 2.4 0 -150 D2.4 9.7"},
    {'k', 5.4f, "M0 10 L0 0 | M5.2 7 L0 2.6 | M2 4.2 L5.4 0"},
    {'l', 0, "M0 10 L0 0"},
    {'m', 9.6f,
     "M0 0 L0 7 | M0 4.6 A2.4 4.6 2.4 2.4 180 0 L4.8 0 | M4.8 4.6 A7.2 4.6 2.4 2.4 180 0 L9.6 0"},
    {'n', 6, "M0 0 L0 7 | M0 4 A3 4 3 3 180 0 L6 0"},
    {'o', 6.4f, "A3.2 3.5 3.2 3.5 0 360"},
    {'p', 6, "M0 7 L0 -3.5 | A3 3.5 3 3.5 0 360"},
    {'q', 6, "A3 3.5 3 3.5 0 360 | M6 7 L6 -3.5"},
    {'r', 4.5f, "M0 0 L0 7 | M0 4 A3.6 4 3.6 3 180 75"},
    {'s', 5, "A2.45 5.25 2.25 1.75 30 270 A2.55 1.75 2.45 1.75 90 -150"},
    {'t', 4, "M1.4 9.6 L1.4 1.8 A3.2 1.8 1.8 1.8 180 285 | M0 7 L4 7"},
    {'u', 6, "M0 7 L0 3 A3 3 3 3 180 360 | M6 7 L6 0"},
    {'v', 5.8f, "M0 7 L2.9 0 L5.8 7"},
    {'w', 8.4f, "M0 7 L2.1 0 L4.2 6 L6.3 0 L8.4 7"},
    {'x', 5.6f, "M0 7 L5.6 0 | M5.6 7 L0 0"},
    {'y', 5.8f, "M0 7 L2.9 0 | M5.8 7 L1.6 -3.5"},
    {'z', 5.4f, "M0 7 L5.4 7 L0 0 L5.4 0"},
    {'0', 6, "A3 5 3 5 0 360"},
    {'1', 3, "M0 7.8 L3 10 L3 0"},
    {'2', 6.2f, "A3 7 3 3 165 -38 L0 0 L6.2 0"},
    {'3', 6.1f, "A2.9 7.6 2.7 2.4 150 -90 A3 2.6 3.1 2.6 90 -150"},
    {'4', 6.4f, "M4.6 0 L4.6 10 L0 3 L6.4 3"},
    {'5', 6.2f, "M5.6 10 L0.9 10 L0.6 5.4 A3 3.2 3.2 3.2 137 -150"},
    {'6', 6, "A3 3.1 3 3.1 0 360 | M0 3.1 L0 5 A4.4 5 4.4 5 180 68"},
    {'7', 6, "M0 10 L6 10 L1.8 0"},
    {'8', 6, "A3 7.6 2.6 2.4 0 360 | A3 2.7 3 2.7 0 360"},
    {'9', 6, "A3 6.9 3 3.1 0 360 | M6 6.9 L6 5 A1.6 5 4.4 5 0 -112"},
    {'.', 0, "D0 0"},
    {',', 0.6f, "M0.6 0.4 L-0.3 -1.9"},
    {':', 0, "D0 0 D0 6"},
    {';', 0.6f, "D0.6 6 M0.6 0.4 L-0.3 -1.9"},
    {'!', 0, "M0 10 L0 3.2 D0 0"},
    {'?', 5, "A2.5 7.5 2.5 2.5 160 -70 L2.5 3.2 D2.5 0"},
    {'-', 3.6f, "M0 4 L3.6 4"},
    {'+', 5.6f, "M0 4.4 L5.6 4.4 M2.8 1.6 L2.8 7.2"},
    {'=', 5.6f, "M0 5.6 L5.6 5.6 M0 3 L5.6 3"},
    {'/', 4.6f, "M0 -1 L4.6 10.6"},
    {'\\', 4.6f, "M0 10.6 L4.6 -1"},
    {'(', 2, "A4.2 4.5 4 6.8 125 235"},
    {')', 1.8f, "A-2.2 4.5 4 6.8 55 -55"},
    {'[', 2.4f, "M2.4 10.6 L0 10.6 L0 -1.4 L2.4 -1.4"},
    {']', 2.4f, "M0 10.6 L2.4 10.6 L2.4 -1.4 L0 -1.4"},
    {'<', 5.4f, "M5.4 8 L0 4.4 L5.4 0.8"},
    {'>', 5.4f, "M0 8 L5.4 4.4 L0 0.8"},
    {'"', 2.4f, "M0 10 L0 7.4 M2.4 10 L2.4 7.4"},
    {'\'', 0, "M0 10 L0 7.4"},
    {'_', 6, "M0 -1.6 L6 -1.6"},
    {'*', 5, "M2.5 10 L2.5 5 M0.3 8.75 L4.7 6.25 M0.3 6.25 L4.7 8.75"},
    {'#', 6.4f, "M2 0 L2.8 10 M4.6 0 L5.4 10 M0.6 6.6 L6.4 6.6 M0 3.4 L5.8 3.4"},
    {'%', 7.6f, "A1.6 8 1.6 2 0 360 | A6 2 1.6 2 0 360 | M6.6 10 L1 0"},
    {'|', 0, "M0 -1.5 L0 10.5"},
    {'~', 5.6f, "A1.4 4 1.4 1.2 180 0 A4.2 4 1.4 1.2 180 360"},
    {'^', 5, "M0 6.6 L2.5 10 L5 6.6"},
    {'&', 6.6f, "M6.6 0 L1.2 6.4 A2.6 8 1.9 2 220 -40 L0.6 3 A2.6 2.6 2.6 2.6 160 320 L6.2 4"},
};

struct Glyph {
  float width = 0;
  std::vector<std::vector<Point>> strokes;  // font units, y up
};

Glyph parseGlyph(const GlyphSource& source) {
  Glyph glyph;
  glyph.width = source.width;
  const char* p = source.path;
  bool open = false;
  auto number = [&p]() {
    char* end = nullptr;
    float value = std::strtof(p, &end);
    p = end;
    return value;
  };
  while (*p) {
    char command = *p++;
    switch (command) {
      case 'M':
      case 'D': {
        float x = number(), y = number();
        glyph.strokes.push_back({{x, y}});
        open = command == 'M';
        break;
      }
      case 'L': {
        float x = number(), y = number();
        if (!open) glyph.strokes.push_back({});
        glyph.strokes.back().push_back({x, y});
        open = true;
        break;
      }
      case 'A': {
        float cx = number(), cy = number(), rx = number(), ry = number();
        float from = number(), to = number();
        if (!open) glyph.strokes.push_back({});
        int steps = std::max(6, int(std::ceil(std::fabs(to - from) / 7.5f)));
        for (int i = 0; i <= steps; ++i) {
          float angle = (from + (to - from) * float(i) / float(steps)) * float(M_PI) / 180;
          glyph.strokes.back().push_back({cx + rx * std::cos(angle), cy + ry * std::sin(angle)});
        }
        open = true;
        break;
      }
      case '|':
        open = false;
        break;
      default:
        break;  // blanks
    }
  }
  return glyph;
}

const std::map<char, Glyph>& glyphs() {
  static const std::map<char, Glyph> table = [] {
    std::map<char, Glyph> made;
    for (const GlyphSource& source : glyphSources) made[source.character] = parseGlyph(source);
    return made;
  }();
  return table;
}

const float spaceWidth = 3.6f;
const float letterGap = 1.7f;  // ink gap between letters, font units

float advance(char c, const TextStyle& style) {
  float strokeUnits = style.weight * 10;
  auto it = glyphs().find(c);
  float width = it == glyphs().end() ? spaceWidth : it->second.width + strokeUnits + letterGap;
  if (c == ' ') width = spaceWidth;
  return (width + style.tracking * 10) * style.size / 10;
}

}  // namespace

float textWidth(const std::string& text, const TextStyle& style) {
  float width = 0;
  for (char c : text) width += advance(c, style);
  // The last letter's trailing gap is not part of the text.
  if (!text.empty() && text.back() != ' ')
    width -= (letterGap + style.tracking * 10) * style.size / 10;
  return width;
}

std::vector<Shape> textShapes(const std::string& text, float x, float baseline,
                              const TextStyle& style) {
  std::vector<Shape> shapes;
  float scale = style.size / 10;
  float strokePixels = style.weight * style.size;
  float pen = x + strokePixels / 2;  // the ink of the first stroke starts at x
  for (char c : text) {
    auto it = glyphs().find(c);
    if (c != ' ' && it != glyphs().end()) {
      std::vector<std::vector<Point>> lines;
      for (const auto& stroke : it->second.strokes) {
        std::vector<Point> points;
        for (const Point& p : stroke) points.push_back({pen + p.x * scale, baseline - p.y * scale});
        lines.push_back(std::move(points));
      }
      shapes.push_back(strokes(std::move(lines), strokePixels));
    }
    pen += advance(c, style);
  }
  return shapes;
}

void drawText(Canvas& canvas, const std::string& text, float x, float baseline,
              const TextStyle& style, const Paint& paint) {
  for (const Shape& shape : textShapes(text, x, baseline, style)) canvas.fill(shape, paint);
}

void drawText(Canvas& canvas, const std::string& text, float x, float baseline,
              const TextStyle& style, Color color) {
  drawText(canvas, text, x, baseline, style, solid(color));
}

void drawTextWithShadow(Canvas& canvas, const std::string& text, float x, float baseline,
                        const TextStyle& style, Color color, Color shadow) {
  float offset = std::max(1.f, style.size * 0.06f);
  for (const Shape& shape : textShapes(text, x + offset, baseline + offset, style))
    canvas.fill(grow(shape, offset * 0.5f), shadow, offset * 1.5f);
  drawText(canvas, text, x, baseline, style, color);
}

}  // namespace art
