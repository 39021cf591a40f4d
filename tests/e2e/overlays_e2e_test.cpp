// The timed overlays on the real binary: the progress indicator after a
// slide change and the replay of the splash (F6). (F5's clock is shown in
// the pointer tool tests.)
#include <gtest/gtest.h>

#include <chrono>

#include "e2e/screen_checks.h"

namespace e2e {
namespace {

// Three slides, the first of two pages.
const Rgb pageColor[] = {{70, 70, 110}, {110, 70, 70}, {70, 110, 70}, {90, 90, 90}};

class Overlays : public ScreenTest {
 protected:
  std::string writeSlides() {
    return writeSolidSlides(files, {pageColor, pageColor + 4}, {2, 1, 1},
                            "TransitionDuration=0.3\nShowProgressPosition=1");
  }
  bool pageShown(const testfiles::Picture& screen, int page) {
    return regionIs(screen, 412, 100, 200, 60, pageColor[page]);
  }
  // The progress indicator's bar, 0.2 below the middle: white at up to
  // half strength over the page, with the slide marks on it.
  bool progressShown(const testfiles::Picture& screen, int page) {
    return !regionIs(screen, 80, 584, 30, 10, pageColor[page], 8);
  }
};

TEST_F(Overlays, ProgressIndicatorAndSplashReplay) {
  ASSERT_NO_FATAL_FAILURE(start(writeSlides()));
  viewer->moveMouse(20, 20);
  // After start-up the indicator fades in and is gone three seconds later.
  ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture& screen) {
    return pageShown(screen, 0) && !progressShown(screen, 0);
  }));

  // Page 2 of slide 1 is not a slide's first page: no indicator while the
  // indicator's time after the transition runs.
  // Wait until the blend has fully ended (the bar's place shows the plain
  // page), then watch through the indicator's fade-in time.
  viewer->key("space");
  ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture& screen) {
    return pageShown(screen, 1) && !progressShown(screen, 1);
  }));
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
  while (std::chrono::steady_clock::now() < until)
    ASSERT_FALSE(progressShown(viewer->screenshot(), 1));

  // Slide 2's first page: it fades in after the transition ...
  viewer->key("space");
  ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture& screen) {
    return pageShown(screen, 2) && progressShown(screen, 2);
  }));
  // ... and out again.
  ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture& screen) {
    return pageShown(screen, 2) && !progressShown(screen, 2);
  }));

  // F6: the splash's backdrop darkens the page for two seconds.
  viewer->key("F6");
  ASSERT_TRUE(viewer->waitForScreen([&](const testfiles::Picture& screen) {
    ScreenColor middle = averageColor(screen, 412, 100, 200, 60);
    return screen.width > 0 && middle.r < pageColor[2].r - 15;
  }));
  ASSERT_TRUE(viewer->waitForScreen(
      [&](const testfiles::Picture& screen) { return pageShown(screen, 2); }));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
