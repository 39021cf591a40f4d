#include "app/startup.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>

#include "app/state/viewer_state.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

class CalibrationFile : public ::testing::Test {
 protected:
  bool read(const std::string& text) {
    testfiles::writeText(dir.file("qvx.cal"), text);
    for (double& value : viewer.calibrationMatrix) value = 0;
    testing::internal::CaptureStdout();
    bool loaded = readCalibrationFile(dir.file("qvx.cal").c_str());
    printed = testing::internal::GetCapturedStdout();
    return loaded;
  }
  static std::string numbers(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += std::to_string(i) + (i % 4 ? " " : "\n");
    return text;
  }
  testfiles::TempDir dir;
  std::string printed;
};

TEST_F(CalibrationFile, SixteenNumbersAreNeededAndOnlyThoseAreRead) {
  const struct {
    std::string text;
    bool loaded;
  } cases[] = {{numbers(16), true},
               {numbers(16).substr(0, numbers(16).size() - 1), true},  // no final line break
               {"1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 16 17 trailing words", true},
               {numbers(15) + "\n", false},
               {"1 0 0 0 0 1 0 0 x 0 1 0 0 0 0 1", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(read(c.text), c.loaded) << c.text;
    EXPECT_EQ(printed, "trying to open calibration file: " + dir.file("qvx.cal") + "\n");
    if (c.loaded) {
      EXPECT_EQ(viewer.calibrationMatrix[15], 16) << c.text;
    }
  }
}

TEST(Projection, CalibrationMultipliesFromTheLeft) {
  REQUIRE_GL_WINDOW(160, 120);
  for (int i = 0; i < 16; ++i) viewer.calibrationMatrix[i] = i == 15 ? 1 : i % 5 == 0 ? 2 : 0;
  GLdouble projection[2][16];
  for (bool calibrated : {false, true}) {
    viewer.calibrationLoaded = calibrated;
    reshapeFunc(160, 120);
    glGetDoublev(GL_PROJECTION_MATRIX, projection[calibrated]);
  }
  viewer.calibrationLoaded = false;
  // diag(2, 2, 2, 1) x perspective doubles the first three rows.
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(projection[1][i], projection[0][i] * (i % 4 < 3 ? 2 : 1), 1e-9) << i;
}

}  // namespace
