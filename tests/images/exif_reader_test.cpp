// The EXIF reader over marker sections and TIFF directories built byte by
// byte, in both byte orders, including blocks crafted to lead it astray.
#include "images/exif_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "encoders.h"
#include "images/image_stream.h"
#include "images/raster_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Writes TIFF directories: entries with inline or out-of-line values,
// links to other directories, raw bytes where a test needs them.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool bigEndian) : bigEndian(bigEndian) { directories.emplace_back(); }

  int addDirectory() {
    directories.emplace_back();
    return int(directories.size()) - 1;
  }

  void add(int dir, uint16_t tag, uint16_t format, uint32_t count, Bytes value) {
    directories[size_t(dir)].entries.push_back({tag, format, count, std::move(value), -1});
  }
  void addShort(int dir, uint16_t tag, uint16_t v) { add(dir, tag, 3, 1, u16(v)); }
  void addLong(int dir, uint16_t tag, uint32_t v) { add(dir, tag, 4, 1, u32(v)); }
  void addRational(int dir, uint16_t tag, int32_t numerator, int32_t denominator,
                   uint16_t format = 5) {
    Bytes value = u32(uint32_t(numerator));
    Bytes second = u32(uint32_t(denominator));
    value.insert(value.end(), second.begin(), second.end());
    add(dir, tag, format, 1, value);
  }
  void addAscii(int dir, uint16_t tag, const std::string& text) {
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    add(dir, tag, 2, uint32_t(value.size()), value);
  }
  void addUndefined(int dir, uint16_t tag, const std::string& bytes) {
    add(dir, tag, 7, uint32_t(bytes.size()), Bytes(bytes.begin(), bytes.end()));
  }
  void addFloat(int dir, uint16_t tag, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    add(dir, tag, 11, 1, u32(bits));
  }
  void addDouble(int dir, uint16_t tag, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Bytes high = u32(uint32_t(bits >> 32)), low = u32(uint32_t(bits));
    Bytes value = bigEndian ? high : low;
    Bytes rest = bigEndian ? low : high;
    value.insert(value.end(), rest.begin(), rest.end());
    add(dir, tag, 12, 1, value);
  }
  // A LONG entry holding the offset of another directory.
  void addLink(int dir, uint16_t tag, int target) {
    directories[size_t(dir)].entries.push_back({tag, 4, 1, u32(0), target});
  }
  // Replaces the value of an entry (of the same size: the layout stays).
  void setValue(int dir, int entry, Bytes value) {
    directories[size_t(dir)].entries[size_t(entry)].value = std::move(value);
  }
  void setNext(int dir, int target) { directories[size_t(dir)].next = target; }
  // Bytes placed in the data area; their offset comes back from offsetOf().
  int addBlob(const std::string& bytes) {
    blobs.emplace_back(bytes.begin(), bytes.end());
    return int(blobs.size()) - 1;
  }

  Bytes u16(uint16_t v) const {
    return bigEndian ? Bytes{uint8_t(v >> 8), uint8_t(v)} : Bytes{uint8_t(v), uint8_t(v >> 8)};
  }
  Bytes u32(uint32_t v) const {
    Bytes b{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    if (!bigEndian) std::reverse(b.begin(), b.end());
    return b;
  }

  // The TIFF data: header, directories one after the other, then values.
  Bytes tiff() {
    layOut();
    Bytes out(dataEnd, 0);
    put(out, 0, bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'});
    put(out, 2, u16(42));
    put(out, 4, u32(8));
    for (size_t d = 0; d < directories.size(); ++d) {
      const Directory& dir = directories[d];
      size_t at = directoryOffsets[d];
      put(out, at, u16(uint16_t(dir.entries.size())));
      for (size_t e = 0; e < dir.entries.size(); ++e) {
        const Entry& entry = dir.entries[e];
        size_t entryAt = at + 2 + 12 * e;
        put(out, entryAt, u16(entry.tag));
        put(out, entryAt + 2, u16(entry.format));
        put(out, entryAt + 4, u32(entry.count));
        if (entry.link >= 0) {
          put(out, entryAt + 8, u32(uint32_t(directoryOffsets[size_t(entry.link)])));
        } else if (entry.value.size() > 4) {
          put(out, entryAt + 8, u32(uint32_t(entry.valueOffset)));
          put(out, entry.valueOffset, entry.value);
        } else {
          put(out, entryAt + 8, entry.value);
        }
      }
      uint32_t next = dir.next >= 0 ? uint32_t(directoryOffsets[size_t(dir.next)]) : 0;
      put(out, at + 2 + 12 * dir.entries.size(), u32(next));
    }
    for (size_t b = 0; b < blobs.size(); ++b) put(out, blobOffsets[b], blobs[b]);
    return out;
  }
  size_t offsetOf(int blob) {
    layOut();
    return blobOffsets[size_t(blob)];
  }
  size_t directoryOffset(int dir) {
    layOut();
    return directoryOffsets[size_t(dir)];
  }

  // "Exif\0\0" followed by the TIFF data: an APP1 payload.
  Bytes app1() {
    Bytes out = {'E', 'x', 'i', 'f', 0, 0};
    Bytes data = tiff();
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }

 private:
  struct Entry {
    uint16_t tag, format;
    uint32_t count;
    Bytes value;
    int link;
    size_t valueOffset = 0;
  };
  struct Directory {
    std::vector<Entry> entries;
    int next = -1;
  };

  static void put(Bytes& out, size_t at, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), out.begin() + long(at));
  }

  void layOut() {
    size_t at = 8;
    directoryOffsets.clear();
    for (const Directory& dir : directories) {
      directoryOffsets.push_back(at);
      at += 2 + 12 * dir.entries.size() + 4;
    }
    for (Directory& dir : directories)
      for (Entry& entry : dir.entries)
        if (entry.link < 0 && entry.value.size() > 4) {
          entry.valueOffset = at;
          at += (entry.value.size() + 1) & ~size_t(1);
        }
    blobOffsets.clear();
    for (const Bytes& blob : blobs) {
      blobOffsets.push_back(at);
      at += blob.size();
    }
    dataEnd = at;
  }

  bool bigEndian;
  std::vector<Directory> directories;
  std::vector<Bytes> blobs;
  std::vector<size_t> directoryOffsets, blobOffsets;
  size_t dataEnd = 0;
};

Bytes section(int marker, const Bytes& data) {
  size_t length = data.size() + 2;
  Bytes out = {0xFF, uint8_t(marker), uint8_t(length >> 8), uint8_t(length)};
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

const Bytes frameHeader = {8, 0x01, 0xE0, 0x02, 0x80, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
const Bytes scanHeader = {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0};

// SOI, the given sections, then a frame header and a start of scan.
Bytes jpegSections(const std::vector<Bytes>& sections) {
  Bytes out = {0xFF, 0xD8};
  for (const Bytes& s : sections) out.insert(out.end(), s.begin(), s.end());
  Bytes frame = section(0xC0, frameHeader), scan = section(0xDA, scanHeader);
  out.insert(out.end(), frame.begin(), frame.end());
  out.insert(out.end(), scan.begin(), scan.end());
  return out;
}

struct ReadResult {
  bool reached;
  ExifInfo info;
  std::string error;
  std::string printed;
};

ReadResult readBytes(const Bytes& bytes) {
  ExifInfo info{};
  ExifReader reader(&info);
  MemoryImageStream stream(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  bool reached = reader.readSections(stream);
  std::string printed = testing::internal::GetCapturedStdout();
  return {reached, info, reader.error(), printed};
}

ExifInfo parseBlock(const Bytes& app1, bool expected = true, std::string* error = nullptr) {
  ExifInfo info{};
  ExifReader reader(&info);
  EXPECT_EQ(reader.parseExifBlock(app1.data(), app1.size()), expected) << reader.error();
  EXPECT_EQ(info.isExif, expected);
  if (error) *error = reader.error();
  return info;
}

// Every field the reader fills, across IFD0, the EXIF and interoperability
// sub-directories and IFD1.
Bytes fullBlock(bool bigEndian) {
  TiffBuilder b(bigEndian);
  int exif = b.addDirectory(), interop = b.addDirectory(), ifd1 = b.addDirectory();
  b.addAscii(0, 0x010F, "Quorvex Optics");
  b.addAscii(0, 0x0110, "QX-100 with a model name well beyond forty characters");
  b.addShort(0, 0x0112, 6);
  b.addRational(0, 0x011A, 300, 1);
  b.addRational(0, 0x011B, 150, 1);
  b.addShort(0, 0x0128, 2);
  b.addLink(0, 0x8769, exif);
  b.setNext(0, ifd1);

  b.addRational(exif, 0x829A, 1, 250);
  b.addRational(exif, 0x829D, 28, 10);
  b.addShort(exif, 0x8822, 2);
  b.addShort(exif, 0x8827, 2);
  b.addUndefined(exif, 0x9000, "0230");
  b.addAscii(exif, 0x9003, "2024:01:02 03:04:05");
  b.addRational(exif, 0x9102, 4, 1);
  b.addRational(exif, 0x9201, 9, 1, 10);  // ignored: exposure time already known
  b.addDouble(exif, 0x9203, -1.25);
  b.addRational(exif, 0x9204, -2, 3, 10);
  b.addRational(exif, 0x9206, 3, 2);
  b.addShort(exif, 0x9207, 5);
  b.addShort(exif, 0x9208, 1);
  b.addShort(exif, 0x9209, 0x19);
  b.addRational(exif, 0x920A, 50, 1);
  b.addUndefined(exif, 0x9286, std::string("ASCII\0\0\0Hello there   ", 22));
  b.addLong(exif, 0xA002, 3000);
  b.addShort(exif, 0xA003, 2000);
  b.addLink(exif, 0xA005, interop);
  b.addRational(exif, 0xA20E, 4000, 1);
  b.addFloat(exif, 0xA20F, 2000.5f);
  b.addShort(exif, 0xA210, 3);

  b.addAscii(interop, 0x0001, "R98");

  int thumbnail = b.addBlob("THUMBNAIL");
  b.addLong(ifd1, 0x0201, 0);
  b.addLong(ifd1, 0x0202, 9);
  b.setValue(ifd1, 0, b.u32(uint32_t(b.offsetOf(thumbnail))));
  return b.app1();
}

void expectFullBlock(const ExifInfo& info) {
  EXPECT_TRUE(info.isExif);
  EXPECT_STREQ(info.make, "Quorvex Optics");
  EXPECT_STREQ(info.model, "QX-100 with a model name well beyond fo");  // 39 characters
  EXPECT_STREQ(info.dateTime, "2024:01:02 03:04:05");
  EXPECT_STREQ(info.version, "0230");
  EXPECT_EQ(info.orientation, 6);
  EXPECT_FLOAT_EQ(info.xResolution, 300);
  EXPECT_FLOAT_EQ(info.yResolution, 150);
  EXPECT_FLOAT_EQ(info.resolutionUnit, 1.0f);
  EXPECT_FLOAT_EQ(info.exposureTime, 1.0f / 250);
  EXPECT_FLOAT_EQ(info.fNumber, 2.8f);
  EXPECT_EQ(info.exposureProgram, 2);
  EXPECT_EQ(info.isoSpeed, 400);
  EXPECT_EQ(info.compressedBitsPerPixel, 4);
  EXPECT_FLOAT_EQ(info.brightness, -1.25f);
  EXPECT_FLOAT_EQ(info.exposureBias, -2.0f / 3);
  EXPECT_FLOAT_EQ(info.subjectDistance, 1.5f);
  EXPECT_EQ(info.meteringMode, 5);
  EXPECT_EQ(info.lightSource, 1);
  EXPECT_EQ(info.flashUsed, 1);
  EXPECT_FLOAT_EQ(info.focalLength, 50);
  EXPECT_STREQ(info.comment, "Hello there");
  EXPECT_FLOAT_EQ(info.focalPlaneXRes, 4000);
  EXPECT_FLOAT_EQ(info.focalPlaneYRes, 2000.5f);
  EXPECT_FLOAT_EQ(info.focalPlaneUnit, 0.3937008f);
  EXPECT_FLOAT_EQ(info.ccdWidth, float(3000 * double(0.3937008f) / 4000));
  ASSERT_NE(info.thumbnail, nullptr);
  EXPECT_EQ(info.thumbnailSize, 9u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.thumbnail), 9), "THUMBNAIL");
}

TEST(ExifReader, ReadsEveryFieldInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    Bytes bytes = jpegSections({section(0xE1, fullBlock(bigEndian))});
    ExifInfo info{};
    ExifReader reader(&info);
    MemoryImageStream stream(bytes.data(), bytes.size());
    ASSERT_TRUE(reader.readSections(stream)) << reader.error();
    expectFullBlock(info);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
    EXPECT_EQ(info.isColor, 1);
    EXPECT_EQ(info.process, 0xC0);
    // Kept: the EXIF block, the frame header and the start of scan.
    ASSERT_EQ(reader.sections().size(), 3u);
    EXPECT_EQ(reader.sections()[0].marker, 0xE1);
    EXPECT_EQ(reader.sections()[2].marker, 0xDA);
  }
}

TEST(ExifReader, OwnsARecordWhenGivenNone) {
  ExifReader reader;
  Bytes block = fullBlock(false);
  EXPECT_TRUE(reader.parseExifBlock(block.data(), block.size()));
  EXPECT_EQ(reader.info().isoSpeed, 400);
}

TEST(ExifReader, DerivesExposureAndApertureFromApexValues) {
  TiffBuilder b(true);
  b.addRational(0, 0x9201, 5, 1, 10);
  b.addRational(0, 0x9202, 4, 1);
  b.addRational(0, 0x9205, 8, 1);  // ignored: the f-number is known by now
  ExifInfo info = parseBlock(b.app1());
  EXPECT_FLOAT_EQ(info.exposureTime, 1.0f / 32);
  EXPECT_FLOAT_EQ(info.fNumber, 4.0f);
}

TEST(ExifReader, OrientationOutsideOneToEightStoresZero) {
  TiffBuilder b(false);
  b.addShort(0, 0x0112, 9);
  ExifInfo info{};
  ExifReader reader(&info);
  Bytes block = b.app1();
  EXPECT_TRUE(reader.parseExifBlock(block.data(), block.size()));
  EXPECT_EQ(info.orientation, 0);
  EXPECT_EQ(reader.error(), "Undefined rotation value");
}

TEST(ExifReader, IsoSpeedBelowFiftyIsInUnitsOfTwoHundred) {
  const int cases[][2] = {{2, 400}, {49, 9800}, {50, 50}, {100, 100}, {0, 0}};
  for (const auto& c : cases) {
    TiffBuilder b(false);
    b.addShort(0, 0x8827, uint16_t(c[0]));
    EXPECT_EQ(parseBlock(b.app1()).isoSpeed, c[1]) << c[0];
  }
}

TEST(ExifReader, UnitCodesAreLengthsInInches) {
  const double inches[] = {0, 1.0, 1.0, 0.3937008, 0.03937008, 0.00003937008, 0, 0};
  for (int code = 0; code < 8; ++code) {
    TiffBuilder b(code % 2 == 0);
    b.addShort(0, 0x0128, uint16_t(code));
    b.addShort(0, 0xA210, uint16_t(code));
    ExifInfo info = parseBlock(b.app1());
    EXPECT_FLOAT_EQ(info.resolutionUnit, float(inches[code])) << code;
    EXPECT_FLOAT_EQ(info.focalPlaneUnit, float(inches[code])) << code;
  }
}

TEST(ExifReader, FlashAndStringLimits) {
  TiffBuilder b(false);
  b.addShort(0, 0x9209, 0x10);  // flash did not fire
  b.addAscii(0, 0x010F, std::string(60, 'M'));
  b.addAscii(0, 0x9003, "2024:01:02 03:04:05 and more");
  b.addUndefined(0, 0x9286, std::string(300, 'c'));
  b.addUndefined(0, 0x9000, "02");  // short version, inline
  ExifInfo info = parseBlock(b.app1());
  EXPECT_EQ(info.flashUsed, 0);
  EXPECT_EQ(std::strlen(info.make), 31u);
  EXPECT_STREQ(info.dateTime, "2024:01:02 03:04:05");
  EXPECT_EQ(std::strlen(info.comment), 199u);
  EXPECT_STREQ(info.version, "02");
}

TEST(ExifReader, UserCommentForms) {
  struct Case {
    std::string raw, expected;
  };
  const Case cases[] = {
      {std::string("ASCII\0\0\0note", 12), "note"},
      {std::string("ASCII   \0\0", 10), ""},  // nothing after the code
      {std::string("plain text  ", 12), "plain text"},
      {std::string("    ", 4), ""},
      {std::string("AS", 2), "AS"},
  };
  for (const Case& c : cases) {
    TiffBuilder b(true);
    b.addUndefined(0, 0x9286, c.raw);
    EXPECT_EQ(std::string(parseBlock(b.app1()).comment), c.expected);
  }
}

TEST(ExifReader, CommentSections) {
  Bytes com = {'l', 'i', 'n', 'e', '\r', '\n', 'a', '\r', 'b', 1, '\t', 'e', 0x80, '\n'};
  Bytes second = {'s', 'e', 'c', 'o', 'n', 'd'};
  ReadResult result = readBytes(jpegSections({section(0xFE, com), section(0xFE, second)}));
  EXPECT_TRUE(result.reached);
  EXPECT_STREQ(result.info.comment, "line\na?b?\te?\n");

  Bytes longComment(1200, 'x');
  result = readBytes(jpegSections({section(0xFE, longComment)}));
  EXPECT_EQ(std::strlen(result.info.comment), 998u);

  // An EXIF block after the comment empties it unless it has its own.
  TiffBuilder b(false);
  b.addShort(0, 0x0112, 1);
  result = readBytes(jpegSections({section(0xFE, second), section(0xE1, b.app1())}));
  EXPECT_TRUE(result.info.isExif);
  EXPECT_STREQ(result.info.comment, "");
}

TEST(ExifReader, FrameHeaderOfAProgressiveGreyPicture) {
  Bytes bytes = {0xFF, 0xD8};
  Bytes frame = section(0xC2, {8, 0x00, 0x10, 0x00, 0x20, 1, 1, 0x11, 0});
  Bytes scan = section(0xDA, scanHeader);
  bytes.insert(bytes.end(), frame.begin(), frame.end());
  bytes.insert(bytes.end(), scan.begin(), scan.end());
  ReadResult result = readBytes(bytes);
  EXPECT_TRUE(result.reached);
  EXPECT_EQ(result.info.process, 0xC2);
  EXPECT_EQ(result.info.height, 16);
  EXPECT_EQ(result.info.width, 32);
  EXPECT_EQ(result.info.isColor, 0);
  EXPECT_FALSE(result.info.isExif);
}

TEST(ExifReader, TwentySectionsAtMost) {
  std::vector<Bytes> many;
  for (int i = 0; i < 25; ++i) many.push_back(section(0xE2, {uint8_t(i)}));
  ReadResult result = readBytes(jpegSections(many));
  EXPECT_FALSE(result.reached);
  EXPECT_EQ(result.error, "Too many sections in jpg file");

  // Discarded sections do not count: APP0, APP1 without "Exif", later comments.
  std::vector<Bytes> discarded;
  for (int i = 0; i < 10; ++i) discarded.push_back(section(0xE0, {'J', 'F', 'I', 'F', 0}));
  for (int i = 0; i < 10; ++i) discarded.push_back(section(0xE1, {'h', 't', 't', 'p'}));
  for (int i = 0; i < 10; ++i) discarded.push_back(section(0xFE, {'c'}));
  result = readBytes(jpegSections(discarded));
  EXPECT_TRUE(result.reached) << result.error;
}

TEST(ExifReader, PaddingBytes) {
  Bytes six = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDA, 0x00, 0x02};
  ReadResult result = readBytes(six);
  EXPECT_TRUE(result.reached);
  EXPECT_EQ(result.printed, "");

  Bytes seven = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDA, 0x00, 0x02};
  result = readBytes(seven);
  EXPECT_FALSE(result.reached);
  EXPECT_EQ(result.printed, "too many padding bytes\n");
}

TEST(ExifReader, EndOfImageBeforeAnyScan) {
  ReadResult result = readBytes({0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02});
  EXPECT_FALSE(result.reached);
  EXPECT_EQ(result.printed, "No image in jpeg!\n");

  // The JPEG decoder runs the reader first: the message appears, the
  // decoding fails with libjpeg's own reason.
  Bytes bytes = {0xFF, 0xD8, 0xFF, 0xD9, 0x00, 0x02};
  RasterImage image;
  MemoryImageStream stream(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  EXPECT_FALSE(image.decode(stream, ImageFormatJpeg));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "No image in jpeg!\n");
  EXPECT_FALSE(image.lastError.empty());
}

TEST(ExifReader, BrokenSections) {
  EXPECT_FALSE(readBytes({0x89, 'P', 'N', 'G'}).reached);
  EXPECT_EQ(readBytes({0xFF, 0xD8, 0xFF, 0xE2, 0x00, 0x01}).error, "invalid marker");
  EXPECT_EQ(readBytes({0xFF, 0xD8, 0xFF, 0xE2, 0x00, 0x10, 1, 2}).error, "Premature end of file?");
  EXPECT_EQ(readBytes({0xFF, 0xD8, 0xFF}).error, "Premature end of file?");
  EXPECT_EQ(readBytes({0xFF, 0xD8}).error, "Premature end of file?");
  // A frame header too short to hold a size is kept without being read.
  ReadResult shortFrame = readBytes({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x03, 8, 0xFF, 0xDA, 0, 2});
  EXPECT_TRUE(shortFrame.reached);
  EXPECT_EQ(shortFrame.info.process, 0);
}

TEST(ExifReader, BrokenHeaders) {
  Bytes good = TiffBuilder(false).app1();
  struct Case {
    size_t at;
    uint8_t value;
    const char* error;
  };
  const Case cases[] = {
      {5, 1, "Incorrect Exif header"},
      {6, 'X', "Invalid Exif alignment marker."},
      {8, 43, "Invalid Exif start (1)"},
      {10, 7, "Suspicious offset of first IFD value"},
      {10, 17, "Suspicious offset of first IFD value"},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    bad[c.at] = c.value;
    std::string error;
    parseBlock(bad, false, &error);
    EXPECT_EQ(error, c.error);
  }
  for (size_t length : {size_t(0), size_t(5), size_t(7), size_t(9), size_t(13)}) {
    std::string error;
    parseBlock(Bytes(good.begin(), good.begin() + long(length)), false, &error);
    EXPECT_FALSE(error.empty()) << length;
  }
}

// Crafted blocks: every offset and count is checked against the bytes
// present, and links cannot make the walk loop or recurse without end.
TEST(ExifReader, CraftedDirectoriesAreRejected) {
  std::string error;
  {
    // An entry count that runs past the block.
    TiffBuilder b(false);
    b.addShort(0, 0x0112, 1);
    Bytes block = b.app1();
    block[6 + 8] = 0xFF;
    parseBlock(block, false, &error);
    EXPECT_EQ(error, "Illegally sized directory");
  }
  {
    // A value offset beyond the block, and a count whose byte size would
    // wrap around 32 bits.
    for (uint32_t count : {3u, 0x20000001u}) {
      TiffBuilder b(true);
      b.add(0, 0x829A, 5, count, b.u32(0x40));
      parseBlock(b.app1(), false, &error);
      EXPECT_EQ(error, "Illegal pointer offset value in EXIF.") << count;
    }
  }
  {
    TiffBuilder b(false);
    b.add(0, 0x0112, 13, 1, b.u32(1));
    parseBlock(b.app1(), false, &error);
    EXPECT_EQ(error, "Illegal format code in EXIF dir");
  }
  {
    // A sub-directory beyond the block, and one exactly at its end.
    TiffBuilder b(false);
    b.addLong(0, 0x8769, 5000);
    parseBlock(b.app1(), false, &error);
    EXPECT_EQ(error, "Illegal subdirectory link");

    TiffBuilder atEnd(false);
    atEnd.addLong(0, 0x8769, 0);
    Bytes block = atEnd.app1();
    uint32_t end = uint32_t(block.size() - 6);
    Bytes offset = atEnd.u32(end);
    std::copy(offset.begin(), offset.end(), block.begin() + 6 + 8 + 2 + 8);
    ExifInfo info = parseBlock(block, true, &error);  // the sub-directory's fault stays its own
    EXPECT_EQ(error, "Illegally sized directory");
    (void)info;
  }
  {
    // A next-directory link back to the first directory.
    TiffBuilder b(true);
    b.addShort(0, 0x0112, 3);
    b.setNext(0, 0);
    parseBlock(b.app1(), false, &error);
    EXPECT_EQ(error, "EXIF directory linked twice");
  }
  {
    // A sub-directory that links to its parent.
    TiffBuilder b(false);
    int exif = b.addDirectory();
    b.addLink(0, 0x8769, exif);
    b.addLink(exif, 0xA005, 0);
    parseBlock(b.app1(), false, &error);
    EXPECT_EQ(error, "EXIF directory linked twice");
  }
  {
    // A long chain of distinct directories.
    TiffBuilder b(false);
    int previous = 0;
    for (int i = 0; i < 12; ++i) {
      int next = b.addDirectory();
      b.setNext(previous, next);
      previous = next;
    }
    parseBlock(b.app1(), false, &error);
    EXPECT_EQ(error, "EXIF directories nested too deep");
  }
  {
    // Many sub-directories side by side, each harmless, too many in all.
    TiffBuilder b(false);
    for (int i = 0; i < 40; ++i) b.addLink(0, 0x8769, b.addDirectory());
    parseBlock(b.app1(), false, &error);
    EXPECT_EQ(error, "Too many EXIF directories");
  }
}

TEST(ExifReader, DirectoryEndingTheBlockNeedsNoLink) {
  TiffBuilder b(false);
  b.addShort(0, 0x0112, 8);
  Bytes block = b.app1();
  block.resize(block.size() - 4);  // drop the next-directory link
  ExifInfo info = parseBlock(block);
  EXPECT_EQ(info.orientation, 8);
}

TEST(ExifReader, ThumbnailOutsideTheBlockIsIgnored) {
  TiffBuilder b(true);
  b.addLong(0, 0x0201, 20);
  b.addLong(0, 0x0202, 100000);
  ExifInfo info = parseBlock(b.app1());
  EXPECT_EQ(info.thumbnail, nullptr);
  EXPECT_EQ(info.thumbnailSize, 0u);
}

TEST(ExifReader, ValuesWithoutComponentsReadAsZero) {
  TiffBuilder b(false);
  b.add(0, 0x829A, 12, 0, b.u32(0xFFFFFFFF));  // a double with no component
  b.add(0, 0x8827, 3, 0, b.u32(0xFFFFFFFF));
  b.addRational(0, 0x920A, 5, 0);  // zero denominator
  ExifInfo info = parseBlock(b.app1());
  EXPECT_EQ(info.exposureTime, 0);
  EXPECT_EQ(info.isoSpeed, 0);
  EXPECT_EQ(info.focalLength, 0);
}

// The EXIF data of a real JPEG reaches the image: its resolution.
std::vector<uint8_t> jpegWithExif(const Bytes& app1) {
  encoders::JpegSpec spec;
  spec.width = 8;
  spec.height = 8;
  spec.markers.push_back({0xE1, app1});
  return encoders::encodeJpeg(spec);
}

TEST(ExifReader, ResolutionReachesTheImage) {
  TiffBuilder inches(false);
  inches.addRational(0, 0x011A, 300, 1);
  inches.addRational(0, 0x011B, 200, 1);
  inches.addShort(0, 0x0128, 2);
  std::vector<uint8_t> file = jpegWithExif(inches.app1());
  RasterImage image;
  MemoryImageStream stream(file.data(), file.size());
  ASSERT_TRUE(image.decode(stream, ImageFormatJpeg)) << image.lastError;
  EXPECT_TRUE(image.exifInfo.isExif);
  EXPECT_EQ(image.horizontalResolution, 300);
  EXPECT_EQ(image.verticalResolution, 200);
  EXPECT_EQ(image.exifInfo.thumbnail, nullptr);  // the reader's sections are gone

  TiffBuilder centimetres(true);
  centimetres.addRational(0, 0x011A, 120, 1);
  centimetres.addShort(0, 0x0128, 3);
  file = jpegWithExif(centimetres.app1());
  RasterImage other;
  MemoryImageStream otherStream(file.data(), file.size());
  ASSERT_TRUE(other.decode(otherStream, ImageFormatJpeg));
  EXPECT_EQ(other.horizontalResolution, int(120.0f / 0.3937008f));
  EXPECT_EQ(other.verticalResolution, 96);  // no YResolution

  // No unit: nothing is handed over.
  TiffBuilder noUnit(false);
  noUnit.addRational(0, 0x011A, 120, 1);
  file = jpegWithExif(noUnit.app1());
  RasterImage third;
  MemoryImageStream thirdStream(file.data(), file.size());
  ASSERT_TRUE(third.decode(thirdStream, ImageFormatJpeg));
  EXPECT_EQ(third.horizontalResolution, 96);
}

TEST(ExifReader, PictureStillDecodesWhenTheReaderFails) {
  encoders::JpegSpec spec;
  spec.width = 8;
  spec.height = 8;
  for (int i = 0; i < 25; ++i) spec.markers.push_back({0xE2, {uint8_t(i)}});
  std::vector<uint8_t> file = encoders::encodeJpeg(spec);
  ExifInfo info{};
  ExifReader reader(&info);
  MemoryImageStream probe(file.data(), file.size());
  EXPECT_FALSE(reader.readSections(probe));
  EXPECT_EQ(reader.error(), "Too many sections in jpg file");

  RasterImage image;
  MemoryImageStream stream(file.data(), file.size());
  EXPECT_TRUE(image.decode(stream, ImageFormatJpeg)) << image.lastError;
  EXPECT_EQ(image.width(), 8);
  EXPECT_FALSE(image.exifInfo.isExif);
  EXPECT_EQ(image.horizontalResolution, 96);
}

}  // namespace
