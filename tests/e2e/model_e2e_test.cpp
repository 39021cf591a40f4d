// The demo's model page in the real viewer: the crate shows on the right of
// the page, and dragging with the middle button turns it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/test_files.h"
#include "support/viewer_process.h"

namespace {

// The crate's wood: warm browns, red well above blue.
int woodPixels(const testfiles::Picture& screen) {
  int count = 0;
  for (int y = 380; y < 660 && y < screen.height; ++y)
    for (int x = 700; x < 1024 && x < screen.width; ++x) {
      const uint8_t* p = screen.at(x, y);
      count += p[0] > 110 && p[0] > p[2] + 50 && p[1] > p[2] + 15;
    }
  return count;
}

// Pixels of the model's region that differ between two screens.
int changedPixels(const testfiles::Picture& a, const testfiles::Picture& b) {
  int count = 0;
  for (int y = 380; y < 660 && y < a.height && y < b.height; ++y)
    for (int x = 700; x < 1024 && x < a.width && x < b.width; ++x)
      count += std::abs(a.at(x, y)[0] - b.at(x, y)[0]) > 40;
  return count;
}

}  // namespace

TEST(ModelPage, TheMiddleButtonTurnsTheModel) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  std::string binary = QUORVEX_BINARY;
  std::string talk = binary.substr(0, binary.rfind('/') + 1) + "demo/talk.qvx";
  ASSERT_FALSE(testfiles::readBytes(talk).empty()) << "made by the demo target";

  ViewerProcess viewer({talk});
  ASSERT_TRUE(viewer.waitForWindow()) << viewer.output() << viewer.errors();
  ASSERT_TRUE(viewer.waitForOutput(" ...ready\n")) << viewer.output();
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
  EXPECT_TRUE(viewer.waitForScreen(
      [&](const testfiles::Picture& screen) {
        return changedPixels(still, screen) > 2000 && woodPixels(screen) > 3000;
      },
      10));
  EXPECT_EQ(viewer.errors().find("syntax error"), std::string::npos) << viewer.errors();
  viewer.key("q");
  EXPECT_EQ(viewer.waitForExit(), 0);
}
