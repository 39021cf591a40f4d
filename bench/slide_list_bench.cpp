// Start-up cost of a presentation: loading a slide list of 50 one-page
// slides of 4000 x 3000 JPEG pictures (every slide makes its thumbnail from
// its page) against 50 bare libjpeg decodes of the same files, run side by
// side in the same process. Prints both times and their ratio.
//
//   xvfb-run -a -s "-screen 0 1024x768x24" build/bench/slide_list_bench [slides] [rounds]
#include <cstdio>  // before jpeglib.h, which needs FILE and size_t

#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "content/slidelist/slide_list.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The baseline: decode to RGB scanlines and throw them away.
bool decodeJpeg(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  jpeg_decompress_struct decoder;
  jpeg_error_mgr errors;
  decoder.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decoder);
  jpeg_stdio_src(&decoder, file);
  jpeg_read_header(&decoder, TRUE);
  decoder.out_color_space = JCS_RGB;
  jpeg_start_decompress(&decoder);
  std::vector<unsigned char> row(size_t(decoder.output_width) * decoder.output_components);
  while (decoder.output_scanline < decoder.output_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&decoder, rows, 1);
  }
  jpeg_finish_decompress(&decoder);
  jpeg_destroy_decompress(&decoder);
  std::fclose(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int slides = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  if (!gltest::ensureWindow()) {
    std::fprintf(stderr, "slide_list_bench needs an X display (run it under xvfb-run)\n");
    return 1;
  }

  testfiles::TempDir dir;
  std::printf("writing %d pictures of 4000 x 3000...\n", slides);
  testfiles::Picture photo = testfiles::makePicture(4000, 3000, [](int x, int y, uint8_t* p) {
    p[0] = uint8_t(x * 255 / 3999);
    p[1] = uint8_t(y * 255 / 2999);
    p[2] = uint8_t(((x / 40) ^ (y / 40)) * 37);
    p[3] = 255;
  });
  if (!testfiles::writeJpeg(dir.file("photo.jpg"), photo, 90)) return 1;
  photo = testfiles::Picture();
  std::vector<std::string> files;
  std::string description = "<SlideList>\n";
  for (int i = 0; i < slides; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "slide%02d.jpg", i);
    std::filesystem::copy_file(dir.file("photo.jpg"), dir.file(name));
    files.push_back(dir.file(name));
    description += std::string("<Slide>\n<Image>\nfilename=") + name + "\n</Image>\n</Slide>\n";
  }
  description += "</SlideList>\n";
  testfiles::writeText(dir.file("show.qvx"), description);

  // Warm the file cache for both sides alike.
  for (const std::string& file : files) testfiles::readBytes(file);

  double bestDecode = 1e30, bestLoad = 1e30;
  for (int round = 0; round < rounds; ++round) {
    Clock::time_point start = Clock::now();
    for (const std::string& file : files)
      if (!decodeJpeg(file)) return 1;
    double decode = secondsSince(start);

    SlideList* list = new SlideList;
    start = Clock::now();
    bool loaded = list->load(dir.file("show.qvx")) && list->pageCount() == slides;
    double load = secondsSince(start);
    delete list;  // outside the measured time
    if (!loaded) return 1;

    std::printf("round %d: %d libjpeg decodes %.3f s, slide list load %.3f s\n", round + 1, slides,
                decode, load);
    bestDecode = std::min(bestDecode, decode);
    bestLoad = std::min(bestLoad, load);
  }
  std::printf("best of %d: libjpeg %.3f s, slide list %.3f s, ratio %.2f (slide list / libjpeg)\n",
              rounds, bestDecode, bestLoad, bestLoad / bestDecode);
  return 0;
}
