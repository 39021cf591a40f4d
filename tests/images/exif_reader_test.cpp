// The EXIF reader over marker sections and TIFF directories built byte by
// byte, including blocks at the edges of its checks, and every hand-made
// malformed file under tests/malformed/: the EXIF ones hold the loops, the
// deep and wide trees and the bad counts and formats, the pictures fail to
// decode. (Fuzz findings that turned out to be valid pictures are kept as
// "regress-*" and only replayed.)
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "encoders.h"
#include "images/exif_reader.h"
#include "images/raster_image.h"
#include "support/test_files.h"

namespace {

using namespace encoders;

Bytes section(int marker, const Bytes& data) {
  size_t length = data.size() + 2;
  return Bytes{0xFF, uint8_t(marker), uint8_t(length >> 8), uint8_t(length)} + data;
}

const Bytes startOfImage = {0xFF, 0xD8};
const Bytes colourFrame = section(0xC0, {8, 0x01, 0xE0, 0x02, 0x80, 3, 1, 0x22, 0, 2, 0x11, 1, 3,
                                         0x11, 1});  // 640 x 480, three components

// SOI, the given sections, then a frame header and a start of scan.
Bytes jpegSections(const std::vector<Bytes>& sections, const Bytes& frame = colourFrame) {
  Bytes out = startOfImage;
  for (const Bytes& s : sections) out = out + s;
  return out + frame + section(0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0});
}

struct Result {
  bool ok;
  ExifInfo info;
  std::string error;
};

Result read(const Bytes& bytes) {
  Result result{false, {}, ""};
  ExifReader reader(&result.info);
  MemoryImageStream stream(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  result.ok = reader.readSections(stream);
  testing::internal::GetCapturedStdout();
  result.error = reader.error();
  return result;
}

Bytes exifJpeg(const Bytes& block) {
  return jpegSections({section(0xE1, block)});
}

// Every field the reader fills, across IFD0, the EXIF and interoperability
// sub-directories and IFD1, whose thumbnail follows the TIFF data.
Bytes fullBlock(bool bigEndian) {
  double brightness = -1.25;
  float yResolution = 2000.5f;
  uint64_t brightnessBits = 0, yResolutionBits = 0;
  std::memcpy(&brightnessBits, &brightness, 8);
  std::memcpy(&yResolutionBits, &yResolution, 4);
  Tiff b{
      {{textTag(0x010F, "Quorvex Optics of Lower Wessexshire, lenses"),
        textTag(0x0110, "QX-100 with a model name well beyond forty characters"),
        shortTag(0x0112, 6), rationalTag(0x011A, 300, 1), rationalTag(0x011B, 150, 1),
        shortTag(0x0128, 2), Entry{0x8769, 4, 1, {}, 1}},
       {rationalTag(0x829A, 1, 250), rationalTag(0x829D, 28, 10), textTag(0x9000, "0230", 7),
        textTag(0x9003, "2024:01:02 03:04:05 and more"),
        rationalTag(0x9201, 9, 1, 10),  // ignored: exposure time already known
        Entry{0x9203, 12, 1, {{8, brightnessBits}}}, rationalTag(0x9204, -2, 3, 10),
        rationalTag(0x920A, 50, 1),
        textTag(0x9286, std::string("ASCII\0\0\0Hello there   ", 22), 7),
        Entry{0xA002, 4, 1, {{4, 3000}}}, Entry{0xA005, 4, 1, {}, 2}, rationalTag(0xA20E, 4000, 1),
        Entry{0xA20F, 11, 1, {{4, yResolutionBits}}}, shortTag(0x8827, 2), shortTag(0x9209, 0x19),
        shortTag(0xA003, 2000), shortTag(0xA210, 3)},
       {textTag(0x0001, "R98")},
       {Entry{0x0201, 4, 1, {{4, 0}}}, Entry{0x0202, 4, 1, {{4, 9}}}}},
      {3},
      bigEndian};
  b.directories[3][0].value = {{4, b.tiff().size()}};
  return b.app1() + Bytes{'T', 'H', 'U', 'M', 'B', 'N', 'A', 'I', 'L'};
}

TEST(ExifReader, ReadsEveryFieldInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    // Big-endian with a progressive grey frame header.
    Bytes bytes =
        jpegSections({section(0xE1, fullBlock(bigEndian))},
                     bigEndian ? section(0xC2, {8, 0, 16, 0, 32, 1, 1, 0x11, 0}) : colourFrame);
    ExifInfo info{};
    ExifReader reader(&info);
    MemoryImageStream stream(bytes.data(), bytes.size());
    ASSERT_TRUE(reader.readSections(stream)) << reader.error();
    EXPECT_TRUE(info.isExif);
    EXPECT_STREQ(info.make, "Quorvex Optics of Lower Wessexs");           // 31 characters
    EXPECT_STREQ(info.model, "QX-100 with a model name well beyond fo");  // 39 characters
    EXPECT_STREQ(info.dateTime, "2024:01:02 03:04:05");                   // 19 characters
    EXPECT_STREQ(info.version, "0230");
    EXPECT_STREQ(info.comment, "Hello there");
    // clang-format off
#define FIELD(name, want) std::make_tuple(#name, double(info.name), double(want))
    const std::tuple<const char*, double, double> numbers[] = {
        FIELD(orientation, 6), FIELD(xResolution, 300), FIELD(yResolution, 150),
        FIELD(resolutionUnit, 1), FIELD(exposureTime, 1.0 / 250), FIELD(fNumber, 2.8),
        FIELD(isoSpeed, 400), FIELD(brightness, -1.25), FIELD(exposureBias, -2.0 / 3),
        FIELD(flashUsed, 1), FIELD(focalLength, 50),
        FIELD(focalPlaneXRes, 4000), FIELD(focalPlaneYRes, 2000.5),
        FIELD(focalPlaneUnit, 0.3937008), FIELD(ccdWidth, 3000 * double(0.3937008f) / 4000),
        FIELD(width, bigEndian ? 32 : 640), FIELD(height, bigEndian ? 16 : 480),
        FIELD(isColor, !bigEndian), FIELD(process, bigEndian ? 0xC2 : 0xC0),
        FIELD(thumbnailSize, 9)};
#undef FIELD
    // clang-format on
    for (const auto& [field, got, want] : numbers) {
      EXPECT_FLOAT_EQ(float(got), float(want)) << field;
    }
    ASSERT_NE(info.thumbnail, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(info.thumbnail), 9), "THUMBNAIL");
    // Kept: the EXIF block, the frame header and the start of scan.
    std::vector<int> kept;
    for (const auto& keptSection : reader.sections()) kept.push_back(keptSection.marker);
    EXPECT_EQ(kept, (std::vector<int>{0xE1, bigEndian ? 0xC2 : 0xC0, 0xDA}));
  }
  ExifReader own;  // with a record of its own
  Bytes block = fullBlock(false);
  EXPECT_TRUE(own.parseExifBlock(block.data(), block.size()));
  EXPECT_EQ(own.info().isoSpeed, 400);
}

#define FIELD(name) [](const ExifInfo& info) { return double(info.name); }

TEST(ExifReader, ValueRules) {
  const struct {
    std::vector<Entry> entries;
    double (*field)(const ExifInfo&);
    double want;
    std::string error = "";
  } cases[] = {
      {{shortTag(0x0112, 9)}, FIELD(orientation), 0, "Undefined rotation value"},
      {{shortTag(0x8827, 49)}, FIELD(isoSpeed), 9800},  // below 50: in units of 200
      {{shortTag(0x8827, 50)}, FIELD(isoSpeed), 50},
      {{{0x8827, 3, 0, {{2, 0xFFFF}}}}, FIELD(isoSpeed), 0},  // no component
      {{shortTag(0x0128, 1)}, FIELD(resolutionUnit), 1},
      {{shortTag(0x0128, 4)}, FIELD(resolutionUnit), 0.03937008},
      {{shortTag(0x0128, 5)}, FIELD(resolutionUnit), 0.00003937008},
      {{shortTag(0xA210, 6)}, FIELD(focalPlaneUnit), 0},                 // unknown code
      {{shortTag(0x9209, 0x10)}, FIELD(flashUsed), 0},                   // did not fire
      {{rationalTag(0x9201, 5, 1, 10)}, FIELD(exposureTime), 1.0 / 32},  // from APEX values
      {{rationalTag(0x9202, 4, 1), rationalTag(0x9205, 8, 1)}, FIELD(fNumber), 4},
      {{rationalTag(0x920A, 5, 0)}, FIELD(focalLength), 0},  // zero denominator
  };
  for (const auto& c : cases) {
    Result result = read(exifJpeg(Tiff{{c.entries}}.app1()));
    EXPECT_TRUE(result.ok && result.info.isExif);
    EXPECT_FLOAT_EQ(float(c.field(result.info)), float(c.want)) << c.entries[0].tag;
    EXPECT_EQ(result.error, c.error);
  }
}

// Sections and EXIF blocks at the edges of the checks.
TEST(ExifReader, RefusalsAndEdges) {
  // Kept are these, the frame header and the start of scan: 18 fit. Not
  // counted: APP0, APP1 without "Exif", later comments.
  std::vector<Bytes> full(17, section(0xE2, {0}));
  for (const Bytes& s : {section(0xFE, {'c'}), section(0xE0, {'J', 'F', 'I', 'F', 0}),
                         section(0xE1, {'h', 't', 't', 'p'}), section(0xFE, {'d'})})
    full.push_back(s);
  const Bytes scan = {0xDA, 0x00, 0x02}, second = {'s', 'e', 'c', 'o', 'n', 'd'},
              good = Tiff{{{}}}.app1();
  auto with = [](Bytes bytes, size_t at, uint8_t value) { return bytes[at] = value, bytes; };
  auto cut = [](const Bytes& bytes, size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + long(length));
  };
  // A sub-directory exactly at the end: its fault stays its own.
  Tiff atEnd{{{Entry{0x8769, 4, 1, {{4, 0}}}}}};
  atEnd.directories[0][0].value = {{4, atEnd.tiff().size()}};
  Bytes noLink = Tiff{{{shortTag(0x0112, 8)}}}.app1();
  auto comment = [](const std::string& text) {
    return exifJpeg(Tiff{{{textTag(0x9286, text, 7)}}}.app1());
  };
  const struct {
    Bytes bytes;
    bool ok, exif;
    std::string error, comment = "";
    int process = 0xC0;  // of the frame header read, 0: none
  } cases[] = {
      {jpegSections({}, section(0xC0, {8})), true, false, "", "", 0},  // too short for a size
      {jpegSections(full), true, false, "", "c"},
      {jpegSections(std::vector<Bytes>(19, section(0xE2, {0}))), false, false,
       "Too many sections in jpg file"},
      {startOfImage + Bytes(6, 0xFF) + scan, true, false, "", "", 0},
      {startOfImage + Bytes{0xFF}, false, false, "Premature end of file?", "", 0},
      // The first comment only, printable; an EXIF block after it empties it.
      {jpegSections({section(0xFE, {'l', 'i', 'n', 'e', '\r', '\n', 'a', '\r', 'b', 1, '\t', 'e',
                                    0x80, '\n'}),
                     section(0xFE, second)}),
       true, false, "", "line\na?b?\te?\n"},
      {jpegSections({section(0xFE, Bytes(1200, 'x'))}), true, false, "", std::string(998, 'x')},
      {jpegSections({section(0xFE, second), section(0xE1, Tiff{{{shortTag(0x0112, 1)}}}.app1())}),
       true, true, ""},
      {exifJpeg(with(good, 5, 1)), true, false, "Incorrect Exif header"},
      {exifJpeg(with(good, 10, 7)), true, false, "Suspicious offset of first IFD value"},
      {exifJpeg(with(good, 10, 17)), true, false, "Suspicious offset of first IFD value"},
      {exifJpeg(cut(good, 5)), true, false, "Incorrect Exif header"},
      {exifJpeg(cut(good, 13)), true, false, "Suspicious offset of first IFD value"},
      // A value starting in the block and running past its end.
      {exifJpeg(Tiff{{{Entry{0x829A, 5, 3, {{4, 8}}}}}}.app1()), true, false,
       "Illegal pointer offset value in EXIF."},
      {exifJpeg(atEnd.app1()), true, true, "Illegally sized directory"},
      // A thumbnail beyond the block is ignored.
      {exifJpeg(
           Tiff{{{Entry{0x0201, 4, 1, {{4, 20}}}, Entry{0x0202, 4, 1, {{4, 100000}}}}}}.app1()),
       true, true, ""},
      {exifJpeg(cut(noLink, noLink.size() - 4)), true, true, ""},  // a last directory needs no link
      // User comments: after the character code, trailing spaces cut, 199 at most.
      {comment(std::string("ASCII\0\0\0note", 12)), true, true, "", "note"},
      {comment(std::string("ASCII   \0\0", 10)), true, true, ""},  // nothing after the code
      {comment("plain text  "), true, true, "", "plain text"},
      {comment(std::string(300, 'c')), true, true, "", std::string(199, 'c')},
  };
  for (const auto& c : cases) {
    Result result = read(c.bytes);
    EXPECT_EQ(std::tuple(result.ok, result.info.isExif, result.error,
                         std::string(result.info.comment), result.info.process),
              std::tuple(c.ok, c.exif, c.error, c.comment, c.process));
    EXPECT_EQ(result.info.thumbnail, nullptr);
  }
}

// The resolution of a real JPEG reaches the image, unless the reader fails
// (here on too many sections), when the picture still decodes.
TEST(ExifReader, ResolutionReachesTheImage) {
  // x, y and unit in the file (0: none), x = 0: too many sections.
  const int cases[][5] = {{300, 200, 2, 300, 200},
                          {120, 0, 3, int(120.0f / 0.3937008f), 96},
                          {120, 0, 0, 96, 96},
                          {0, 0, 0, 96, 96}};
  for (const auto& [x, y, unit, horizontal, vertical] : cases) {
    Tiff b{{{rationalTag(0x011A, x, 1)}}};
    if (y) b.directories[0].push_back(rationalTag(0x011B, y, 1));
    if (unit) b.directories[0].push_back(shortTag(0x0128, uint16_t(unit)));
    JpegSpec spec{8, 8};
    spec.markers = {{0xE1, b.app1()}};
    if (!x) spec.markers.assign(25, {0xE2, {0}});
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, encodeJpeg(spec), ImageFormatJpeg));
    EXPECT_EQ(image.exifInfo.isExif, x != 0);
    EXPECT_EQ(std::tuple(image.horizontalResolution, image.verticalResolution),
              std::tuple(horizontal, vertical));
    EXPECT_EQ(image.exifInfo.thumbnail, nullptr);  // the reader's sections are gone
  }
}

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
    Result result = read(testfiles::readBytes(path));
    EXPECT_FALSE(result.ok && result.info.isExif) << path;
    auto reason = reasons.find(std::filesystem::path(path).filename().string());
    ASSERT_NE(reason, reasons.end()) << path << ": " << result.error;
    EXPECT_EQ(result.error, reason->second) << path;
  }
}

}  // namespace
