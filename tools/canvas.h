#pragma once
// A small raster canvas for the artwork generators: shapes are signed
// distance functions, painted with anti-aliased coverage, composited with
// premultiplied alpha.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace art {

// Straight (not premultiplied) colour, each channel 0..1.
struct Color {
  float r = 0, g = 0, b = 0, a = 1;
};
Color rgb(uint32_t hex, float alpha = 1);  // 0xRRGGBB
Color mix(const Color& from, const Color& to, float t);
Color withAlpha(Color c, float alpha);

struct Point {
  float x = 0, y = 0;
};

// Signed distance in pixels (negative inside) and the box beyond which the
// shape paints nothing; y counts down from the top edge.
struct Shape {
  float left = 0, top = 0, right = 0, bottom = 0;
  std::function<float(float x, float y)> distance;
};

Shape circle(float cx, float cy, float radius);
Shape ellipse(float cx, float cy, float rx, float ry);
Shape roundedRect(float left, float top, float right, float bottom, float radius);
Shape polygon(std::vector<Point> points);
// Round-capped, round-joined lines of the given width through each point list.
Shape strokes(std::vector<std::vector<Point>> lines, float width);
Shape line(Point from, Point to, float width);
Shape ring(float cx, float cy, float radius, float width);

Shape grow(Shape shape, float by);  // outline / inset (negative)
Shape unite(Shape a, Shape b);
Shape subtract(Shape from, Shape cut);
Shape intersect(Shape a, Shape b);
Shape translate(Shape shape, float dx, float dy);

using Paint = std::function<Color(float x, float y)>;
Paint solid(Color c);
Paint linearGradient(Point from, Color fromColor, Point to, Color toColor);
Paint radialGradient(Point centre, float radius, Color inner, Color outer);

class Canvas {
 public:
  Canvas(int width, int height, Color background = Color{0, 0, 0, 0});

  int width() const { return w; }
  int height() const { return h; }

  // Paints the shape; softness widens the anti-aliased edge (1 = one pixel).
  void fill(const Shape& shape, const Paint& paint, float softness = 1);
  void fill(const Shape& shape, Color color, float softness = 1);
  // Full colour inside, falling off smoothly to nothing at radius outside.
  void glow(const Shape& shape, Color color, float radius);
  // Composites another canvas into the rectangle, resampled with a box filter.
  void draw(const Canvas& source, float x, float y, float width, float height);
  // Adds another canvas (premultiplied sum, clamped) at an integer offset.
  void add(const Canvas& source, int x, int y);

  Color pixel(int x, int y) const;  // straight colour
  // Premultiplied RGBA floats, rows top-down.
  const std::vector<float>& premultiplied() const { return data; }

  // 8-bit straight RGBA rows top-down; fully transparent pixels take the
  // colour of their visible neighbours so that filtering shows no dark seams.
  std::vector<uint8_t> rgba8() const;
  // 8-bit RGB composited over black.
  std::vector<uint8_t> rgb8() const;

 private:
  void blend(int x, int y, const Color& color, float coverage);
  int w, h;
  std::vector<float> data;
};

bool savePng(const Canvas& canvas, const std::string& path);
bool saveJpeg(const Canvas& canvas, const std::string& path, int quality = 92);

}  // namespace art
