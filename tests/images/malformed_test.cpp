// Every hand-made malformed file under tests/malformed/ is rejected with a
// reason, whichever way it is broken. (Fuzz findings that turned out to be
// valid pictures are kept as "regress-*" and only replayed.)
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "images/exif_reader.h"
#include "images/image_stream.h"
#include "images/raster_image.h"
#include "support/test_files.h"

namespace {

std::vector<std::string> malformedFiles(const std::string& target) {
  std::vector<std::string> files;
  std::string folder = std::string(QUORVEX_SOURCE_DIR) + "/tests/malformed/" + target;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().filename().string().rfind("regress-", 0) != 0)
      files.push_back(entry.path().string());
  return files;
}

TEST(MalformedFiles, PicturesFailToDecode) {
  std::vector<std::string> files = malformedFiles("image_decode");
  EXPECT_GE(files.size(), 10u);
  for (const std::string& path : files) {
    std::vector<uint8_t> bytes = testfiles::readBytes(path);
    RasterImage image;
    MemoryImageStream stream(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    bool decoded = image.decode(stream, ImageFormatUnknown);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(decoded) << path;
    EXPECT_FALSE(image.lastError.empty()) << path;
    EXPECT_EQ(image.width(), 0) << path;
    // The file path, with the fallback, ends the same way.
    RasterImage loaded;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(loaded.load(path, ImageFormatJpeg)) << path;
    testing::internal::GetCapturedStdout();
  }
}

TEST(MalformedFiles, ExifBlocksAreNotAccepted) {
  std::vector<std::string> files = malformedFiles("exif");
  EXPECT_GE(files.size(), 10u);
  for (const std::string& path : files) {
    std::vector<uint8_t> bytes = testfiles::readBytes(path);
    ExifInfo info{};
    ExifReader reader(&info);
    MemoryImageStream stream(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    bool reached = reader.readSections(stream);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(reached && info.isExif) << path;
    EXPECT_FALSE(reader.error().empty()) << path;
  }
}

}  // namespace
