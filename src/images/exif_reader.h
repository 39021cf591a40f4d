#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "images/exif_info.h"

class ImageStream;

// Walks a JPEG file's marker sections up to the compressed data, keeping the
// frame header, the first comment and the EXIF block, and reads the EXIF
// block's TIFF directories into an ExifInfo.
class ExifReader {
 public:
  static constexpr int maxSections = 20;
  // Guards against crafted directory links: how deep sub-directories and
  // next-directory links may nest, and how many directories one block may
  // hold in all.
  static constexpr int maxDirectoryDepth = 8;
  static constexpr int maxDirectories = 32;

  // Fills info (zeroed by its owner), or a zero-filled record of its own.
  explicit ExifReader(ExifInfo* info = nullptr);
  ~ExifReader();
  ExifReader(const ExifReader&) = delete;
  ExifReader& operator=(const ExifReader&) = delete;

  // Reads sections from the stream's position up to the start of scan.
  // True when the scan was reached; the stream is left where the walk stopped.
  bool readSections(ImageStream& stream);
  // Parses an APP1 payload (the bytes after the two length bytes), which
  // must begin with "Exif\0\0". Sets isExif and returns the same.
  bool parseExifBlock(const uint8_t* data, size_t length);

  const ExifInfo& info() const { return *exif; }
  const std::string& error() const { return errorText; }

  struct Section {
    int marker;
    std::vector<uint8_t> bytes;  // the two length bytes, then the data
  };
  const std::vector<Section>& sections() const { return kept; }

 private:
  class Block;

  void setError(const char* text);
  void readFrameHeader(const std::vector<uint8_t>& section, int marker);
  void readComment(const std::vector<uint8_t>& section);

  ExifInfo* exif;
  bool ownsInfo;
  std::string errorText;
  int largestDimension = 0;
  std::vector<Section> kept;
};
