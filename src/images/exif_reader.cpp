#include "images/exif_reader.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "images/image_stream.h"

namespace {

// Bytes of one component of TIFF formats 1..12.
constexpr int componentBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum Tag : uint16_t {
  TagMake = 0x010F,
  TagModel = 0x0110,
  TagOrientation = 0x0112,
  TagXResolution = 0x011A,
  TagYResolution = 0x011B,
  TagResolutionUnit = 0x0128,
  TagThumbnailOffset = 0x0201,
  TagThumbnailLength = 0x0202,
  TagExposureTime = 0x829A,
  TagFNumber = 0x829D,
  TagExifOffset = 0x8769,
  TagExposureProgram = 0x8822,
  TagIsoSpeed = 0x8827,
  TagExifVersion = 0x9000,
  TagDateTimeOriginal = 0x9003,
  TagCompressedBitsPerPixel = 0x9102,
  TagShutterSpeed = 0x9201,
  TagAperture = 0x9202,
  TagBrightness = 0x9203,
  TagExposureBias = 0x9204,
  TagMaxAperture = 0x9205,
  TagSubjectDistance = 0x9206,
  TagMeteringMode = 0x9207,
  TagLightSource = 0x9208,
  TagFlash = 0x9209,
  TagFocalLength = 0x920A,
  TagUserComment = 0x9286,
  TagExifImageWidth = 0xA002,
  TagExifImageHeight = 0xA003,
  TagInteropOffset = 0xA005,
  TagFocalPlaneXRes = 0xA20E,
  TagFocalPlaneYRes = 0xA20F,
  TagFocalPlaneUnit = 0xA210,
};

bool isFrameHeader(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Conversions that stay defined for any value a file can hold.
int toInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= double(INT_MAX)) return INT_MAX;
  if (value <= double(INT_MIN)) return INT_MIN;
  return int(value);
}

uint32_t toUnsigned(double value) {
  if (!(value > 0)) return 0;  // NaN too
  if (value >= double(UINT32_MAX)) return UINT32_MAX;
  return uint32_t(value);
}

float toFloat(double value) {
  if (value > double(FLT_MAX)) return INFINITY;
  if (value < -double(FLT_MAX)) return -INFINITY;
  return float(value);
}

// Length in inches of a resolution unit code; 0 for an unknown code.
double unitInInches(int code) {
  switch (code) {
    case 1:
    case 2:
      return 1.0;
    case 3:
      return 0.3937008;
    case 4:
      return 0.03937008;
    case 5:
      return 0.00003937008;
    default:
      return 0;
  }
}

// Copies at most maxChars bytes, stopping at a zero byte, and terminates.
void copyText(char* destination, size_t maxChars, const uint8_t* source, size_t available) {
  size_t n = 0;
  size_t limit = std::min(maxChars, available);
  while (n < limit && source[n] != 0) {
    destination[n] = char(source[n]);
    ++n;
  }
  destination[n] = 0;
}

}  // namespace

// One EXIF block: the TIFF data from its header on, in its byte order.
// Every offset is checked against the bytes present before it is read.
class ExifReader::Block {
 public:
  Block(ExifReader& reader, const uint8_t* base, size_t length, bool bigEndian)
      : reader(reader), info(*reader.exif), base(base), length(length), bigEndian(bigEndian) {}

  uint16_t get16(size_t at) const {
    return bigEndian ? uint16_t(base[at] << 8 | base[at + 1])
                     : uint16_t(base[at + 1] << 8 | base[at]);
  }
  uint32_t get32(size_t at) const {
    uint32_t a = base[at], b = base[at + 1], c = base[at + 2], d = base[at + 3];
    return bigEndian ? (a << 24 | b << 16 | c << 8 | d) : (d << 24 | c << 16 | b << 8 | a);
  }
  uint64_t get64(size_t at) const {
    uint64_t high = get32(bigEndian ? at : at + 4), low = get32(bigEndian ? at + 4 : at);
    return high << 32 | low;
  }
  // Does [at, at + count) lie within the block?
  bool holds(uint64_t at, uint64_t count) const { return at <= length && count <= length - at; }

  // Walks the directory at start and everything it links to. False on an
  // error of this directory; a loop or runaway nesting also sets aborted,
  // which ends the whole walk.
  bool walkDirectory(size_t start, int depth);

  bool aborted = false;

 private:
  // The value of an entry: where it lies and how many bytes it has.
  struct Value {
    int format;
    size_t at;
    uint64_t bytes;
  };

  double number(const Value& value) const;
  void store(uint16_t tag, const Value& value, uint32_t& thumbnailOffset,
             uint32_t& thumbnailLength);
  void storeUserComment(const Value& value);
  bool walkLinked(uint64_t start, int depth);

  ExifReader& reader;
  ExifInfo& info;
  const uint8_t* base;
  size_t length;
  bool bigEndian;
  std::vector<size_t> walked;
};

double ExifReader::Block::number(const Value& value) const {
  if (value.format < 1 || value.format > 12) return 0;
  if (value.bytes < uint64_t(componentBytes[value.format])) return 0;  // no component
  size_t at = value.at;
  switch (value.format) {
    case 1:
      return base[at];
    case 3:
      return get16(at);
    case 4:
      return get32(at);
    case 5:
    case 10: {
      int32_t numerator = int32_t(get32(at)), denominator = int32_t(get32(at + 4));
      return denominator == 0 ? 0 : double(numerator) / double(denominator);
    }
    case 6:
      return int8_t(base[at]);
    case 8:
      return int16_t(get16(at));
    case 9:
      return int32_t(get32(at));
    case 11: {
      uint32_t bits = get32(at);
      float single;
      std::memcpy(&single, &bits, sizeof single);
      return single;
    }
    case 12: {
      uint64_t bits = get64(at);
      double twice;
      std::memcpy(&twice, &bits, sizeof twice);
      return twice;
    }
    default:
      return 0;
  }
}

void ExifReader::Block::storeUserComment(const Value& value) {
  size_t count = size_t(value.bytes);
  const uint8_t* text = base + value.at;
  while (count > 0 && text[count - 1] == ' ') --count;  // some cameras pad with blanks
  if (count >= 5 && std::memcmp(text, "ASCII", 5) == 0) {
    for (size_t start = 5; start < 10 && start < count; ++start) {
      if (text[start] != 0 && text[start] != ' ') {
        copyText(info.comment, 199, text + start, count - start);
        return;
      }
    }
    return;
  }
  copyText(info.comment, 199, text, count);
}

void ExifReader::Block::store(uint16_t tag, const Value& value, uint32_t& thumbnailOffset,
                              uint32_t& thumbnailLength) {
  const uint8_t* bytes = base + value.at;
  size_t available = size_t(value.bytes);
  switch (tag) {
    case TagMake:
      copyText(info.make, 31, bytes, available);
      break;
    case TagModel:
      copyText(info.model, 39, bytes, available);
      break;
    case TagDateTimeOriginal:
      copyText(info.dateTime, 19, bytes, available);
      break;
    case TagExifVersion:
      copyText(info.version, 4, bytes, available);
      break;
    case TagUserComment:
      storeUserComment(value);
      break;
    case TagOrientation: {
      int orientation = toInt(number(value));
      if (orientation < 1 || orientation > 8) {
        reader.setError("Undefined rotation value");
        orientation = 0;
      }
      info.orientation = orientation;
      break;
    }
    case TagFlash:
      info.flashUsed = (toInt(number(value)) & 7) != 0;
      break;
    case TagFocalLength:
      info.focalLength = toFloat(number(value));
      break;
    case TagExposureTime:
      info.exposureTime = toFloat(number(value));
      break;
    case TagShutterSpeed:
      if (info.exposureTime == 0) info.exposureTime = toFloat(1.0 / std::exp2(number(value)));
      break;
    case TagFNumber:
      info.fNumber = toFloat(number(value));
      break;
    case TagAperture:
    case TagMaxAperture:
      if (info.fNumber == 0) info.fNumber = toFloat(std::exp2(number(value) * 0.5));
      break;
    case TagSubjectDistance:
      info.subjectDistance = toFloat(number(value));
      break;
    case TagExposureBias:
      info.exposureBias = toFloat(number(value));
      break;
    case TagLightSource:
      info.lightSource = toInt(number(value));
      break;
    case TagMeteringMode:
      info.meteringMode = toInt(number(value));
      break;
    case TagExposureProgram:
      info.exposureProgram = toInt(number(value));
      break;
    case TagIsoSpeed: {
      int iso = toInt(number(value));
      // Some cameras store the value in units of 200.
      info.isoSpeed = iso < 50 ? toInt(double(iso) * 200) : iso;
      break;
    }
    case TagCompressedBitsPerPixel:
      info.compressedBitsPerPixel = toInt(number(value));
      break;
    case TagFocalPlaneXRes:
      info.focalPlaneXRes = toFloat(number(value));
      break;
    case TagFocalPlaneYRes:
      info.focalPlaneYRes = toFloat(number(value));
      break;
    case TagFocalPlaneUnit:
      if (double inches = unitInInches(toInt(number(value)))) info.focalPlaneUnit = float(inches);
      break;
    case TagXResolution:
      info.xResolution = toFloat(number(value));
      break;
    case TagYResolution:
      info.yResolution = toFloat(number(value));
      break;
    case TagResolutionUnit:
      if (double inches = unitInInches(toInt(number(value)))) info.resolutionUnit = float(inches);
      break;
    case TagBrightness:
      info.brightness = toFloat(number(value));
      break;
    case TagExifImageWidth:
    case TagExifImageHeight:
      reader.largestDimension = std::max(reader.largestDimension, toInt(number(value)));
      break;
    case TagThumbnailOffset:
      thumbnailOffset = toUnsigned(number(value));
      break;
    case TagThumbnailLength:
      thumbnailLength = toUnsigned(number(value));
      break;
    default:
      break;
  }
}

bool ExifReader::Block::walkLinked(uint64_t start, int depth) {
  if (start > length) {
    reader.setError("Illegal subdirectory link");
    return false;
  }
  walkDirectory(size_t(start), depth);  // its own errors do not end this one
  return !aborted;
}

bool ExifReader::Block::walkDirectory(size_t start, int depth) {
  if (aborted) return false;
  if (depth > maxDirectoryDepth) {
    reader.setError("EXIF directories nested too deep");
    aborted = true;
    return false;
  }
  if (std::find(walked.begin(), walked.end(), start) != walked.end()) {
    reader.setError("EXIF directory linked twice");
    aborted = true;
    return false;
  }
  if (walked.size() >= size_t(maxDirectories)) {
    reader.setError("Too many EXIF directories");
    aborted = true;
    return false;
  }
  walked.push_back(start);

  if (!holds(start, 2) || !holds(start + 2, uint64_t(get16(start)) * 12)) {
    reader.setError("Illegally sized directory");
    return false;
  }
  int entries = get16(start);
  uint32_t thumbnailOffset = 0, thumbnailLength = 0;
  for (int i = 0; i < entries; ++i) {
    size_t entry = start + 2 + size_t(i) * 12;
    uint16_t tag = get16(entry);
    int format = get16(entry + 2);
    uint32_t components = get32(entry + 4);
    if (format < 1 || format > 12) {
      reader.setError("Illegal format code in EXIF dir");
      return false;
    }
    Value value{format, entry + 8, uint64_t(components) * componentBytes[format]};
    if (value.bytes > 4) {
      uint32_t offset = get32(entry + 8);
      if (!holds(offset, value.bytes)) {
        reader.setError("Illegal pointer offset value in EXIF.");
        return false;
      }
      value.at = offset;
    }
    store(tag, value, thumbnailOffset, thumbnailLength);

    if (tag == TagExifOffset || tag == TagInteropOffset) {
      if (!holds(value.at, 4)) {
        reader.setError("Illegal subdirectory link");
        return false;
      }
      if (!walkLinked(get32(value.at), depth + 1)) return false;
    }
  }

  // A directory that ends the block without room for its link has none.
  size_t linkAt = start + 2 + size_t(entries) * 12;
  uint32_t next = holds(linkAt, 4) ? get32(linkAt) : 0;
  if (next != 0 && !walkLinked(next, depth + 1)) return false;

  if (thumbnailOffset != 0 && thumbnailLength != 0 && holds(thumbnailOffset, thumbnailLength)) {
    info.thumbnail = base + thumbnailOffset;
    info.thumbnailSize = thumbnailLength;
  }
  return true;
}

ExifReader::ExifReader(ExifInfo* info) : exif(info), ownsInfo(info == nullptr) {
  if (ownsInfo) exif = new ExifInfo{};
}

ExifReader::~ExifReader() {
  if (ownsInfo) delete exif;
}

void ExifReader::setError(const char* text) {
  errorText.assign(text, std::min<size_t>(std::strlen(text), 255));
}

bool ExifReader::parseExifBlock(const uint8_t* data, size_t length) {
  exif->flashUsed = 0;
  exif->comment[0] = 0;
  largestDimension = 0;
  exif->isExif = false;

  if (length < 6 || std::memcmp(data, "Exif\0\0", 6) != 0) {
    setError("Incorrect Exif header");
    return false;
  }
  const uint8_t* base = data + 6;
  size_t tiffLength = length - 6;
  bool bigEndian;
  if (tiffLength >= 2 && base[0] == 'I' && base[1] == 'I') {
    bigEndian = false;
  } else if (tiffLength >= 2 && base[0] == 'M' && base[1] == 'M') {
    bigEndian = true;
  } else {
    setError("Invalid Exif alignment marker.");
    return false;
  }
  Block block(*this, base, tiffLength, bigEndian);
  if (!block.holds(2, 2) || block.get16(2) != 42) {
    setError("Invalid Exif start (1)");
    return false;
  }
  uint32_t firstDirectory = block.holds(4, 4) ? block.get32(4) : 0;
  if (firstDirectory < 8 || firstDirectory > 16) {
    setError("Suspicious offset of first IFD value");
    return false;
  }
  if (!block.walkDirectory(firstDirectory, 0) || block.aborted) return false;

  if (exif->focalPlaneXRes != 0)
    exif->ccdWidth =
        toFloat(largestDimension * double(exif->focalPlaneUnit) / exif->focalPlaneXRes);
  exif->isExif = true;
  return true;
}

void ExifReader::readFrameHeader(const std::vector<uint8_t>& section, int marker) {
  if (section.size() < 8) return;  // too short to hold the frame's size
  exif->height = section[3] << 8 | section[4];
  exif->width = section[5] << 8 | section[6];
  exif->isColor = section[7] == 3;
  exif->process = marker;
}

void ExifReader::readComment(const std::vector<uint8_t>& section) {
  size_t count = std::min<size_t>(section.size() - 2, 998);
  const uint8_t* text = section.data() + 2;
  size_t out = 0;
  for (size_t i = 0; i < count; ++i) {
    uint8_t c = text[i];
    if (c == '\r' && i + 1 < count && text[i + 1] == '\n') continue;
    bool printable = c >= 0x20 && c < 0x7F;
    exif->comment[out++] = printable || c == '\n' || c == '\t' ? char(c) : '?';
  }
  exif->comment[out] = 0;
}

bool ExifReader::readSections(ImageStream& stream) {
  if (stream.getc() != 0xFF || stream.getc() != 0xD8) {
    setError("Not a JPEG file");
    return false;
  }
  bool haveComment = false;
  while (kept.size() < size_t(maxSections)) {
    int marker;
    for (int padding = 0;;) {
      marker = stream.getc();
      if (marker != 0xFF) break;
      if (++padding == 7) {
        std::printf("too many padding bytes\n");
        setError("too many padding bytes");
        return false;
      }
    }
    int high = stream.getc(), low = stream.getc();
    if (marker == EOF || high == EOF || low == EOF) {
      setError("Premature end of file?");
      return false;
    }
    size_t length = size_t(high << 8 | low);
    if (length < 2) {
      setError("invalid marker");
      return false;
    }
    std::vector<uint8_t> bytes(length);
    bytes[0] = uint8_t(high);
    bytes[1] = uint8_t(low);
    if (stream.read(bytes.data() + 2, 1, length - 2) != length - 2) {
      setError("Premature end of file?");
      return false;
    }

    if (isFrameHeader(marker)) {
      readFrameHeader(bytes, marker);
    } else if (marker == 0xD9) {
      std::printf("No image in jpeg!\n");
      setError("No image in jpeg!");
      return false;
    } else if (marker == 0xDA) {
      kept.push_back({marker, std::move(bytes)});
      return true;
    } else if (marker == 0xE0) {
      continue;
    } else if (marker == 0xE1) {
      if (length - 2 < 4 || std::memcmp(bytes.data() + 2, "Exif", 4) != 0) continue;
      exif->isExif = parseExifBlock(bytes.data() + 2, length - 2);
    } else if (marker == 0xFE) {
      if (haveComment) continue;
      haveComment = true;
      readComment(bytes);
    }
    kept.push_back({marker, std::move(bytes)});
  }
  setError("Too many sections in jpg file");
  return false;
}
