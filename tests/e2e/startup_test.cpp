// Start-up of the real binary: the command line, the console lines and the
// window it opens.
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

TEST(Startup, OpensAFullScreenWindowAndQuitsOnQ) {
  if (testDisplay().empty()) GTEST_SKIP() << "no X display";
  testfiles::TempDir dir;
  testfiles::writePng(dir.file("page.png"), testfiles::solidPicture(64, 48, 200, 40, 40), false);
  ViewerProcess viewer({dir.path()});
  ASSERT_TRUE(viewer.waitForWindow()) << viewer.output() << viewer.errors();
  std::string output = viewer.output();
  std::string binaryDirectory = QUORVEX_BINARY;
  binaryDirectory = binaryDirectory.substr(0, binaryDirectory.rfind('/') + 1);
  EXPECT_NE(output.find("trying to open calibration file: " + binaryDirectory + "qvx.cal\n"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("Status: Using GLEW "), std::string::npos) << output;
  viewer.key("q");
  EXPECT_EQ(viewer.waitForExit(), 0);
}

}  // namespace
