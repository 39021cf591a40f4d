// Every hand-made malformed file under tests/malformed/ is rejected with a
// reason, whichever way it is broken. (Fuzz findings that turned out to be
// valid pictures are kept as "regress-*" and only replayed.)
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

// Each crafted EXIF file with the check it must fall foul of.
TEST(MalformedFiles, ExifBlocksAreNotAccepted) {
  const std::map<std::string, std::string> reasons = {
      {"alignment.jpg", "Invalid Exif alignment marker."},
      {"count-wraps.jpg", "Illegal pointer offset value in EXIF."},
      {"deep-chain.jpg", "EXIF directories nested too deep"},
      {"entry-count-beyond.jpg", "Illegally sized directory"},
      {"first-directory-offset.jpg", "Suspicious offset of first IFD value"},
      {"format-zero.jpg", "Illegal format code in EXIF dir"},
      {"length-below-two.jpg", "invalid marker"},
      {"next-link-loop.jpg", "EXIF directory linked twice"},
      {"no-image.jpg", "No image in jpeg!"},
      {"not-jpeg.jpg", "Not a JPEG file"},
      {"short-tiff-header.jpg", "Invalid Exif start (1)"},
      {"subdirectory-beyond.jpg", "Illegal subdirectory link"},
      {"subdirectory-links-parent.jpg", "EXIF directory linked twice"},
      {"too-many-directories.jpg", "Too many EXIF directories"},
      {"too-many-sections.jpg", "Too many sections in jpg file"},
      {"too-much-padding.jpg", "too many padding bytes"},
      {"truncated-section.jpg", "Premature end of file?"},
      {"value-offset-beyond.jpg", "Illegal pointer offset value in EXIF."},
  };
  for (const std::string& path : malformedFiles("exif")) {
    std::vector<uint8_t> bytes = testfiles::readBytes(path);
    ExifInfo info{};
    ExifReader reader(&info);
    MemoryImageStream stream(bytes.data(), bytes.size());
    testing::internal::CaptureStdout();
    bool reached = reader.readSections(stream);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(reached && info.isExif) << path;
    auto reason = reasons.find(std::filesystem::path(path).filename().string());
    ASSERT_NE(reason, reasons.end()) << path << ": " << reader.error();
    EXPECT_EQ(reader.error(), reason->second) << path;
  }
}

}  // namespace
