// The demo's model page in the real viewer: the crate shows on the right of
// the page, and dragging with the middle button turns it.
#include "e2e/screen_checks.h"

namespace e2e {
namespace {

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

TEST(ModelPage, TheMiddleButtonTurnsTheModel) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  std::unique_ptr<ViewerProcess> viewer;
  ASSERT_NO_FATAL_FAILURE(startDemo(viewer));
  viewer->type("10");
  viewer->key("Return");
  ASSERT_TRUE(viewer->waitForOutput("loading model ")) << viewer->output();
  // Still: the jump's blend is over when two screens in a row agree.
  testfiles::Picture still;
  ASSERT_TRUE(viewer->waitForScreen(
      [&](const testfiles::Picture& screen) {
        bool settled = still.width > 0 && changedPixels(still, screen) < 50;
        still = screen;
        return settled && woodPixels(screen) > 3000;
      },
      20));

  viewer->moveMouse(600, 300);
  viewer->xdotool("mousedown 2 mousemove 640 320 mousemove 690 350 mouseup 2");
  EXPECT_TRUE(viewer->waitForScreen(
      [&](const testfiles::Picture& screen) {
        return changedPixels(still, screen) > 2000 && woodPixels(screen) > 3000;
      },
      10));
  EXPECT_EQ(viewer->errors().find("syntax error"), std::string::npos) << viewer->errors();
  viewer->key("q");
  EXPECT_EQ(viewer->waitForExit(), 0);
}

}  // namespace
}  // namespace e2e
