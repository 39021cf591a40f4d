#include "app/startup.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

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
  testing::internal::CaptureStdout();
  EXPECT_FALSE(readCalibrationFile(dir.file("none.cal").c_str()));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "trying to open calibration file: " + dir.file("none.cal") + "\n");
}

TEST(Wheel, FourNotchesComeBackAndDownFromZeroIsThree) {
  viewer.wheelMode = 0;
  // Any delta that is not above 0 goes down.
  for (auto [delta, mode] : {std::pair{-120, 3}, {-1, 2}, {120, 3}, {120, 0}, {120, 1}, {0, 0}}) {
    stepWheelMode(delta);
    EXPECT_EQ(viewer.wheelMode, mode) << delta;
  }
}

TEST(Projection, CalibrationMultipliesFromTheLeft) {
  REQUIRE_GL_WINDOW(160, 120);
  for (int i = 0; i < 16; ++i) viewer.calibrationMatrix[i] = (i % 5 == 0) ? 2 : 0;
  viewer.calibrationMatrix[15] = 1;
  viewer.calibrationLoaded = true;
  reshapeFunc(160, 120);
  GLdouble projection[16];
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  viewer.calibrationLoaded = false;
  reshapeFunc(160, 120);
  GLdouble perspective[16];
  glGetDoublev(GL_PROJECTION_MATRIX, perspective);
  // diag(2, 2, 2, 1) x perspective doubles the first three rows.
  for (int column = 0; column < 4; ++column)
    for (int row = 0; row < 4; ++row)
      EXPECT_NEAR(projection[column * 4 + row], perspective[column * 4 + row] * (row < 3 ? 2 : 1),
                  1e-9);
  GLint mode;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST(Reshape, RecordsTheWindowedSizeOnlyWhileWindowed) {
  REQUIRE_GL_WINDOW(160, 120);
  viewer.windowedWidth = viewer.windowedHeight = 0;
  viewer.fullScreen = true;
  reshapeFunc(1024, 768);
  EXPECT_EQ(viewer.windowWidth, 1024);
  EXPECT_EQ(viewer.windowedWidth, 0);
  viewer.fullScreen = false;
  reshapeFunc(800, 600);
  EXPECT_EQ(viewer.windowedWidth, 800);
  EXPECT_EQ(viewer.windowedHeight, 600);
  EXPECT_NEAR(viewer.visibleWidth / viewer.visibleHeight, 800.0 / 600.0, 1e-5);
}

}  // namespace
