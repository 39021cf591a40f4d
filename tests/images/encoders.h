#pragma once
// Writers of PNG and JPEG files in memory for the decoder tests, through the
// real libraries: every PNG colour type and bit depth, interlaced or not,
// with palettes, transparency and background chunks; JPEGs in grey, RGB
// and CMYK, baseline or progressive, with extra marker sections.
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
  int width = 1, height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
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
  std::vector<std::vector<uint8_t>> rows(spec.height,
                                         std::vector<uint8_t>(spec.width * channels << wide));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < spec.height; ++y) {
    std::vector<uint8_t>& row = rows[size_t(y)];
    pointers.push_back(row.data());
    for (size_t i = 0; i < row.size() >> wide; ++i) {
      int value = spec.sample(int(i) / channels, y, int(i) % channels);
      row[i << wide] = uint8_t(wide ? value >> 8 : value);
      if (wide) row[2 * i + 1] = uint8_t(value);
    }
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

inline std::vector<uint8_t> encodeJpeg(const JpegSpec& spec) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(spec.width);
  cinfo.image_height = JDIMENSION(spec.height);
  int components = cinfo.input_components = int(spec.colors);
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  if (spec.quality == 100)  // no chroma subsampling: colours stay close
    for (int c = 0; c < cinfo.num_components; ++c)
      cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& marker : spec.markers)
    jpeg_write_marker(&cinfo, marker.first, marker.second.data(), unsigned(marker.second.size()));
  std::vector<uint8_t> row(size_t(spec.width) * components);
  for (JSAMPROW rows[1] = {row.data()}; cinfo.next_scanline < cinfo.image_height;) {
    for (size_t i = 0; i < row.size(); ++i)
      row[i] =
          uint8_t(spec.sample(int(i) / components, int(cinfo.next_scanline), int(i) % components));
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  free(buffer);
  return out;
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  testfiles::writeText(path, std::string(bytes.begin(), bytes.end()));
}

inline bool decodeBytes(RasterImage& image, const std::vector<uint8_t>& bytes, int format) {
  MemoryImageStream stream(bytes.data(), bytes.size());
  return image.decode(stream, format);
}

}  // namespace encoders
