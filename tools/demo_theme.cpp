#include "demo_theme.h"

#include <cmath>

using namespace art;

namespace demo {

const Color accent = rgb(0xffb03a);
const Color ink = rgb(0xe9eef7);
const Color muted = rgb(0x93a5c2);
const Color codeTag = rgb(0x7fd0ff);
const Color codeValue = rgb(0xffc870);

TextStyle style(float size, float weight) {
  TextStyle s;
  s.size = size;
  s.weight = weight;
  return s;
}

Canvas pageBackground() {
  Canvas page(pageWidth, pageHeight);
  page.fill(roundedRect(0, 0, pageWidth, pageHeight, 0),
            linearGradient({0, 0}, rgb(0x172544), {0, float(pageHeight)}, rgb(0x0a1020)));
  // A soft light from the upper right and a few faint diagonal bands.
  page.fill(circle(900, 60, 520),
            radialGradient({900, 60}, 520, rgb(0x2a4a80, 0.35f), rgb(0x2a4a80, 0)));
  for (int k = 0; k < 3; ++k) {
    float x = 700 + k * 90;
    page.fill(polygon({{x, 768}, {x + 60, 768}, {x + 300, 420}, {x + 240, 420}}),
              linearGradient({0, 768}, rgb(0x3a6ab0, 0.06f), {0, 420}, rgb(0x3a6ab0, 0)));
  }
  return page;
}

void drawTitle(Canvas& page, const std::string& title) {
  drawTextWithShadow(page, title, 72, 118, style(46, 0.15f), rgb(0xffffff), Color{0, 0, 0, 0.5f});
  page.fill(roundedRect(72, 144, 196, 151, 3.5f), accent);
}

void drawFooter(Canvas& page, int slide, int slideCount, const std::string& next) {
  // Kept above 738 so that the viewer's clock in the corner stays clear.
  const float baseline = 728;
  page.fill(roundedRect(72, 696, 952, 697.5f, 0.75f), rgb(0x31446a));
  drawText(page, "Quorvex", 72, baseline, style(15, 0.16f), muted);
  std::string number = "slide " + std::to_string(slide) + " of " + std::to_string(slideCount);
  drawText(page, number, 512 - textWidth(number, style(14)) / 2, baseline, style(14), muted);
  if (next.empty()) return;
  float width = textWidth(next, style(14, 0.13f)) + 28;
  drawPill(page, 952 - width, baseline, next, 14, accent, rgb(0xffb03a, 0.14f));
}

void drawBullets(Canvas& page, const std::vector<Bullet>& bullets, int shown, float left, float top,
                 float step, float size) {
  for (int i = 0; i < shown && i < int(bullets.size()); ++i) {
    float baseline = top + i * step;
    bool newest = i == shown - 1;
    Color text = newest ? rgb(0xffffff) : ink;
    page.fill(circle(left + 8, baseline - size * 0.5f, size * 0.2f), accent);
    drawTextWithShadow(page, bullets[i].text, left + 34, baseline, style(size), text,
                       Color{0, 0, 0, 0.35f});
    if (!bullets[i].note.empty())
      drawText(page, bullets[i].note, left + 34, baseline + size * 1.3f, style(size * 0.68f),
               muted);
  }
}

float drawCodeBox(Canvas& page, float left, float top, float width,
                  const std::vector<std::string>& lines, float size) {
  float lineHeight = size * 1.6f;
  float bottom = top + 28 + lineHeight * lines.size();
  page.fill(roundedRect(left + 4, top + 6, left + width + 4, bottom + 6, 14), Color{0, 0, 0, 0.35f},
            8);
  page.fill(roundedRect(left, top, left + width, bottom, 14),
            linearGradient({0, top}, rgb(0x0d1628), {0, bottom}, rgb(0x080d18)));
  page.fill(
      subtract(roundedRect(left, top, left + width, bottom, 14),
               roundedRect(left + 1.5f, top + 1.5f, left + width - 1.5f, bottom - 1.5f, 12.5f)),
      rgb(0x2f4870));
  TextStyle code = style(size, 0.12f);
  float baseline = top + 14 + lineHeight * 0.5f + size * 0.5f;
  for (const std::string& text : lines) {
    float x = left + 24;
    size_t equals = text.find('=');
    if (!text.empty() && text[0] == '<') {
      drawText(page, text, x, baseline, code, codeTag);
    } else if (equals != std::string::npos) {
      std::string key = text.substr(0, equals + 1), value = text.substr(equals + 1);
      drawText(page, key, x, baseline, code, ink);
      drawText(page, value, x + textWidth(key + "x", code) - textWidth("x", code), baseline, code,
               codeValue);
    } else {
      drawText(page, text, x, baseline, code, muted);
    }
    baseline += lineHeight;
  }
  return bottom;
}

float drawKeyCap(Canvas& page, float left, float baseline, const std::string& label, float size) {
  TextStyle text = style(size, 0.14f);
  float width = std::fmax(size * 2.2f, textWidth(label, text) + size * 1.3f);
  float top = baseline - size * 1.55f, bottom = baseline + size * 0.6f;
  page.fill(roundedRect(left, top + 3, left + width, bottom + 3, 7), rgb(0x050a14));
  page.fill(roundedRect(left, top, left + width, bottom, 7),
            linearGradient({0, top}, rgb(0x3a4f78), {0, bottom}, rgb(0x223352)));
  page.fill(subtract(roundedRect(left, top, left + width, bottom, 7),
                     roundedRect(left + 1.2f, top + 1.2f, left + width - 1.2f, bottom - 1.2f, 6)),
            rgb(0x5f7bad, 0.8f));
  drawText(page, label, left + (width - textWidth(label, text)) / 2, baseline, text, rgb(0xffffff));
  return width;
}

float drawPill(Canvas& page, float left, float baseline, const std::string& text, float size,
               Color textColor, Color fillColor) {
  TextStyle s = style(size, 0.13f);
  float width = textWidth(text, s) + size * 2;
  float top = baseline - size * 1.6f, bottom = baseline + size * 0.6f;
  page.fill(roundedRect(left, top, left + width, bottom, (bottom - top) / 2), fillColor);
  drawText(page, text, left + size, baseline, s, textColor);
  return width;
}

}  // namespace demo
