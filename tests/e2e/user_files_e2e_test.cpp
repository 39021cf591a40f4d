// The viewer on a user's files: a page named in another letter case, a
// damaged clip FFmpeg would complain about, a transition meant to last for
// ever.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_files.h"
#include "support/viewer_process.h"

TEST(UserFiles, ForeignCaseDamagedClipAndEndlessTransition) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  testfiles::TempDir dir;
  testfiles::writePng(dir.file("Red.PNG"), testfiles::solidPicture(64, 48, 230, 20, 20), false);
  // The demo's clip with its header scrambled.
  std::vector<uint8_t> clip = testfiles::readBytes(demoFile("clip.avi"));
  ASSERT_GT(clip.size(), 4000u);
  for (size_t i = 2000; i < clip.size() / 2; i += 5) clip[i] ^= 0x33;
  testfiles::writeText(dir.file("bad.avi"), std::string(clip.begin(), clip.end()));
  testfiles::writeText(dir.file("show.qvx"),
                       "<QVX>\nTransitionDuration=1e30\n</QVX>\n<SlideList>\n"
                       "<Slide>\n<Image>\nfilename=red.png\n</Image>\n</Slide>\n"
                       "<Slide>\n<Image>\nfilename=bad.avi\n</Image>\n</Slide>\n</SlideList>\n");

  ViewerProcess viewer({dir.file("show.qvx")});
  ASSERT_TRUE(viewer.waitForWindow()) << viewer.output() << viewer.errors();
  EXPECT_TRUE(viewer.waitForOutput("red.png: not found as written, opening ")) << viewer.output();
  EXPECT_TRUE(viewer.waitForScreen([](const testfiles::Picture& screen) {
    const uint8_t* centre = screen.at(screen.width / 2, screen.height / 2);
    return centre[0] > 200 && centre[1] < 60;
  })) << "the page is not shown";
  viewer.key("space");
  viewer.key("Escape");
  EXPECT_EQ(viewer.waitForExit(), 0);
  EXPECT_EQ(viewer.errors().find("[avi @"), std::string::npos) << viewer.errors();
}
