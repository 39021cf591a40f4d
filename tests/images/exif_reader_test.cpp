// The EXIF reader over marker sections and TIFF directories built byte by
// byte, in both byte orders, including blocks crafted to lead it astray.
#include "images/exif_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "encoders.h"
#include "images/image_stream.h"
#include "images/raster_image.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Writes TIFF data: the header, the directories one after the other, then
// the values longer than four bytes. A link entry holds the offset of
// another directory.
class Tiff {
 public:
  explicit Tiff(bool bigEndian) : bigEndian(bigEndian), directories(1), next(1, -1) {}

  int addDirectory() {
    directories.emplace_back();
    next.push_back(-1);
    return int(directories.size()) - 1;
  }
  void add(int dir, uint16_t tag, uint16_t format, uint32_t count, Bytes value, int link = -1) {
    directories[size_t(dir)].push_back({tag, format, count, std::move(value), link});
  }
  void addShort(int dir, uint16_t tag, uint16_t v) { add(dir, tag, 3, 1, u16(v)); }
  void addRational(int dir, uint16_t tag, int32_t num, int32_t den, uint16_t format = 5) {
    add(dir, tag, format, 1, u32(uint32_t(num)) + u32(uint32_t(den)));
  }
  void addText(int dir, uint16_t tag, const std::string& text, uint16_t format = 2) {
    Bytes value(text.begin(), text.end());
    if (format == 2) value.push_back(0);
    add(dir, tag, format, uint32_t(value.size()), value);
  }
  void addLink(int dir, uint16_t tag, int target) { add(dir, tag, 4, 1, u32(0), target); }
  void setValue(int dir, int entry, Bytes value) {
    directories[size_t(dir)][size_t(entry)].value = std::move(value);
  }
  void setNext(int dir, int target) { next[size_t(dir)] = target; }

  Bytes u16(uint16_t v) const {
    return bigEndian ? Bytes{uint8_t(v >> 8), uint8_t(v)} : Bytes{uint8_t(v), uint8_t(v >> 8)};
  }
  Bytes u32(uint32_t v) const {
    return bigEndian ? u16(uint16_t(v >> 16)) + u16(uint16_t(v)) : u16(uint16_t(v)) + u16(v >> 16);
  }

  Bytes tiff() const {
    std::vector<uint32_t> offsets;
    uint32_t dataStart = 8;
    for (const auto& entries : directories)
      offsets.push_back(dataStart), dataStart += uint32_t(6 + 12 * entries.size());
    Bytes out = (bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'}) + u16(42) + u32(8), data;
    for (size_t d = 0; d < directories.size(); ++d) {
      out = out + u16(uint16_t(directories[d].size()));
      for (const Entry& e : directories[d]) {
        Bytes value = e.link >= 0 ? u32(offsets[size_t(e.link)]) : e.value;
        if (value.size() > 4) {
          uint32_t at = dataStart + uint32_t(data.size());
          data = data + value + Bytes(value.size() % 2);  // values start at even offsets
          value = u32(at);
        }
        value.resize(4);
        out = out + u16(e.tag) + u16(e.format) + u32(e.count) + value;
      }
      out = out + u32(next[d] >= 0 ? offsets[size_t(next[d])] : 0);
    }
    return out + data;
  }
  // "Exif\0\0" followed by the TIFF data: an APP1 payload.
  Bytes app1() const { return Bytes{'E', 'x', 'i', 'f', 0, 0} + tiff(); }

 private:
  struct Entry {
    uint16_t tag, format;
    uint32_t count;
    Bytes value;
    int link;
  };
  bool bigEndian;
  std::vector<std::vector<Entry>> directories;
  std::vector<int> next;  // the next directory of each, -1 for none
};

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
  std::string error, printed;
};

Result readSections(const Bytes& bytes) {
  Result result{false, {}, "", ""};
  ExifReader reader(&result.info);
  MemoryImageStream stream(bytes.data(), bytes.size());
  testing::internal::CaptureStdout();
  result.ok = reader.readSections(stream);
  result.printed = testing::internal::GetCapturedStdout();
  result.error = reader.error();
  return result;
}

Result parse(const Bytes& app1, bool accepted = true) {
  Result result{false, {}, "", ""};
  ExifReader reader(&result.info);
  result.ok = reader.parseExifBlock(app1.data(), app1.size());
  EXPECT_EQ(result.ok, accepted);
  EXPECT_EQ(result.info.isExif, result.ok);
  result.error = reader.error();
  return result;
}

// A block of SHORT entries in IFD0.
Result shorts(bool bigEndian, std::initializer_list<std::pair<uint16_t, int>> entries) {
  Tiff b(bigEndian);
  for (const auto& entry : entries) b.addShort(0, entry.first, uint16_t(entry.second));
  return parse(b.app1());
}

// Every field the reader fills, across IFD0, the EXIF and interoperability
// sub-directories and IFD1, whose thumbnail follows the TIFF data.
Bytes fullBlock(bool bigEndian) {
  Tiff b(bigEndian);
  int exif = b.addDirectory(), interop = b.addDirectory(), ifd1 = b.addDirectory();
  b.addText(0, 0x010F, "Quorvex Optics of Lower Wessexshire, lenses");
  b.addText(0, 0x0110, "QX-100 with a model name well beyond forty characters");
  b.addShort(0, 0x0112, 6);
  b.addRational(0, 0x011A, 300, 1);
  b.addRational(0, 0x011B, 150, 1);
  b.addShort(0, 0x0128, 2);
  b.addLink(0, 0x8769, exif);
  b.setNext(0, ifd1);

  b.addRational(exif, 0x829A, 1, 250);
  b.addRational(exif, 0x829D, 28, 10);
  b.addText(exif, 0x9000, "0230", 7);
  b.addText(exif, 0x9003, "2024:01:02 03:04:05 and more");
  b.addRational(exif, 0x9201, 9, 1, 10);  // ignored: exposure time already known
  double brightness = -1.25;
  float yResolution = 2000.5f;
  uint64_t bits;
  std::memcpy(&bits, &brightness, 8);
  Bytes high = b.u32(uint32_t(bits >> 32)), low = b.u32(uint32_t(bits));
  b.add(exif, 0x9203, 12, 1, bigEndian ? high + low : low + high);
  b.addRational(exif, 0x9204, -2, 3, 10);
  b.addRational(exif, 0x920A, 50, 1);
  b.addText(exif, 0x9286, std::string("ASCII\0\0\0Hello there   ", 22), 7);
  b.add(exif, 0xA002, 4, 1, b.u32(3000));
  b.addLink(exif, 0xA005, interop);
  b.addRational(exif, 0xA20E, 4000, 1);
  std::memcpy(&bits, &yResolution, 4);
  b.add(exif, 0xA20F, 11, 1, b.u32(uint32_t(bits)));
  const uint16_t shorts[][2] = {{0x8827, 2}, {0x9209, 0x19}, {0xA003, 2000}, {0xA210, 3}};
  for (const auto& tagValue : shorts) b.addShort(exif, tagValue[0], tagValue[1]);

  b.addText(interop, 0x0001, "R98");
  b.add(ifd1, 0x0201, 4, 1, b.u32(0));
  b.add(ifd1, 0x0202, 4, 1, b.u32(9));
  b.setValue(ifd1, 0, b.u32(uint32_t(b.tiff().size())));
  return b.app1() + Bytes{'T', 'H', 'U', 'M', 'B', 'N', 'A', 'I', 'L'};
}

TEST(ExifReader, ReadsEveryFieldInBothByteOrders) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    Bytes bytes = jpegSections({section(0xE1, fullBlock(bigEndian))});
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
        FIELD(focalPlaneXRes, 4000), FIELD(focalPlaneYRes, 2000.5), FIELD(focalPlaneUnit, 0.3937008),
        FIELD(ccdWidth, 3000 * double(0.3937008f) / 4000), FIELD(width, 640), FIELD(height, 480),
        FIELD(isColor, 1), FIELD(process, 0xC0), FIELD(thumbnailSize, 9)};
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
    EXPECT_EQ(kept, (std::vector<int>{0xE1, 0xC0, 0xDA}));
  }
  ExifReader own;  // with a record of its own
  Bytes block = fullBlock(false);
  EXPECT_TRUE(own.parseExifBlock(block.data(), block.size()));
  EXPECT_EQ(own.info().isoSpeed, 400);
}

TEST(ExifReader, ValueRulesInBothByteOrders) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    Result rotated = shorts(big, {{0x0112, 9}});
    EXPECT_EQ(rotated.info.orientation, 0);  // outside 1..8
    EXPECT_EQ(rotated.error, "Undefined rotation value");
    // ISO below 50 is in units of 200.
    const std::pair<int, int> isos[] = {{2, 400}, {49, 9800}, {50, 50}, {100, 100}, {0, 0}};
    for (const auto& iso : isos)
      EXPECT_EQ(shorts(big, {{0x8827, iso.first}}).info.isoSpeed, iso.second) << iso.first;
    const std::pair<int, float> inches[] = {{1, 1}, {4, 0.03937008f}, {5, 0.00003937008f}, {6, 0}};
    for (const auto& [code, unit] : inches) {
      ExifInfo units = shorts(big, {{0x0128, code}, {0xA210, code}}).info;
      EXPECT_EQ(std::tuple(units.resolutionUnit, units.focalPlaneUnit), std::tuple(unit, unit));
    }
    EXPECT_EQ(shorts(big, {{0x9209, 0x10}}).info.flashUsed, 0);  // did not fire

    Tiff apex(big);                                    // exposure and aperture from APEX values
    apex.add(0, 0x829A, 12, 0, apex.u32(0xFFFFFFFF));  // a double with no component: 0
    apex.addRational(0, 0x9201, 5, 1, 10);
    apex.addRational(0, 0x9202, 4, 1);
    apex.addRational(0, 0x9205, 8, 1);                // ignored: the f-number is known by now
    apex.add(0, 0x8827, 3, 0, apex.u32(0xFFFFFFFF));  // no component
    apex.addRational(0, 0x920A, 5, 0);                // zero denominator
    ExifInfo info = parse(apex.app1()).info;
    EXPECT_FLOAT_EQ(info.exposureTime, 1.0f / 32);
    EXPECT_FLOAT_EQ(info.fNumber, 4.0f);
    EXPECT_EQ(info.isoSpeed, 0);
    EXPECT_EQ(info.focalLength, 0);

    const std::pair<std::string, std::string> comments[] = {
        {std::string("ASCII\0\0\0note", 12), "note"},
        {std::string("ASCII   \0\0", 10), ""},  // nothing after the code
        {"plain text  ", "plain text"},
        {std::string(300, 'c'), std::string(199, 'c')}};
    for (const auto& c : comments) {
      Tiff b(big);
      b.addText(0, 0x9286, c.first, 7);
      EXPECT_EQ(std::string(parse(b.app1()).info.comment), c.second);
    }
  }
}

TEST(ExifReader, CommentSections) {
  Bytes com = {'l', 'i', 'n', 'e', '\r', '\n', 'a', '\r', 'b', 1, '\t', 'e', 0x80, '\n'};
  Bytes second = {'s', 'e', 'c', 'o', 'n', 'd'};
  Result result = readSections(jpegSections({section(0xFE, com), section(0xFE, second)}));
  EXPECT_TRUE(result.ok);
  EXPECT_STREQ(result.info.comment, "line\na?b?\te?\n");
  result = readSections(jpegSections({section(0xFE, Bytes(1200, 'x'))}));
  EXPECT_EQ(std::strlen(result.info.comment), 998u);

  // An EXIF block after the comment empties it unless it has its own.
  Tiff b(false);
  b.addShort(0, 0x0112, 1);
  result = readSections(jpegSections({section(0xFE, second), section(0xE1, b.app1())}));
  EXPECT_TRUE(result.info.isExif);
  EXPECT_STREQ(result.info.comment, "");
}

TEST(ExifReader, TwentySectionsAtMost) {
  // Kept are these, the frame header and the start of scan: 18 fit, 19 do not.
  std::vector<Bytes> many;
  for (int i = 0; i < 19; ++i) many.push_back(section(0xE2, {uint8_t(i)}));
  Result result = readSections(jpegSections(many));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Too many sections in jpg file");
  many.pop_back();
  EXPECT_TRUE(readSections(jpegSections(many)).ok);

  // Discarded sections do not count: APP0, APP1 without "Exif", later comments.
  std::vector<Bytes> discarded;
  for (int i = 0; i < 10; ++i)
    for (const Bytes& s : {section(0xE0, {'J', 'F', 'I', 'F', 0}),
                           section(0xE1, {'h', 't', 't', 'p'}), section(0xFE, {'c'})})
      discarded.push_back(s);
  result = readSections(jpegSections(discarded));
  EXPECT_TRUE(result.ok) << result.error;
}

TEST(ExifReader, FrameHeadersPaddingBrokenSectionsAndEndOfImage) {
  const Bytes scan = {0xDA, 0x00, 0x02}, endOfImage = {0xFF, 0xD9, 0x00, 0x02};
  const struct {
    Bytes bytes;
    bool ok;
    std::string error, printed;
    int process = 0, width = 0;  // of the frame header read, if any
  } cases[] = {
      // A progressive grey frame header; one too short to hold a size.
      {jpegSections({}, section(0xC2, {8, 0, 16, 0, 32, 1, 1, 0x11, 0})), true, "", "", 0xC2, 32},
      {jpegSections({}, section(0xC0, {8})), true, "", ""},
      {startOfImage + Bytes(6, 0xFF) + scan, true, "", ""},
      {startOfImage + Bytes(7, 0xFF) + scan, false, "too many padding bytes",
       "too many padding bytes\n"},
      {startOfImage + Bytes{0xFF}, false, "Premature end of file?", ""},
      {startOfImage, false, "Premature end of file?", ""},
  };
  for (const auto& c : cases) {
    Result result = readSections(c.bytes);
    EXPECT_EQ(result.ok, c.ok) << c.error;
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.printed, c.printed);
    EXPECT_EQ(std::tuple(result.info.process, result.info.width, result.info.isColor),
              std::tuple(c.process, c.width, 0));
  }
}

TEST(ExifReader, BrokenHeaders) {
  Bytes good = Tiff(false).app1();
  const struct {
    size_t at;
    uint8_t value;
    const char* error;
  } cases[] = {
      {5, 1, "Incorrect Exif header"},
      {10, 7, "Suspicious offset of first IFD value"},
      {10, 17, "Suspicious offset of first IFD value"},
  };
  for (const auto& c : cases) {
    Bytes bad = good;
    bad[c.at] = c.value;
    EXPECT_EQ(parse(bad, false).error, c.error);
  }
  for (long length : {0, 5, 9, 13})
    EXPECT_NE(parse(Bytes(good.begin(), good.begin() + length), false).error, "") << length;
}

// Crafted blocks at the edges of the checks; the malformed files hold the
// loops, the deep and wide trees and the bad counts and formats.
TEST(ExifReader, CraftedDirectoriesAtTheEdges) {
  // Values beyond the block, or starting in it and running past its end, or
  // with a count whose byte size would wrap around 32 bits.
  const std::pair<uint32_t, uint32_t> values[] = {{0x40, 1}, {8, 3}, {8, 0x20000001}};
  for (const auto& [offset, count] : values) {
    Tiff value(true);
    value.add(0, 0x829A, 5, count, value.u32(offset));
    EXPECT_EQ(parse(value.app1(), false).error, "Illegal pointer offset value in EXIF.") << count;
  }
  // A sub-directory exactly at the end: its fault stays its own.
  Tiff atEnd(false);
  atEnd.add(0, 0x8769, 4, 1, atEnd.u32(0));
  atEnd.setValue(0, 0, atEnd.u32(uint32_t(atEnd.tiff().size())));
  Result result = parse(atEnd.app1());
  EXPECT_EQ(result.error, "Illegally sized directory");

  Tiff thumbnail(true);  // a thumbnail beyond the block is ignored
  thumbnail.add(0, 0x0201, 4, 1, thumbnail.u32(20));
  thumbnail.add(0, 0x0202, 4, 1, thumbnail.u32(100000));
  result = parse(thumbnail.app1());
  EXPECT_EQ(result.info.thumbnail, nullptr);
  EXPECT_EQ(result.info.thumbnailSize, 0u);

  Tiff noLink(false);  // a directory ending the block needs no next link
  noLink.addShort(0, 0x0112, 8);
  Bytes block = noLink.app1();
  block.resize(block.size() - 4);
  EXPECT_EQ(parse(block).info.orientation, 8);
}

// A real JPEG with the marker sections, decoded.
RasterImage decodedWith(const std::vector<std::pair<int, Bytes>>& markers) {
  encoders::JpegSpec spec{8, 8};
  spec.markers = markers;
  RasterImage image;
  EXPECT_TRUE(encoders::decodeBytes(image, encoders::encodeJpeg(spec), ImageFormatJpeg));
  return image;
}

TEST(ExifReader, ResolutionReachesTheImage) {
  const struct {
    bool bigEndian;
    int x, y, unit;  // 0: none in the file
    int horizontal, vertical;
  } cases[] = {
      {false, 300, 200, 2, 300, 200},
      {true, 120, 0, 3, int(120.0f / 0.3937008f), 96},
      {false, 120, 0, 0, 96, 96},  // no unit: nothing is handed over
  };
  for (const auto& c : cases) {
    Tiff b(c.bigEndian);
    b.addRational(0, 0x011A, c.x, 1);
    if (c.y) b.addRational(0, 0x011B, c.y, 1);
    if (c.unit) b.addShort(0, 0x0128, uint16_t(c.unit));
    RasterImage image = decodedWith({{0xE1, b.app1()}});
    EXPECT_TRUE(image.exifInfo.isExif);
    EXPECT_EQ(image.horizontalResolution, c.horizontal) << c.x;
    EXPECT_EQ(image.verticalResolution, c.vertical) << c.x;
    EXPECT_EQ(image.exifInfo.thumbnail, nullptr);  // the reader's sections are gone
  }
}

TEST(ExifReader, PictureStillDecodesWhenTheReaderFails) {
  std::vector<std::pair<int, Bytes>> markers;
  for (int i = 0; i < 25; ++i) markers.push_back({0xE2, {uint8_t(i)}});  // too many sections
  RasterImage image = decodedWith(markers);
  EXPECT_EQ(image.width(), 8);
  EXPECT_FALSE(image.exifInfo.isExif);
  EXPECT_EQ(image.horizontalResolution, 96);
}

}  // namespace
