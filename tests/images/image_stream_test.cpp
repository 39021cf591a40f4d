// The decoders' byte sources: a file opened "rb" and bytes in memory, with
// fread/fseek semantics.
#include "images/image_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "support/test_files.h"

namespace {

// Over the ten bytes "0123456789".
void exerciseStream(ImageStream& stream) {
  char buffer[8] = {};
  EXPECT_EQ(stream.tell(), 0);
  EXPECT_EQ(stream.read(buffer, 2, 2), 2u);
  EXPECT_EQ(std::memcmp(buffer, "0123", 4), 0);
  EXPECT_EQ(stream.getc(), '4');
  EXPECT_EQ(stream.tell(), 5);
  EXPECT_EQ(stream.read(buffer, 4, 2), 1u);  // whole items only: 5 bytes remain
  EXPECT_EQ(stream.seek(-3, SEEK_END), 0);
  EXPECT_EQ(stream.getc(), '7');
  EXPECT_EQ(stream.seek(-2, SEEK_CUR), 0);
  EXPECT_EQ(stream.getc(), '6');
  EXPECT_EQ(stream.seek(1, SEEK_SET), 0);
  EXPECT_EQ(stream.getc(), '1');
  EXPECT_NE(stream.seek(-20, SEEK_CUR), 0);
  EXPECT_EQ(stream.seek(100, SEEK_SET), 0);  // past the end, as files allow
  EXPECT_EQ(stream.getc(), EOF);
  EXPECT_EQ(stream.read(buffer, 1, 8), 0u);
}

TEST(ImageStream, MemoryAndFileStreamsReadLikeFiles) {
  MemoryImageStream memory("0123456789", 10);
  exerciseStream(memory);

  testfiles::TempDir dir;
  testfiles::writeText(dir.file("digits.bin"), "0123456789");
  std::string windowsStyle = dir.file("digits.bin");
  std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
  FileImageStream file(windowsStyle);
  ASSERT_TRUE(file.isOpen());
  exerciseStream(file);

  MemoryImageStream empty(nullptr, 0);
  FileImageStream missing(dir.file("absent.bin"));
  EXPECT_FALSE(missing.isOpen());
  EXPECT_NE(missing.seek(0, SEEK_SET), 0);
  char byte;
  EXPECT_EQ(
      std::tuple(empty.read(&byte, 1, 1), empty.getc(), missing.read(&byte, 1, 1), missing.getc()),
      std::tuple(0u, EOF, 0u, EOF));

  FILE* borrowed = std::fopen(dir.file("digits.bin").c_str(), "rb");
  ASSERT_NE(borrowed, nullptr);
  {
    FileImageStream stream(borrowed);
    EXPECT_EQ(stream.getc(), '0');
  }
  EXPECT_EQ(std::fgetc(borrowed), '1');  // still open: the stream did not close it
  std::fclose(borrowed);
}

}  // namespace
