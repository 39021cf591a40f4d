// The bundled demo presentation in the real viewer: it loads, shows its
// title page and, after End, its last page.
#include "e2e/screen_checks.h"

namespace e2e {
namespace {

bool white(const uint8_t* p) {
  return p[0] > 225 && p[1] > 225 && p[2] > 225;
}
bool accentOrange(const uint8_t* p) {
  return p[0] > 200 && p[1] > 130 && p[1] < 210 && p[2] < 120;
}

TEST(DemoPresentation, LoadsAndShowsItsTitleAndItsLastPage) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  std::unique_ptr<ViewerProcess> viewer;
  ASSERT_NO_FATAL_FAILURE(startDemo(viewer));
  EXPECT_EQ(viewer->output().find("error while parsing"), std::string::npos) << viewer->output();

  // Once the splash has gone: the page's dark blue in the top corner and the
  // big white title word across the middle.
  auto titleShown = [](const testfiles::Picture& screen) {
    ScreenColor corner = averageColor(screen, 8, 8, 120, 60);
    bool blue = corner.b > corner.r + 15 && corner.b < 110;
    return blue && countWhere(screen, 200, 375, 624, 100, white) > 3000;
  };
  EXPECT_TRUE(viewer->waitForScreen(titleShown, 20));

  // The last page lists the keys under an orange "Keyboard" heading.
  viewer->key("End");
  auto keysShown = [](const testfiles::Picture& screen) {
    return countWhere(screen, 70, 170, 150, 34, accentOrange) > 150 &&
           countWhere(screen, 200, 375, 624, 100, white) < 3000;
  };
  EXPECT_TRUE(viewer->waitForScreen(keysShown, 20));
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
