#include "support/test_files.h"

#include <png.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "images/encoders.h"

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

namespace {
encoders::Sample channelOf(const Picture& picture) {
  return [&picture](int x, int y, int c) { return int(picture.at(x, y)[c]); };
}
bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return out && !bytes.empty();
}
}  // namespace

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

// Through the writers of the decoder tests.
bool writePng(const std::string& path, const Picture& picture, bool withAlpha) {
  const int type = withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB;
  return writeBytes(
      path, encoders::encodePng({picture.width, picture.height, type, 8, channelOf(picture)}));
}

bool writeJpeg(const std::string& path, const Picture& picture, int quality) {
  return writeBytes(path,
                    encoders::encodeJpeg({picture.width, picture.height, encoders::JpegColors::Rgb,
                                          channelOf(picture), false, quality}));
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
