// Page textures: a SlideTexture made from a 4000 x 3000 JPEG (mipmaps on)
// against the least any viewer has to do for it, a bare libjpeg decode plus
// one glTexImage2D of the same 4096 x 4096 texture, run side by side. Also
// the thumbnail of the same file.
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

// After <cstdio>: libjpeg's header needs FILE.
#include <jpeglib.h>

#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

double secondsOf(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  glFinish();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void bareDecodeAndUpload(const char* path, int textureSide) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  std::vector<uint8_t> texels(size_t(textureSide) * textureSide * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    // Bottom-up, straight into the texture's rows.
    JSAMPROW row =
        &texels[size_t(cinfo.output_height - 1 - cinfo.output_scanline) * textureSide * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, textureSide, textureSide, 0, GL_RGB, GL_UNSIGNED_BYTE,
               texels.data());
  glFinish();
  glDeleteTextures(1, &texture);
}

}  // namespace

int main() {
  if (!gltest::ensureWindow(64, 64)) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  testfiles::TempDir dir;
  const std::string path = dir.file("page.jpg");
  // Smooth areas and fine detail, as in a photograph.
  testfiles::Picture picture = testfiles::makePicture(4000, 3000, [](int x, int y, uint8_t* p) {
    p[0] = uint8_t(x / 16 + ((x * y) & 15));
    p[1] = uint8_t(y / 12 + ((x ^ y) & 31));
    p[2] = uint8_t((x + y) / 28);
    p[3] = 255;
  });
  if (!testfiles::writeJpeg(path, picture, 90)) return 1;
  picture = {};

  // The three take turns, so that a busy moment of the machine falls on
  // all of them alike; the fastest run of each counts.
  const int runs = 7;
  double bare = 1e30, page = 1e30, thumbnail = 1e30;
  for (int run = 0; run < runs; ++run) {
    bare = std::min(bare, secondsOf([&] { bareDecodeAndUpload(path.c_str(), 4096); }));
    page = std::min(page, secondsOf([&] { SlideTexture texture(path.c_str(), true, false); }));
    thumbnail =
        std::min(thumbnail, secondsOf([&] { SlideTexture texture(path.c_str(), true, true); }));
  }

  std::printf("4000 x 3000 JPEG, best of %d runs (%s)\n", runs,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  std::printf("  libjpeg decode + one glTexImage2D 4096 x 4096: %7.1f ms\n", bare * 1000);
  std::printf("  SlideTexture page (mipmaps):                   %7.1f ms  ratio %.2f\n",
              page * 1000, page / bare);
  std::printf("  SlideTexture thumbnail (mipmaps):              %7.1f ms  ratio %.2f\n",
              thumbnail * 1000, thumbnail / bare);
  return 0;
}
