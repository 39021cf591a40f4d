// The EXIF reader from arbitrary bytes: once as a JPEG file's marker
// sections, once as the payload of an APP1 section (so that the TIFF walk
// is reached without a section structure around it).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "images/exif_reader.h"
#include "images/image_stream.h"

namespace {
volatile unsigned sink;

// Touches every byte the reader claims to have found.
void touch(const ExifInfo& info) {
  unsigned total = 0;
  for (uint32_t i = 0; info.thumbnail && i < info.thumbnailSize; ++i) total += info.thumbnail[i];
  total += unsigned(std::strlen(info.comment) + std::strlen(info.make) + std::strlen(info.model) +
                    std::strlen(info.dateTime) + std::strlen(info.version));
  sink = total;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    ExifInfo info{};
    ExifReader reader(&info);
    MemoryImageStream stream(data, size);
    reader.readSections(stream);
    touch(info);
  }
  {
    // An exact-size copy so that a read past the end is caught.
    std::vector<uint8_t> block(6 + size);
    std::memcpy(block.data(), "Exif\0\0", 6);
    if (size) std::memcpy(block.data() + 6, data, size);
    ExifInfo info{};
    ExifReader reader(&info);
    reader.parseExifBlock(block.data(), block.size());
    touch(info);
  }
  return 0;
}
