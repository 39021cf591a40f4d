// The bundled demo presentation in the real viewer: it loads, shows its
// title page and, after End, its last page.
#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"
#include "support/viewer_process.h"

namespace {

// Pixels of the rectangle for which accept(r, g, b) holds.
int countPixels(const testfiles::Picture& screen, int left, int top, int right, int bottom,
                bool (*accept)(int r, int g, int b)) {
  int count = 0;
  for (int y = top; y < bottom && y < screen.height; ++y)
    for (int x = left; x < right && x < screen.width; ++x) {
      const uint8_t* p = screen.at(x, y);
      count += accept(p[0], p[1], p[2]);
    }
  return count;
}

bool white(int r, int g, int b) {
  return r > 225 && g > 225 && b > 225;
}
bool accentOrange(int r, int g, int b) {
  return r > 200 && g > 130 && g < 210 && b < 120;
}

TEST(DemoPresentation, LoadsAndShowsItsTitleAndItsLastPage) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  std::string binary = QUORVEX_BINARY;
  std::string talk = binary.substr(0, binary.rfind('/') + 1) + "demo/talk.qvx";
  ASSERT_FALSE(testfiles::readBytes(talk).empty()) << "made by the demo target";

  ViewerProcess viewer({talk});
  ASSERT_TRUE(viewer.waitForWindow()) << viewer.output() << viewer.errors();
  ASSERT_TRUE(viewer.waitForOutput(" ...ready\n")) << viewer.output();
  EXPECT_EQ(viewer.output().find("error while parsing"), std::string::npos) << viewer.output();

  // Once the splash has gone: the page's dark blue in the top corner and the
  // big white title word across the middle.
  auto titleShown = [](const testfiles::Picture& screen) {
    ScreenColor corner = averageColor(screen, 8, 8, 120, 60);
    bool blue = corner.b > corner.r + 15 && corner.b < 110;
    return blue && countPixels(screen, 200, 375, 824, 475, white) > 3000;
  };
  EXPECT_TRUE(viewer.waitForScreen(titleShown, 20));

  // The last page lists the keys under an orange "Keyboard" heading.
  viewer.key("End");
  auto keysShown = [](const testfiles::Picture& screen) {
    return countPixels(screen, 70, 170, 220, 204, accentOrange) > 150 &&
           countPixels(screen, 200, 375, 824, 475, white) < 3000;
  };
  EXPECT_TRUE(viewer.waitForScreen(keysShown, 20));

  viewer.key("q");
  EXPECT_EQ(viewer.waitForExit(), 0);
}

}  // namespace
