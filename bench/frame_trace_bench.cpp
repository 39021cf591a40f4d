// Frame times of the real viewer at page changes: a presentation of
// 4000 x 3000 JPEG pages and 1920 x 1080 PNG pages, a page change every
// 1.5 s, every buffer swap traced; the longest GUI frame of the run against
// the upload-only time of one page of each kind (its levels filled into a
// texture that exists), measured here on the same display.
#include <GL/glew.h>

#include <algorithm>
#include <thread>

#include "images/prepared_picture.h"
#include "images/slide_texture.h"
#include "images/texture_pool.h"
#include "photographs.h"
#include "support/gl_test_window.h"
#include "support/viewer_process.h"

namespace {

// Filling an existing texture with a prepared page, best of a few.
double uploadOnlySeconds(const std::string& path) {
  keepTextureNames(1);
  const PreparedPicture prepared =
      preparePicture(path, true, false, [](bool, int, int) { return true; });
  { SlideTexture first{PreparedPicture(prepared)}; }  // leaves its name for reuse
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    PreparedPicture copy = prepared;
    best = std::min(best, bench::secondsOf([&] {
                      SlideTexture texture(std::move(copy));
                      glFinish();
                    }));
  }
  keepTextureNames(0);
  return best;
}

}  // namespace

int main() {
  if (!gltest::ensureWindow(64, 64)) return std::fprintf(stderr, "no X display\n"), 1;
  testfiles::TempDir dir;
  std::vector<std::vector<std::string>> slides;
  const int pages = 8;
  for (int i = 0; i < pages; ++i) {
    const bool png = i % 2 == 1;
    slides.push_back({"page" + std::to_string(i) + (png ? ".png" : ".jpg")});
    if (!bench::writePhotograph(dir.file(slides.back()[0]), png ? 1920 : 4000, png ? 1080 : 3000,
                                i * 20, png))
      return 1;
  }
  const double jpegUpload = uploadOnlySeconds(dir.file("page0.jpg"));
  const double pngUpload = uploadOnlySeconds(dir.file("page1.png"));

  const std::string log = dir.file("frames.log");
  bench::traceViewerFramesTo(log);
  double firstChangeAt = 0;
  {
    ViewerProcess viewer({writeSlideList(dir, slides)});
    if (!viewer.waitForWindow(60)) return std::fprintf(stderr, "no window\n"), 1;
    // Start-up and the splash are not page changes.
    while (bench::readFrameLog(log).empty())
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::seconds(3));
    firstChangeAt = bench::readFrameLog(log).back().at;
    for (int change = 1; change < pages; ++change) {
      viewer.key("space");
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }
    viewer.key("q");
    viewer.waitForExit(30);
  }
  double longest = 0, sum = 0;
  int counted = 0;
  std::vector<double> working;
  for (const bench::FrameRecord& frame : bench::readFrameLog(log))
    if (frame.at > firstChangeAt) {
      longest = std::max(longest, frame.working);
      working.push_back(frame.working);
      sum += frame.working, ++counted;
    }
  if (std::getenv("FRAME_TRACE_KEEP"))
    std::system(("cp " + log + " " + std::getenv("FRAME_TRACE_KEEP")).c_str());
  std::sort(working.begin(), working.end());
  std::printf("%d page changes, 1.5 s apart (%s)\n", pages - 1,
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  std::printf("  upload only, 4000 x 3000 JPEG page: %7.1f ms\n", jpegUpload * 1000);
  std::printf("  upload only, 1920 x 1080 PNG page:  %7.1f ms\n", pngUpload * 1000);
  std::printf("  frames traced: %d, median %.1f ms\n", counted,
              working.empty() ? 0 : working[working.size() / 2]);
  std::printf(
      "  longest GUI frame: %7.1f ms  ratio to the JPEG upload %.2f (goal <= upload + 5 ms)\n",
      longest, longest / (jpegUpload * 1000));
  return 0;
}
