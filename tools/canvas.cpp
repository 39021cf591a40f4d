#include "canvas.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace art {

namespace {

float clamp01(float v) {
  return v < 0 ? 0 : (v > 1 ? 1 : v);
}

struct Segment {
  float ax, ay, dx, dy, inverseLengthSquared;
};

}  // namespace

Color rgb(uint32_t hex, float alpha) {
  return Color{float((hex >> 16) & 255) / 255.f, float((hex >> 8) & 255) / 255.f,
               float(hex & 255) / 255.f, alpha};
}

Color mix(const Color& from, const Color& to, float t) {
  return Color{from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
               from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Color withAlpha(Color c, float alpha) {
  c.a = alpha;
  return c;
}

Shape circle(float cx, float cy, float radius) {
  Shape s{cx - radius, cy - radius, cx + radius, cy + radius, nullptr};
  s.distance = [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; };
  return s;
}

Shape ellipse(float cx, float cy, float rx, float ry) {
  Shape s{cx - rx, cy - ry, cx + rx, cy + ry, nullptr};
  s.distance = [=](float x, float y) {
    float px = (x - cx), py = (y - cy);
    float k0 = std::hypot(px / rx, py / ry);
    float k1 = std::hypot(px / (rx * rx), py / (ry * ry));
    if (k1 < 1e-6f) return -std::min(rx, ry);
    return k0 * (k0 - 1) / k1;
  };
  return s;
}

Shape roundedRect(float left, float top, float right, float bottom, float radius) {
  float cx = (left + right) / 2, cy = (top + bottom) / 2;
  float hx = (right - left) / 2, hy = (bottom - top) / 2;
  radius = std::min(radius, std::min(hx, hy));
  Shape s{left, top, right, bottom, nullptr};
  s.distance = [=](float x, float y) {
    float qx = std::fabs(x - cx) - (hx - radius), qy = std::fabs(y - cy) - (hy - radius);
    float outside = std::hypot(std::max(qx, 0.f), std::max(qy, 0.f));
    return outside + std::min(std::max(qx, qy), 0.f) - radius;
  };
  return s;
}

Shape polygon(std::vector<Point> points) {
  Shape s;
  if (points.empty()) {
    s.distance = [](float, float) { return 1e9f; };
    return s;
  }
  s.left = s.right = points[0].x;
  s.top = s.bottom = points[0].y;
  for (const Point& p : points) {
    s.left = std::min(s.left, p.x), s.right = std::max(s.right, p.x);
    s.top = std::min(s.top, p.y), s.bottom = std::max(s.bottom, p.y);
  }
  s.distance = [v = std::move(points)](float x, float y) {
    // Exact distance to the outline; the sign flips at each edge crossing.
    float best = (x - v[0].x) * (x - v[0].x) + (y - v[0].y) * (y - v[0].y);
    float sign = 1;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
      float ex = v[j].x - v[i].x, ey = v[j].y - v[i].y;
      float wx = x - v[i].x, wy = y - v[i].y;
      float lengthSquared = ex * ex + ey * ey;
      float t = lengthSquared > 0 ? clamp01((wx * ex + wy * ey) / lengthSquared) : 0;
      float bx = wx - ex * t, by = wy - ey * t;
      best = std::min(best, bx * bx + by * by);
      bool c1 = y >= v[i].y, c2 = y<v[j].y, c3 = ex * wy> ey * wx;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
    }
    return sign * std::sqrt(best);
  };
  return s;
}

Shape strokes(std::vector<std::vector<Point>> lines, float width) {
  std::vector<Segment> segments;
  Shape s{1e9f, 1e9f, -1e9f, -1e9f, nullptr};
  for (const auto& points : lines) {
    for (size_t i = 0; i < points.size(); ++i) {
      const Point& a = points[i];
      const Point& b = points.size() == 1 ? a : points[std::min(i + 1, points.size() - 1)];
      if (points.size() > 1 && i + 1 == points.size()) break;
      float dx = b.x - a.x, dy = b.y - a.y;
      float lengthSquared = dx * dx + dy * dy;
      segments.push_back({a.x, a.y, dx, dy, lengthSquared > 0 ? 1 / lengthSquared : 0});
      s.left = std::min({s.left, a.x, b.x}), s.right = std::max({s.right, a.x, b.x});
      s.top = std::min({s.top, a.y, b.y}), s.bottom = std::max({s.bottom, a.y, b.y});
    }
  }
  float half = width / 2;
  s.left -= half, s.top -= half, s.right += half, s.bottom += half;
  s.distance = [segments = std::move(segments), half](float x, float y) {
    float best = 1e18f;
    for (const Segment& g : segments) {
      float wx = x - g.ax, wy = y - g.ay;
      float t = clamp01((wx * g.dx + wy * g.dy) * g.inverseLengthSquared);
      float bx = wx - g.dx * t, by = wy - g.dy * t;
      best = std::min(best, bx * bx + by * by);
    }
    return std::sqrt(best) - half;
  };
  return s;
}

Shape line(Point from, Point to, float width) {
  return strokes({{from, to}}, width);
}

Shape ring(float cx, float cy, float radius, float width) {
  float outer = radius + width / 2;
  Shape s{cx - outer, cy - outer, cx + outer, cy + outer, nullptr};
  s.distance = [=](float x, float y) {
    return std::fabs(std::hypot(x - cx, y - cy) - radius) - width / 2;
  };
  return s;
}

Shape grow(Shape shape, float by) {
  Shape s{shape.left - by, shape.top - by, shape.right + by, shape.bottom + by, nullptr};
  s.distance = [d = std::move(shape.distance), by](float x, float y) { return d(x, y) - by; };
  return s;
}

Shape unite(Shape a, Shape b) {
  Shape s{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom), nullptr};
  s.distance = [da = std::move(a.distance), db = std::move(b.distance)](float x, float y) {
    return std::min(da(x, y), db(x, y));
  };
  return s;
}

Shape subtract(Shape from, Shape cut) {
  Shape s{from.left, from.top, from.right, from.bottom, nullptr};
  s.distance = [da = std::move(from.distance), db = std::move(cut.distance)](float x, float y) {
    return std::max(da(x, y), -db(x, y));
  };
  return s;
}

Shape intersect(Shape a, Shape b) {
  Shape s{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom), nullptr};
  s.distance = [da = std::move(a.distance), db = std::move(b.distance)](float x, float y) {
    return std::max(da(x, y), db(x, y));
  };
  return s;
}

Shape translate(Shape shape, float dx, float dy) {
  Shape s{shape.left + dx, shape.top + dy, shape.right + dx, shape.bottom + dy, nullptr};
  s.distance = [d = std::move(shape.distance), dx, dy](float x, float y) {
    return d(x - dx, y - dy);
  };
  return s;
}

Paint solid(Color c) {
  return [c](float, float) { return c; };
}

Paint linearGradient(Point from, Color fromColor, Point to, Color toColor) {
  float dx = to.x - from.x, dy = to.y - from.y;
  float lengthSquared = std::max(dx * dx + dy * dy, 1e-6f);
  return [=](float x, float y) {
    float t = clamp01(((x - from.x) * dx + (y - from.y) * dy) / lengthSquared);
    return mix(fromColor, toColor, t);
  };
}

Paint radialGradient(Point centre, float radius, Color inner, Color outer) {
  return [=](float x, float y) {
    return mix(inner, outer, clamp01(std::hypot(x - centre.x, y - centre.y) / radius));
  };
}

Canvas::Canvas(int width, int height, Color background)
    : w(width), h(height), data(size_t(width) * height * 4) {
  for (size_t i = 0; i < size_t(w) * h; ++i) {
    data[i * 4 + 0] = background.r * background.a;
    data[i * 4 + 1] = background.g * background.a;
    data[i * 4 + 2] = background.b * background.a;
    data[i * 4 + 3] = background.a;
  }
}

void Canvas::blend(int x, int y, const Color& c, float coverage) {
  float a = c.a * coverage;
  if (a <= 0) return;
  float* p = &data[(size_t(y) * w + x) * 4];
  float keep = 1 - a;
  p[0] = c.r * a + p[0] * keep;
  p[1] = c.g * a + p[1] * keep;
  p[2] = c.b * a + p[2] * keep;
  p[3] = a + p[3] * keep;
}

void Canvas::fill(const Shape& shape, const Paint& paint, float softness) {
  int x0 = std::max(0, int(std::floor(shape.left - softness - 1)));
  int y0 = std::max(0, int(std::floor(shape.top - softness - 1)));
  int x1 = std::min(w, int(std::ceil(shape.right + softness + 1)));
  int y1 = std::min(h, int(std::ceil(shape.bottom + softness + 1)));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      float coverage = clamp01(0.5f - shape.distance(px, py) / softness);
      if (coverage > 0) blend(x, y, paint(px, py), coverage);
    }
}

void Canvas::fill(const Shape& shape, Color color, float softness) {
  fill(shape, solid(color), softness);
}

void Canvas::glow(const Shape& shape, Color color, float radius) {
  int x0 = std::max(0, int(std::floor(shape.left - radius - 1)));
  int y0 = std::max(0, int(std::floor(shape.top - radius - 1)));
  int x1 = std::min(w, int(std::ceil(shape.right + radius + 1)));
  int y1 = std::min(h, int(std::ceil(shape.bottom + radius + 1)));
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      float d = shape.distance(x + 0.5f, y + 0.5f);
      float t = d <= 0 ? 1 : clamp01(1 - d / radius);
      if (t > 0) blend(x, y, color, t * t * t);
    }
}

void Canvas::draw(const Canvas& source, float x, float y, float width, float height) {
  float scaleX = source.w / width, scaleY = source.h / height;  // source pixels per pixel
  int x0 = std::max(0, int(std::floor(x))), y0 = std::max(0, int(std::floor(y)));
  int x1 = std::min(w, int(std::ceil(x + width))), y1 = std::min(h, int(std::ceil(y + height)));
  for (int j = y0; j < y1; ++j) {
    float v0 = (std::max(float(j), y) - y) * scaleY;
    float v1 = (std::min(float(j + 1), y + height) - y) * scaleY;
    if (v1 <= v0) continue;
    for (int i = x0; i < x1; ++i) {
      float u0 = (std::max(float(i), x) - x) * scaleX;
      float u1 = (std::min(float(i + 1), x + width) - x) * scaleX;
      if (u1 <= u0) continue;
      float sum[4] = {0, 0, 0, 0};
      for (int k = int(v0); k < std::min(source.h, int(std::ceil(v1))); ++k) {
        float wy = std::min(float(k + 1), v1) - std::max(float(k), v0);
        for (int l = int(u0); l < std::min(source.w, int(std::ceil(u1))); ++l) {
          float weight = wy * (std::min(float(l + 1), u1) - std::max(float(l), u0));
          const float* s = &source.data[(size_t(k) * source.w + l) * 4];
          for (int c = 0; c < 4; ++c) sum[c] += s[c] * weight;
        }
      }
      float norm = 1 / (scaleX * scaleY);
      float* p = &data[(size_t(j) * w + i) * 4];
      float keep = 1 - sum[3] * norm;
      for (int c = 0; c < 4; ++c) p[c] = sum[c] * norm + p[c] * keep;
    }
  }
}

void Canvas::add(const Canvas& source, int x, int y) {
  for (int j = 0; j < source.h; ++j)
    for (int i = 0; i < source.w; ++i) {
      int tx = x + i, ty = y + j;
      if (tx < 0 || ty < 0 || tx >= w || ty >= h) continue;
      const float* s = &source.data[(size_t(j) * source.w + i) * 4];
      float* p = &data[(size_t(ty) * w + tx) * 4];
      for (int c = 0; c < 4; ++c) p[c] = std::min(1.f, p[c] + s[c]);
    }
}

Color Canvas::pixel(int x, int y) const {
  const float* p = &data[(size_t(y) * w + x) * 4];
  if (p[3] <= 0) return Color{0, 0, 0, 0};
  return Color{p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

std::vector<uint8_t> Canvas::rgba8() const {
  std::vector<uint8_t> out(size_t(w) * h * 4);
  std::vector<char> known(size_t(w) * h);
  auto byte = [](float v) { return uint8_t(std::lround(clamp01(v) * 255)); };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Color c = pixel(x, y);
      uint8_t* o = &out[(size_t(y) * w + x) * 4];
      o[0] = byte(c.r), o[1] = byte(c.g), o[2] = byte(c.b), o[3] = byte(c.a);
      known[size_t(y) * w + x] = o[3] > 0;
    }
  // Spread the colours of visible pixels into the transparent ones around
  // them, a ring per pass, so that linear filtering and mipmaps blend edges
  // towards the shape's own colour instead of black.
  for (int pass = 0; pass < 6; ++pass) {
    std::vector<char> next = known;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (known[size_t(y) * w + x]) continue;
        int sum[3] = {0, 0, 0}, count = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || !known[size_t(ny) * w + nx]) continue;
            const uint8_t* n = &out[(size_t(ny) * w + nx) * 4];
            sum[0] += n[0], sum[1] += n[1], sum[2] += n[2], ++count;
          }
        if (!count) continue;
        uint8_t* o = &out[(size_t(y) * w + x) * 4];
        for (int c = 0; c < 3; ++c) o[c] = uint8_t(sum[c] / count);
        next[size_t(y) * w + x] = 1;
      }
    known.swap(next);
  }
  return out;
}

std::vector<uint8_t> Canvas::rgb8() const {
  std::vector<uint8_t> out(size_t(w) * h * 3);
  for (size_t i = 0; i < size_t(w) * h; ++i)
    for (int c = 0; c < 3; ++c)
      out[i * 3 + c] = uint8_t(std::lround(clamp01(data[i * 4 + c]) * 255));
  return out;
}

bool savePng(const Canvas& canvas, const std::string& path) {
  std::vector<uint8_t> pixels = canvas.rgba8();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, canvas.width(), canvas.height(), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < canvas.height(); ++y)
    png_write_row(png, &pixels[size_t(y) * canvas.width() * 4]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

bool saveJpeg(const Canvas& canvas, const std::string& path, int quality) {
  std::vector<uint8_t> pixels = canvas.rgb8();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct compressor;
  jpeg_error_mgr errors;
  compressor.err = jpeg_std_error(&errors);
  jpeg_create_compress(&compressor);
  jpeg_stdio_dest(&compressor, file);
  compressor.image_width = JDIMENSION(canvas.width());
  compressor.image_height = JDIMENSION(canvas.height());
  compressor.input_components = 3;
  compressor.in_color_space = JCS_RGB;
  jpeg_set_defaults(&compressor);
  jpeg_set_quality(&compressor, quality, TRUE);
  // Full-resolution chroma keeps thin coloured text sharp.
  compressor.comp_info[0].h_samp_factor = compressor.comp_info[0].v_samp_factor = 1;
  jpeg_start_compress(&compressor, TRUE);
  while (compressor.next_scanline < compressor.image_height) {
    JSAMPROW row = &pixels[size_t(compressor.next_scanline) * canvas.width() * 3];
    jpeg_write_scanlines(&compressor, &row, 1);
  }
  jpeg_finish_compress(&compressor);
  jpeg_destroy_compress(&compressor);
  return std::fclose(file) == 0;
}

}  // namespace art
