// Names written in another letter case find the one file they mean.
#include <gtest/gtest.h>

#include "platform/file_case.h"
#include "support/test_files.h"

TEST(FileCase, TheOneFileThatMatchesIgnoringCase) {
  testfiles::TempDir dir;
  for (const char* name : {"Photo.JPG", "twin.png", "TWIN.png", "exact.wav"})
    testfiles::writeText(dir.file(name), "x");
  const std::string base = dir.path() + "/";
  const struct {
    std::string written, opened;
    bool reported;
  } cases[] = {
      {base + "photo.jpg", base + "Photo.JPG", true},
      {base + "photo.jpg", base + "Photo.JPG", false},  // said once
      {dir.path() + "\\PHOTO.jpg", base + "Photo.JPG", true},
      {base + "exact.wav", base + "exact.wav", false},
      {base + "Twin.PNG", base + "Twin.PNG", false},  // two candidates: none chosen
      {base + "none.jpg", base + "none.jpg", false},
      {base + "photo.jpg/", base + "photo.jpg/", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    testing::internal::CaptureStdout();
    EXPECT_EQ(findFileIgnoringCase(c.written), c.opened);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed,
              c.reported ? c.written + ": not found as written, opening " + c.opened + "\n" : "");
  }
}
