// Every hand-made malformed file under tests/malformed/ is rejected with a
// reason, whichever way it is broken. (Fuzz findings that turned out to be
// valid pictures are kept as "regress-*" and only replayed.)
#include <gtest/gtest.h>

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
  for (const auto& entry :
       std::filesystem::directory_iterator(QUORVEX_SOURCE_DIR "/tests/malformed/" + target))
    if (entry.path().filename().string().rfind("regress-", 0) != 0)
      files.push_back(entry.path().string());
  EXPECT_GE(files.size(), 10u);
  return files;
}

TEST(MalformedFiles, PicturesFailToDecode) {
  for (const std::string& path : malformedFiles("image_decode")) {
    std::vector<uint8_t> bytes = testfiles::readBytes(path);
    RasterImage image, loaded;
    MemoryImageStream stream(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(image.decode(stream, ImageFormatUnknown)) << path;
    EXPECT_FALSE(loaded.load(path, ImageFormatJpeg)) << path;  // with the fallback too
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(image.lastError.empty()) << path;
    EXPECT_EQ(image.width(), 0) << path;
  }
}

TEST(MalformedFiles, ExifBlocksAreNotAccepted) {
  for (const std::string& path : malformedFiles("exif")) {
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
