#include "support/test_files.h"

#include <jpeglib.h>
#include <png.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testfiles {

TempDir::TempDir() {
  char pattern[] = "/tmp/quorvex-test-XXXXXX";
  char* made = mkdtemp(pattern);
  root = made ? made : "/tmp";
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (root != "/tmp") std::filesystem::remove_all(root, ignored);
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<uint8_t> readBytes(const std::string& path) {
  const std::string text = readText(path);
  return {text.begin(), text.end()};
}

Picture solidPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return makePicture(width, height,
                     [&](int, int, uint8_t* p) { p[0] = r, p[1] = g, p[2] = b, p[3] = a; });
}

Picture makePicture(int width, int height,
                    const std::function<void(int x, int y, uint8_t* rgba)>& pixel) {
  Picture picture{width, height, std::vector<uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixel(x, y, picture.at(x, y));
  return picture;
}

bool writePng(const std::string& path, const Picture& picture, bool withAlpha) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(picture.width);
  image.height = uint32_t(picture.height);
  image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels;  // RGB drops every fourth byte
  for (size_t i = 0; i < picture.rgba.size(); ++i)
    if (withAlpha || i % 4 != 3) pixels.push_back(picture.rgba[i]);
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

bool writeJpeg(const std::string& path, const Picture& picture, int quality) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = picture.width;
  cinfo.image_height = picture.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(picture.width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* source = picture.at(0, int(cinfo.next_scanline));
    for (int x = 0; x < picture.width; ++x)
      for (int c = 0; c < 3; ++c) row[size_t(x) * 3 + c] = source[x * 4 + c];
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
  return true;
}

bool readPng(const std::string& path, Picture& picture) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  picture.width = int(image.width);
  picture.height = int(image.height);
  picture.rgba.assign(PNG_IMAGE_SIZE(image), 0);
  bool ok = png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

}  // namespace testfiles
