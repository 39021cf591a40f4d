// Picture decoding: RasterImage::load of a 4000 x 3000 photo-like JPEG and
// of a 1920 x 1080 RGBA PNG, and TextureData::load of 2048 x 2048 JPEG and
// PNG texture files, against the bare library decode of the same file into
// a plain buffer, run alternately in the same process. Prints each best
// time and the ratio (goals: within 1.3x of the bare decode for slide
// pictures, 1.2x for texture files).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

// After <cstdio>: libjpeg's header needs FILE.
#include <jpeglib.h>
#include <png.h>

#include "images/raster_image.h"
#include "support/test_files.h"
#include "texture/texture_data.h"

namespace {

double secondsOf(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Alternates the two so that both see the same machine load; keeps the
// fastest run of each (noise only adds) and the median of the runs' ratios.
void compare(const char* what, int runs, const std::function<void()>& ours,
             const std::function<void()>& bare) {
  double bestOurs = 1e30, bestBare = 1e30;
  std::vector<double> ratios;
  for (int i = 0; i < runs; ++i) {
    double bareSeconds = secondsOf(bare), oursSeconds = secondsOf(ours);
    bestBare = std::min(bestBare, bareSeconds);
    bestOurs = std::min(bestOurs, oursSeconds);
    ratios.push_back(oursSeconds / bareSeconds);
  }
  std::nth_element(ratios.begin(), ratios.begin() + runs / 2, ratios.end());
  std::printf("%-42s ours %7.1f ms   bare %7.1f ms   ratio of bests %.2fx   median %.2fx\n", what,
              bestOurs * 1e3, bestBare * 1e3, bestOurs / bestBare, ratios[size_t(runs / 2)]);
}

volatile unsigned sink;

void bareJpeg(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
  std::vector<uint8_t> pixels(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &pixels[size_t(cinfo.output_scanline) * stride];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  sink = pixels[pixels.size() / 2];
}

void barePng(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<uint8_t> pixels;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_read_update_info(png, info);
  size_t stride = png_get_rowbytes(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  pixels.resize(stride * height);
  for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, &pixels[y * stride], nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  sink = pixels[pixels.size() / 2];
}

void texture(const char* path) {
  TextureData data;
  try {
    data.load(path, false);
  } catch (const char* message) {
    std::printf("texture load failed: %s\n", message);
  }
  if (data.hasPixels) sink = data.pixels[size_t(data.width) * data.height];
}

void ours(const char* path, int format) {
  RasterImage image;
  if (!image.load(path, format)) std::printf("load failed: %s\n", image.lastError.c_str());
  sink = image.pixelColor(image.width() / 2, image.height() / 2).green;
}

// Smooth shading with fine texture and a little noise: compresses like a
// photograph, not like a flat test card.
testfiles::Picture photoLike(int width, int height, bool withAlpha) {
  unsigned noise = 12345;
  return testfiles::makePicture(width, height, [&](int x, int y, uint8_t* p) {
    noise = noise * 1103515245u + 12345u;
    int grain = int((noise >> 16) & 15) - 8;
    double u = double(x) / width, v = double(y) / height;
    double detail = 20 * std::sin(x * 0.05) * std::cos(y * 0.07);
    p[0] = uint8_t(std::clamp(int(200 * u + detail + grain), 0, 255));
    p[1] = uint8_t(std::clamp(int(60 + 140 * v - detail + grain), 0, 255));
    p[2] = uint8_t(std::clamp(int(120 + 100 * std::sin(6 * u * v) + grain), 0, 255));
    p[3] = withAlpha ? uint8_t((x + y) % 256) : 255;
  });
}

}  // namespace

int main() {
  testfiles::TempDir dir;
  std::string jpeg = dir.file("photo.jpg"), png = dir.file("overlay.png");
  if (!testfiles::writeJpeg(jpeg, photoLike(4000, 3000, false), 90) ||
      !testfiles::writePng(png, photoLike(1920, 1080, true), true)) {
    std::printf("could not write the test pictures\n");
    return 1;
  }
  compare(
      "RasterImage::load JPEG 4000 x 3000 (q 90)", 7, [&] { ours(jpeg.c_str(), ImageFormatJpeg); },
      [&] { bareJpeg(jpeg.c_str()); });
  compare(
      "RasterImage::load PNG 1920 x 1080 RGBA", 9, [&] { ours(png.c_str(), ImageFormatPng); },
      [&] { barePng(png.c_str()); });

  std::string textureJpeg = dir.file("texture.jpg"), texturePng = dir.file("texture.png");
  testfiles::Picture square = photoLike(2048, 2048, false);
  if (!testfiles::writeJpeg(textureJpeg, square, 90) ||
      !testfiles::writePng(texturePng, square, false)) {
    std::printf("could not write the texture files\n");
    return 1;
  }
  compare(
      "TextureData::load JPEG 2048 x 2048 (q 90)", 9, [&] { texture(textureJpeg.c_str()); },
      [&] { bareJpeg(textureJpeg.c_str()); });
  compare(
      "TextureData::load PNG 2048 x 2048 RGB", 9, [&] { texture(texturePng.c_str()); },
      [&] { barePng(texturePng.c_str()); });
  return 0;
}
