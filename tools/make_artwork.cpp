// Draws the overlay atlas "qvx.png" (256 x 256) and the splash picture
// "splash.png" into the folder given as the only argument.
//
// Every atlas piece is drawn white or light grey with the shape in its
// alpha channel (the viewer tints it with its overlay colour), inside its
// region with a transparent margin, because linear filtering and mipmaps
// reach into neighbouring texels. Pieces that the viewer stretches are drawn
// on a canvas of the proportions they are shown at and then resampled into
// their region, so that their shapes come out round on screen.
#include <cmath>
#include <cstdio>
#include <string>

#include "canvas.h"
#include "stroke_font.h"

using namespace art;

namespace {

const Color white{1, 1, 1, 1};
const Color outline{0.02f, 0.03f, 0.05f, 0.85f};

// A white shape with a dark rim, readable over light and dark pages alike.
void outlined(Canvas& canvas, const Shape& shape, float rim, const Paint& face) {
  canvas.fill(grow(shape, rim), outline);
  canvas.fill(shape, face);
}

Paint softWhite(float top, float bottom) {
  return linearGradient({0, top}, white, {0, bottom}, rgb(0xd8dde6));
}

// Arrow pointer, tip at (3.3, 3.3) where the viewer puts the pointer.
void drawArrowCursor(Canvas& atlas) {
  const Point outlinePoints[] = {{0, 0},        {0, 16},       {3.8f, 12.4f}, {6.6f, 18.6f},
                                 {9.2f, 17.4f}, {6.4f, 11.4f}, {11.4f, 11.4f}};
  std::vector<Point> points;
  for (const Point& p : outlinePoints) points.push_back({3.3f + p.x * 1.25f, 3.3f + p.y * 1.25f});
  outlined(atlas, polygon(points), 1.3f, softWhite(3, 27));
}

// Magnifying glass with a plus; the lens sits over the pointer.
void drawZoomCursor(Canvas& atlas) {
  const float cx = 23 + 10, cy = 9.6f, radius = 6;
  Shape lensRing = ring(cx, cy, radius, 2.2f);
  Shape handle = line({cx + radius * 0.78f, cy + radius * 0.78f}, {23 + 19.6f, 24.4f}, 4.2f);
  Shape plus =
      strokes({{{cx - 2.8f, cy}, {cx + 2.8f, cy}}, {{cx, cy - 2.8f}, {cx, cy + 2.8f}}}, 1.7f);
  atlas.fill(grow(unite(unite(lensRing, handle), plus), 1.3f), outline);
  atlas.fill(circle(cx, cy, radius - 1), Color{0.75f, 0.85f, 1, 0.3f});
  atlas.fill(plus, white);
  atlas.fill(lensRing, white);
  atlas.fill(handle, softWhite(14, 26));
}

// Four-way arrows around the pointer.
void drawPanCursor(Canvas& atlas) {
  const float cx = 64, cy = 15.5f, tip = 12.5f, base = 7.3f, head = 4.6f, shaft = 1.5f;
  Shape cross = unite(roundedRect(cx - base, cy - shaft, cx + base, cy + shaft, 0.5f),
                      roundedRect(cx - shaft, cy - base, cx + shaft, cy + base, 0.5f));
  for (int k = 0; k < 4; ++k) {
    float dx = k == 0 ? 1 : (k == 1 ? -1 : 0), dy = k == 2 ? 1 : (k == 3 ? -1 : 0);
    float nx = -dy, ny = dx;  // across the arrow
    std::vector<Point> arrowHead = {{cx + dx * tip, cy + dy * tip},
                                    {cx + dx * base + nx * head, cy + dy * base + ny * head},
                                    {cx + dx * base - nx * head, cy + dy * base - ny * head}};
    cross = unite(std::move(cross), polygon(arrowHead));
  }
  outlined(atlas, cross, 1.3f, softWhite(3, 28));
}

// Top-left corner bracket of the selected strip thumbnail; the thumbnail's
// corner falls on (7.1, 7.1) of the region, the viewer mirrors it for the
// other corners.
void drawCornerMark(Canvas& atlas) {
  const float left = 85, top = 5, corner = 5.4f, arm = 16;
  Shape bracket = strokes(
      {{{left + arm, top + corner}, {left + corner, top + corner}, {left + corner, top + arm}}}, 3);
  atlas.fill(grow(bracket, 1.1f), Color{0, 0, 0, 0.6f}, 1.5f);
  atlas.fill(bracket, white);
}

// The bar behind the typed number, the progress marks and the clock: columns
// 106-107 hold its rounded left end, 108-110 its body, over rows 0-25. The
// viewer stretches single columns, so each column carries its own height.
void drawBar(Canvas& atlas) {
  const float halfHeights[] = {4.5f, 9.5f, 11.5f, 11.5f, 11.5f};  // columns 106..110
  const float middle = 12.5f;
  for (int column = 0; column < 5; ++column)
    for (int row = 0; row < 25; ++row) {
      float distance = std::fabs(row + 0.5f - middle);
      float coverage = std::fmin(1.f, std::fmax(0.f, halfHeights[column] - distance + 0.5f));
      if (coverage <= 0) continue;
      float t = float(row) / 24;
      Color c = mix(rgb(0x4a5468), rgb(0x10131a), t);
      c.a = 0.92f * coverage;
      atlas.fill(roundedRect(106 + column, row, 107 + column, row + 1, 0), c);
    }
}

// Ten digits in the band t = 0.79..0.88 (rows 30.72-53.76), 25.6 pixels
// each; shown as squares, so drawn on a 10:1 canvas and resampled.
void drawDigits(Canvas& atlas) {
  const float cell = 102.4f;
  Canvas band(1024, 103);
  TextStyle style;
  style.size = 56;
  style.weight = 0.18f;
  for (int digit = 0; digit < 10; ++digit) {
    std::string text(1, char('0' + digit));
    float x = cell * digit + (cell - textWidth(text, style)) / 2;
    // On the baseline of the number label, 0.024 below the digits' centre.
    float baseline = 77;
    for (const Shape& shape : textShapes(text, x, baseline, style))
      band.fill(grow(shape, 4.5f), outline, 2);
    drawText(band, text, x, baseline, style, white);
  }
  atlas.draw(band, 0, 30.72f, 256, 23.04f * 103 / 102.4f);
}

// "go to slide" before the typed number, region 0,54-224,79, shown at
// 0.55 x 0.09 of the page.
void drawNumberLabel(Canvas& atlas) {
  Canvas label(896, 147);
  TextStyle style;
  style.size = 64;
  style.weight = 0.15f;
  std::string text = "go to slide";
  float x = 870 - textWidth(text, style);
  float baseline = 105;
  for (const Shape& shape : textShapes(text, x, baseline, style))
    label.fill(grow(shape, 6), outline, 3);
  drawText(label, text, x, baseline, style, white);
  atlas.draw(label, 0, 54, 224, 25);
}

// The clock's colon, region 243,54-255,79, shown at 0.05 x 0.14 of the
// digits' scale: two dots at the height of the digits' quarters.
void drawColon(Canvas& atlas) {
  Canvas colon(48, 134);
  for (float y : {52.3f, 85.0f}) {
    colon.fill(circle(24, y, 12.5f), outline, 3);
    colon.fill(circle(24, y, 7.5f), white);
  }
  atlas.draw(colon, 243, 54, 12, 25);
}

// Progress marks, 44 x 41 regions shown as squares.
void drawProgressMarks(Canvas& atlas) {
  const float c = 88, radius = 52;
  Canvas past(176, 176), flash(176, 176), slide(176, 176);
  past.fill(circle(c, c, radius + 8), Color{0, 0, 0, 0.7f}, 4);
  past.fill(circle(c, c, radius), white);
  flash.glow(circle(c, c, 30), Color{1, 1, 1, 0.9f}, 52);
  flash.fill(circle(c, c, 34), white, 2);
  slide.fill(ring(c, c, radius - 8, 20), Color{0, 0, 0, 0.7f}, 4);
  slide.fill(ring(c, c, radius - 8, 14), white);
  atlas.draw(past, 0, 85, 44, 41);
  atlas.draw(flash, 44, 85, 44, 41);
  atlas.draw(slide, 88, 85, 44, 41);
}

Canvas makeAtlas() {
  Canvas atlas(256, 256);
  drawArrowCursor(atlas);
  drawZoomCursor(atlas);
  drawPanCursor(atlas);
  drawCornerMark(atlas);
  drawBar(atlas);
  drawDigits(atlas);
  drawNumberLabel(atlas);
  drawColon(atlas);
  drawProgressMarks(atlas);
  return atlas;
}

// The splash is shown stretched 1.875 times wider than its texels (piece
// one, 128 x 80, at 0.6 x 0.2), so it is drawn 480 wide and resampled to 256.
// It is added onto a darkened page: black adds nothing.
void layoutWordmark(TextStyle& style, float& x, float& baseline) {
  style.size = 27;
  style.weight = 0.17f;
  style.tracking = 0.1f;
  x = (240 - textWidth("QUORVEX", style)) / 2;
  baseline = 40 + style.size / 2;
}

Canvas makeSplash() {
  Canvas wide(480, 256);
  TextStyle style;
  float x, baseline;
  layoutWordmark(style, x, baseline);
  std::vector<Shape> word = textShapes("QUORVEX", x, baseline, style);

  // Piece one, 0,0-240,80: the word, crisp, cool white.
  for (const Shape& shape : word)
    wide.fill(shape, linearGradient({0, baseline - style.size}, rgb(0xffffff), {0, baseline},
                                    rgb(0x9fc8ff)));

  // Piece two, 240,0-480,80: the same word as a warm glow around the letters,
  // which fades in over the first piece.
  Canvas glowPiece(240, 80);
  for (const Shape& shape : word) glowPiece.glow(shape, Color{1, 0.55f, 0.12f, 0.55f}, 16);
  for (const Shape& shape : word) glowPiece.fill(grow(shape, -1.5f), Color{1, 0.9f, 0.6f, 0.5f});
  wide.add(glowPiece, 240, 0);

  // Piece three, 0,80-480,256 (shown at 1.1 x 0.4 around the word, which
  // covers x 109-371, y 44-132 of it): two fine rules framing the word and the
  // subtitle below, all fading towards the ends.
  Canvas banner(480, 176);
  auto rule = [&](float y) {
    Paint fade = [](float px, float) {
      float t = 1 - std::fabs(px - 240) / 175;
      return Color{0.45f, 0.75f, 1, std::fmax(0.f, t)};
    };
    banner.fill(roundedRect(65, y - 1.2f, 415, y + 1.2f, 1.2f), fade);
    banner.glow(circle(240, y, 2.5f), Color{0.6f, 0.85f, 1, 0.8f}, 14);
  };
  rule(60);
  rule(116);
  TextStyle subtitle;
  subtitle.size = 12.5f;
  subtitle.weight = 0.15f;
  subtitle.tracking = 0.3f;
  std::string text = "SLIDE PRESENTATION VIEWER";
  drawText(banner, text, (480 - textWidth(text, subtitle)) / 2, 156, subtitle, rgb(0xcfe4ff));
  wide.draw(banner, 0, 80, 480, 176);

  Canvas splash(256, 256, Color{0, 0, 0, 1});
  splash.draw(wide, 0, 0, 256, 256);
  return splash;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
  if (!savePng(makeAtlas(), folder + "qvx.png") || !savePng(makeSplash(), folder + "splash.png")) {
    std::fprintf(stderr, "make_artwork: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
