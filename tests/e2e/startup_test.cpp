// Start-up of the real binary: the command line, the console lines, and a
// user's files: a page named in another letter case, a damaged clip FFmpeg
// would complain about, a transition meant to last for ever.
#include <gtest/gtest.h>

#include "support/test_files.h"
#include "support/viewer_process.h"

namespace {

TEST(Startup, WithoutArgumentPrintsUsageAndOpensNoWindow) {
  std::string output;
  int status = runCommand(std::string(QUORVEX_BINARY) + " 2>&1", &output);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output, "usage: parameter is slide list file\n");
}

TEST(Startup, ShowsAUsersFilesDespiteForeignCaseADamagedClipAndAnEndlessTransition) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  testfiles::TempDir dir;
  testfiles::writePng(dir.file("Red.PNG"), testfiles::solidPicture(64, 48, 230, 20, 20), false);
  // The demo's clip with its header scrambled.
  std::vector<uint8_t> clip = testfiles::readBytes(besideBinary("demo/clip.avi"));
  ASSERT_GT(clip.size(), 4000u);
  for (size_t i = 2000; i < clip.size() / 2; i += 5) clip[i] ^= 0x33;
  testfiles::writeText(dir.file("bad.avi"), std::string(clip.begin(), clip.end()));
  testfiles::writeText(dir.file("show.qvx"),
                       "<QVX>\nTransitionDuration=1e30\n</QVX>\n<SlideList>\n"
                       "<Slide>\n<Image>\nfilename=red.png\n</Image>\n</Slide>\n"
                       "<Slide>\n<Image>\nfilename=bad.avi\n</Image>\n</Slide>\n</SlideList>\n");

  ViewerProcess viewer({dir.file("show.qvx")});
  ASSERT_TRUE(viewer.waitForWindow()) << viewer.output() << viewer.errors();
  // The calibration is looked for beside the program.
  EXPECT_NE(viewer.output().find("trying to open calibration file: " + besideBinary("qvx.cal\n")),
            std::string::npos)
      << viewer.output();
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

}  // namespace
