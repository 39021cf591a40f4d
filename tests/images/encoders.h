#pragma once
// Writers of PNG and JPEG files in memory for the decoder tests, through the
// real libraries: every PNG colour type and bit depth, interlaced or not,
// with palettes, transparency and background chunks; JPEGs in grey, RGB
// and CMYK, baseline or progressive, with extra marker sections; EXIF
// blocks in either byte order.
#include <jpeglib.h>
#include <png.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "images/image_stream.h"
#include "images/raster_image.h"
#include "support/test_files.h"

namespace encoders {

// Sample callbacks give channel c of pixel (x, y), y from the top, in the
// full range of the bit depth.
using Sample = std::function<int(int x, int y, int channel)>;

struct PngSpec {  // positional initialisation follows this order
  int width = 1, height = 1, colorType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
  Sample sample = [](int, int, int) { return 0; };
  bool interlaced = false;
  std::vector<png_color> palette = {};
  std::vector<uint8_t> paletteAlpha = {};       // tRNS of a palette image
  std::optional<png_color_16> background = {};  // bKGD
};

inline int channelsOf(int colorType) {
  if (colorType == PNG_COLOR_TYPE_PALETTE) return 1;
  return (colorType & PNG_COLOR_MASK_COLOR ? 3 : 1) + (colorType & PNG_COLOR_MASK_ALPHA ? 1 : 0);
}

inline std::vector<uint8_t> encodePng(const PngSpec& spec) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  // One sample a byte (two at 16 bits, high first); libpng packs smaller ones.
  int channels = channelsOf(spec.colorType), wide = spec.bitDepth == 16;
  std::vector<std::vector<uint8_t>> rows(size_t(spec.height));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < spec.height; ++y) {
    for (int i = 0; i < spec.width * channels; ++i) {
      int value = spec.sample(i / channels, y, i % channels);
      if (wide) rows[size_t(y)].push_back(uint8_t(value >> 8));
      rows[size_t(y)].push_back(uint8_t(value));
    }
    pointers.push_back(rows[size_t(y)].data());
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t length) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + length);
      },
      nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) png_set_PLTE(png, info, spec.palette.data(), int(spec.palette.size()));
  if (!spec.paletteAlpha.empty())
    png_set_tRNS(png, info, spec.paletteAlpha.data(), int(spec.paletteAlpha.size()), nullptr);
  if (spec.background) png_set_bKGD(png, info, &*spec.background);
  png_write_info(png, info);
  png_set_packing(png);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

enum class JpegColors { Grey = 1, Rgb = 3, Cmyk = 4 };  // the component counts

struct JpegSpec {
  int width = 1, height = 1;
  JpegColors colors = JpegColors::Rgb;
  Sample sample = [](int, int, int) { return 0; };
  bool progressive = false;
  int quality = 100;
  // Marker sections written after the JFIF/Adobe header: code and data.
  std::vector<std::pair<int, std::vector<uint8_t>>> markers = {};
};

// Four flat quadrants, as seen in the file (top-down): top left, top right,
// bottom left, bottom right; each colour as the file's components.
using Quadrants = std::vector<std::vector<int>>;
inline const Quadrants redGreenBlueWhite = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
inline JpegSpec quadrantSpec(int width, int height, JpegColors colors = JpegColors::Rgb,
                             Quadrants quadrants = redGreenBlueWhite) {
  return {
      width, height, colors, [=](int x, int y, int c) {
        return quadrants[size_t((y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0))][size_t(c)];
      }};
}

inline std::vector<uint8_t> encodeJpeg(const JpegSpec& spec) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(spec.width), cinfo.image_height = JDIMENSION(spec.height);
  int n = cinfo.input_components = int(spec.colors);  // components
  cinfo.in_color_space = n == 1 ? JCS_GRAYSCALE : n == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  if (spec.quality == 100)  // no chroma subsampling: colours stay close
    for (int c = 0; c < cinfo.num_components; ++c)
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& marker : spec.markers)
    jpeg_write_marker(&cinfo, marker.first, marker.second.data(), unsigned(marker.second.size()));
  std::vector<uint8_t> row(size_t(spec.width) * n);
  for (JSAMPROW rows[1] = {row.data()}; cinfo.next_scanline < cinfo.image_height;) {
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = uint8_t(spec.sample(int(i) / n, int(cinfo.next_scanline), int(i) % n));
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  free(buffer);
  return out;
}

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// EXIF entries whose values are fields of 1, 2, 4 or 8 bytes, laid out in
// the block's byte order when written.
struct Field {
  int bytes;
  uint64_t value;
};
struct Entry {
  uint16_t tag, format;
  uint32_t count;
  std::vector<Field> value;
  int link = -1;  // a directory whose offset is the value
};
inline Entry shortTag(uint16_t tag, uint16_t v) {
  return {tag, 3, 1, {{2, v}}};
}
inline Entry rationalTag(uint16_t tag, int32_t num, int32_t den, uint16_t format = 5) {
  return {tag, format, 1, {{4, uint32_t(num)}, {4, uint32_t(den)}}};
}
inline Entry textTag(uint16_t tag, const std::string& text, uint16_t format = 2) {
  std::vector<Field> value;
  for (char c : text) value.push_back({1, uint8_t(c)});
  if (format == 2) value.push_back({1, 0});
  return {tag, format, uint32_t(value.size()), value};
}

// TIFF data: the header, the directories one after the other, then the
// values longer than four bytes.
struct Tiff {
  std::vector<std::vector<Entry>> directories;
  std::vector<int> next = {};  // the next directory of each; -1 or none: none
  bool bigEndian = false;

  Bytes bytes(const std::vector<Field>& fields) const {
    Bytes out;
    for (const Field& f : fields)
      for (int i = 0; i < f.bytes; ++i)
        out.push_back(uint8_t(f.value >> 8 * (bigEndian ? f.bytes - 1 - i : i)));
    return out;
  }
  Bytes tiff() const {
    std::vector<uint32_t> offsets;
    uint32_t dataStart = 8;
    for (const auto& entries : directories)
      offsets.push_back(dataStart), dataStart += uint32_t(6 + 12 * entries.size());
    auto u32 = [&](uint32_t v) { return bytes({{4, v}}); };
    Bytes out = (bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'}) + bytes({{2, 42}}) + u32(8), data;
    for (size_t d = 0; d < directories.size(); ++d) {
      out = out + bytes({{2, directories[d].size()}});
      for (const Entry& e : directories[d]) {
        Bytes value = e.link >= 0 ? u32(offsets[size_t(e.link)]) : bytes(e.value);
        if (value.size() > 4) {
          uint32_t at = dataStart + uint32_t(data.size());
          data = data + value + Bytes(value.size() % 2);  // values start at even offsets
          value = u32(at);
        }
        value.resize(4);
        out = out + bytes({{2, e.tag}, {2, e.format}, {4, e.count}}) + value;
      }
      int link = d < next.size() ? next[d] : -1;
      out = out + u32(link >= 0 ? offsets[size_t(link)] : 0);
    }
    return out + data;
  }
  // "Exif\0\0" followed by the TIFF data: an APP1 payload.
  Bytes app1() const { return Bytes{'E', 'x', 'i', 'f', 0, 0} + tiff(); }
};

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  testfiles::writeText(path, std::string(bytes.begin(), bytes.end()));
}

inline bool decodeBytes(RasterImage& image, const std::vector<uint8_t>& bytes, int format) {
  MemoryImageStream stream(bytes.data(), bytes.size());
  return image.decode(stream, format);
}

}  // namespace encoders
