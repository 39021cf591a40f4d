// Start-up: time from the viewer's start to its first frame on a folder of
// 8 and of 200 photographs of 4000 x 3000, beside one bare full decode of
// one of them.
#include <thread>

#include "images/raster_image.h"
#include "photographs.h"
#include "support/viewer_process.h"

namespace {

double firstFrameMilliseconds(const std::string& folder, const std::string& log) {
  std::remove(log.c_str());
  ViewerProcess viewer({folder});
  double first = -1;
  for (int polls = 0; polls < 6000 && first < 0; ++polls) {
    std::vector<bench::FrameRecord> frames = bench::readFrameLog(log);
    if (!frames.empty()) first = frames.front().at;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  viewer.key("q");
  viewer.waitForExit(30);
  return first;
}

}  // namespace

int main() {
  // Lines leave at once: the viewer processes forked later would print them again.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  testfiles::TempDir dir;
  const std::string original = dir.file("original.jpg");
  if (!bench::writePhotograph(original, 4000, 3000, 0)) return 1;
  double decode = 1e30;
  for (int run = 0; run < 3; ++run)
    decode = std::min(decode, bench::secondsOf([&] {
                        RasterImage image;
                        image.load(original, ImageFormatJpeg);
                      }));
  const std::string log = dir.file("frames.log");
  bench::traceViewerFramesTo(log);
  std::printf("first frame of a folder of 4000 x 3000 photographs\n");
  std::printf("  one bare full decode:  %7.1f ms\n", decode * 1000);
  double eight = 0;
  for (int count : {8, 200}) {
    testfiles::TempDir folder;
    if (!bench::writePhotographFolder(folder.path(), original, count)) return 1;
    firstFrameMilliseconds(folder.path(), log);  // the files into the cache
    const double first = firstFrameMilliseconds(folder.path(), log);
    if (count == 8) eight = first;
    std::printf("  %3d photographs:       %7.1f ms  ratio to the decode %.2f", count, first,
                first / (decode * 1000));
    if (count == 200) std::printf(", to 8 photographs %.2f", first / eight);
    std::printf("\n");
  }
  return 0;
}
