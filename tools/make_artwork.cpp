// Draws the overlay atlas "qvx.png" (256 x 256) and the splash picture
// "splash.png" into the folder given as the only argument.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Canvas {
  int width, height;
  std::vector<uint8_t> rgba;
  Canvas(int w, int h) : width(w), height(h), rgba(size_t(w) * h * 4, 0) {}
  void fill(int left, int top, int right, int bottom, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) {
        uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
      }
  }
};

bool writePng(const std::string& path, const Canvas& canvas) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, canvas.width, canvas.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < canvas.height; ++y)
    png_write_row(png, const_cast<uint8_t*>(&canvas.rgba[size_t(y) * canvas.width * 4]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
  Canvas atlas(256, 256);
  atlas.fill(0, 0, 20, 30, 255, 255, 255, 255);
  Canvas splash(256, 256);
  splash.fill(0, 0, 256, 256, 60, 120, 40, 255);
  if (!writePng(folder + "qvx.png", atlas) || !writePng(folder + "splash.png", splash)) {
    std::fprintf(stderr, "make_artwork: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
