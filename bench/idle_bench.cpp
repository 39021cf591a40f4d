// Idle: CPU time a viewer on a still page uses over 10 s, once the splash
// and the cursor fade are over, without and with the clock shown.
#include <thread>

#include "photographs.h"
#include "support/viewer_process.h"

int main() {
  testfiles::TempDir dir;
  if (!bench::writePhotograph(dir.file("page.jpg"), 1920, 1080, 0)) return 1;
  ViewerProcess viewer({writeSlideList(dir, {{"page.jpg"}, {"page.jpg"}})});
  if (!viewer.waitForWindow(60)) return std::fprintf(stderr, "no window\n"), 1;
  std::this_thread::sleep_for(std::chrono::seconds(4));
  std::printf("a viewer on a still page, CPU over 10 s of wall time\n");
  for (bool clock : {false, true}) {
    if (clock) viewer.key("F5");
    const double before = bench::cpuSecondsOf(viewer.pid());
    const double wall =
        bench::secondsOf([] { std::this_thread::sleep_for(std::chrono::seconds(10)); });
    const double used = bench::cpuSecondsOf(viewer.pid()) - before;
    std::printf("  %s: %.2f s CPU = %.1f%% of one core (goal < 5%%)\n",
                clock ? "clock shown " : "still page  ", used, 100 * used / wall);
  }
  viewer.key("q");
  viewer.waitForExit(30);
  return 0;
}
