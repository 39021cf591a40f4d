#pragma once
// Writers of PNG and JPEG files in memory for the decoder tests, through the
// real libraries: every PNG colour type and bit depth, interlaced or not,
// with palettes, transparency and background chunks; JPEGs in grey, RGB
// and CMYK, baseline or progressive, with extra marker sections.
#include <jpeglib.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace encoders {

struct PngSpec {
  int width = 1, height = 1;
  int colorType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  // Samples of pixel (x, y), y from the top: channel c in 0..3 (as many as
  // the colour type has), full range of the bit depth.
  std::function<int(int x, int y, int channel)> sample = [](int, int, int) { return 0; };
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS of a palette image
  bool hasTransparentColor = false;   // tRNS of a grey or RGB image
  png_color_16 transparentColor{};
  bool hasBackground = false;  // bKGD
  png_color_16 background{};
};

inline int channelsOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    default:
      return 4;
  }
}

inline void appendBytes(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

inline std::vector<uint8_t> encodePng(const PngSpec& spec) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<std::vector<uint8_t>> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, appendBytes, nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) png_set_PLTE(png, info, spec.palette.data(), int(spec.palette.size()));
  if (!spec.paletteAlpha.empty())
    png_set_tRNS(png, info, spec.paletteAlpha.data(), int(spec.paletteAlpha.size()), nullptr);
  if (spec.hasTransparentColor) {
    png_color_16 color = spec.transparentColor;
    png_set_tRNS(png, info, nullptr, 0, &color);
  }
  if (spec.hasBackground) {
    png_color_16 color = spec.background;
    png_set_bKGD(png, info, &color);
  }
  png_write_info(png, info);

  int channels = channelsOf(spec.colorType);
  int bitsPerPixel = channels * spec.bitDepth;
  size_t rowBytes = (size_t(spec.width) * bitsPerPixel + 7) / 8;
  rows.assign(size_t(spec.height), std::vector<uint8_t>(rowBytes, 0));
  for (int y = 0; y < spec.height; ++y) {
    uint8_t* row = rows[size_t(y)].data();
    for (int x = 0; x < spec.width; ++x)
      for (int c = 0; c < channels; ++c) {
        int value = spec.sample(x, y, c);
        if (spec.bitDepth == 16) {
          size_t at = (size_t(x) * channels + c) * 2;
          row[at] = uint8_t(value >> 8);
          row[at + 1] = uint8_t(value);
        } else if (spec.bitDepth == 8) {
          row[size_t(x) * channels + c] = uint8_t(value);
        } else {  // one channel of 1, 2 or 4 bits, most significant first
          size_t bit = size_t(x) * spec.bitDepth;
          int shift = 8 - spec.bitDepth - int(bit % 8);
          row[bit / 8] |= uint8_t(value << shift);
        }
      }
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

enum class JpegColors { Grey, Rgb, Cmyk };

struct JpegSpec {
  int width = 1, height = 1;
  JpegColors colors = JpegColors::Rgb;
  bool progressive = false;
  int quality = 100;
  // Component c of pixel (x, y), y from the top.
  std::function<int(int x, int y, int component)> sample = [](int, int, int) { return 0; };
  // Marker sections written after the JFIF/Adobe header: code and data.
  std::vector<std::pair<int, std::vector<uint8_t>>> markers;
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
  int components = spec.colors == JpegColors::Grey ? 1 : spec.colors == JpegColors::Rgb ? 3 : 4;
  cinfo.input_components = components;
  cinfo.in_color_space = spec.colors == JpegColors::Grey  ? JCS_GRAYSCALE
                         : spec.colors == JpegColors::Rgb ? JCS_RGB
                                                          : JCS_CMYK;
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
  while (cinfo.next_scanline < cinfo.image_height) {
    int y = int(cinfo.next_scanline);
    for (int x = 0; x < spec.width; ++x)
      for (int c = 0; c < components; ++c)
        row[size_t(x) * components + c] = uint8_t(spec.sample(x, y, c));
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  free(buffer);
  return out;
}

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace encoders
