// The bundled demo presentation in the real viewer: it loads and shows its
// title page, and dragging with the middle button turns the crate on its
// model page.
#include "e2e/screen_checks.h"

namespace e2e {
namespace {

bool white(const uint8_t* p) {
  return p[0] > 225 && p[1] > 225 && p[2] > 225;
}
// The crate's wood in the model's region: warm browns, red well above blue.
int woodPixels(const testfiles::Picture& screen) {
  return countWhere(screen, 700, 380, 324, 280, [](const uint8_t* p) {
    return p[0] > 110 && p[0] > p[2] + 50 && p[1] > p[2] + 15;
  });
}

// Pixels of the model's region that differ between two screens.
int changedPixels(const testfiles::Picture& a, const testfiles::Picture& b) {
  if (a.width != b.width || a.height != b.height) return 0;
  return countWhere(a, 700, 380, 324, 280, [&](const uint8_t* p) {
    return std::abs(p[0] - b.rgba[p - a.rgba.data()]) > 40;
  });
}

TEST(DemoPresentation, ShowsItsTitleAndTurnsItsModel) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  std::string talk = besideBinary("demo/talk.qvx");
  ASSERT_FALSE(testfiles::readBytes(talk).empty()) << "made by the demo target";
  ViewerProcess viewer({talk});
  ASSERT_TRUE(viewer.waitForWindow()) << viewer.output() << viewer.errors();
  ASSERT_TRUE(viewer.waitForOutput(" ...ready\n")) << viewer.output();
  EXPECT_EQ(viewer.output().find("error while parsing"), std::string::npos) << viewer.output();

  // Once the splash has gone: the page's dark blue in the top corner and the
  // big white title word across the middle.
  EXPECT_TRUE(viewer.waitForScreen(
      [](const testfiles::Picture& screen) {
        ScreenColor corner = averageColor(screen, 8, 8, 120, 60);
        return corner.b > corner.r + 15 && corner.b < 110 &&
               countWhere(screen, 200, 375, 624, 100, white) > 3000;
      },
      20));

  viewer.type("10");
  viewer.key("Return");
  ASSERT_TRUE(viewer.waitForOutput("loading model ")) << viewer.output();
  // Still: the jump's blend is over when two screens in a row agree.
  testfiles::Picture still;
  ASSERT_TRUE(viewer.waitForScreen(
      [&](const testfiles::Picture& screen) {
        bool settled = still.width > 0 && changedPixels(still, screen) < 50;
        still = screen;
        return settled && woodPixels(screen) > 3000;
      },
      20));
  viewer.moveMouse(600, 300);
  viewer.xdotool("mousedown 2 mousemove 640 320 mousemove 690 350 mouseup 2");
  EXPECT_TRUE(viewer.waitForScreen([&](const testfiles::Picture& screen) {
    return changedPixels(still, screen) > 2000 && woodPixels(screen) > 3000;
  }));
  EXPECT_EQ(viewer.errors().find("syntax error"), std::string::npos) << viewer.errors();

  viewer.key("q");
  EXPECT_EQ(viewer.waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
