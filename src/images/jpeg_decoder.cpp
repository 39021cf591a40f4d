#include "images/jpeg_decoder.h"

#include <jerror.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "images/codec/jpeg_glue.h"
#include "images/exif_reader.h"
#include "images/image_stream.h"
#include "images/raster_image.h"

namespace {

int resolutionFrom(float dots, float unit) {
  double perInch = std::trunc(double(dots) / unit);
  if (std::isnan(perInch)) return 0;
  return int(std::fmax(double(INT_MIN), std::fmin(double(INT_MAX), perInch)));
}

// CMYK as libjpeg delivers it (Adobe's inverted values) to blue, green, red.
void cmykToBgr(const uint8_t* cmyk, uint8_t* bgr, int width) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned k = cmyk[3];
    bgr[0] = uint8_t(cmyk[2] * k / 255);
    bgr[1] = uint8_t(cmyk[1] * k / 255);
    bgr[2] = uint8_t(cmyk[0] * k / 255);
  }
}

// What a reduced decoding asks for and learns.
struct Reduction {
  void (*targetSize)(int& width, int& height);
  int fullWidth = 0, fullHeight = 0;
};

// The smallest n/8 scale giving at least the target size; libjpeg's output
// size then stands in cinfo.
void chooseReduction(jpeg_decompress_struct& cinfo, Reduction& reduction) {
  int targetWidth = reduction.fullWidth = int(cinfo.image_width);
  int targetHeight = reduction.fullHeight = int(cinfo.image_height);
  reduction.targetSize(targetWidth, targetHeight);
  cinfo.scale_denom = 8;
  for (cinfo.scale_num = 1; cinfo.scale_num < 8; ++cinfo.scale_num) {
    jpeg_calc_output_dimensions(&cinfo);
    if (int(cinfo.output_width) >= targetWidth && int(cinfo.output_height) >= targetHeight) return;
  }
  jpeg_calc_output_dimensions(&cinfo);
}

// The libjpeg part of the decoding. Holds nothing with a destructor: a
// libjpeg error comes back here through longjmp. cmykRow belongs to the
// caller so that it outlives that jump.
bool decompress(ImageStream& stream, RasterImage& picture, const volatile int& escape,
                std::vector<uint8_t>& cmykRow, Reduction* reduction) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager errors;
  JpegStreamSource source;
  JpegProgressMonitor monitor;

  useJpegErrorManager(cinfo, errors);
  if (setjmp(errors.jump)) {
    picture.lastError = errors.message;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  attachJpegSource(cinfo, source, stream);
  attachJpegProgressMonitor(cinfo, monitor, errors, escape);

  jpeg_read_header(&cinfo, TRUE);

  int components;
  switch (cinfo.out_color_space) {
    case JCS_GRAYSCALE:
      components = 1;
      break;
    case JCS_RGB:
#ifdef JCS_EXTENSIONS
      cinfo.out_color_space = JCS_EXT_BGR;  // the image's own order, no swap afterwards
#endif
      components = 3;
      break;
    case JCS_CMYK:
      components = 4;
      break;
    default:
      failJpeg(&errors, "Unsupported JPEG colour space");
  }
  if (int(cinfo.num_components) != components) failJpeg(&errors, "Unsupported JPEG colour space");

  // Refuse oversized pictures before libjpeg allocates its own buffers.
  int width = int(cinfo.image_width), height = int(cinfo.image_height);
  if (reduction) {
    // The caps are the whole picture's, however small it comes out.
    if (!picture.checkSize(width, height)) failJpeg(&errors, picture.lastError.c_str());
    chooseReduction(cinfo, *reduction);
    width = int(cinfo.output_width), height = int(cinfo.output_height);
  }
  if (!picture.allocate(width, height, components == 1 ? 8 : 24, false))
    failJpeg(&errors, picture.lastError.c_str());
  if (components == 1)
    for (int i = 0; i < 256; ++i)
      picture.palette[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  if (components == 4) cmykRow.resize(size_t(width) * 4);

  jpeg_start_decompress(&cinfo);
  if (int(cinfo.output_width) != width || int(cinfo.output_height) != height ||
      cinfo.output_components != components)
    failJpeg(&errors, "Unexpected JPEG output size");

  while (cinfo.output_scanline < cinfo.output_height) {
    if (escape) failJpeg(&errors, "Decoding abandoned");
    uint8_t* imageRow = picture.row(height - 1 - int(cinfo.output_scanline));
    JSAMPROW target = components == 4 ? cmykRow.data() : imageRow;
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) failJpeg(&errors, "JPEG data ended early");
    if (components == 4) cmykToBgr(cmykRow.data(), imageRow, width);
  }
#ifndef JCS_EXTENSIONS
  if (components == 3)
    for (int y = 0; y < height; ++y) {
      uint8_t* p = picture.row(y);
      for (int x = 0; x < width; ++x, p += 3) std::swap(p[0], p[2]);
    }
#endif
  // Data cut short is only libjpeg's warning: the rows it could not read
  // are its grey, and the picture shows what the file held.
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

namespace {

bool decodeJpegWith(ImageStream& stream, RasterImage& picture, const volatile int& escape,
                    Reduction* reduction) {
  long start = stream.tell();
  {
    ExifReader reader(&picture.exifInfo);
    reader.readSections(stream);
    if (picture.exifInfo.isExif) {
      const ExifInfo& info = picture.exifInfo;
      if (info.xResolution != 0 && info.resolutionUnit != 0)
        picture.horizontalResolution = resolutionFrom(info.xResolution, info.resolutionUnit);
      if (info.yResolution != 0 && info.resolutionUnit != 0)
        picture.verticalResolution = resolutionFrom(info.yResolution, info.resolutionUnit);
    }
    // The kept sections go with the reader.
    picture.exifInfo.thumbnail = nullptr;
  }
  if (stream.seek(start, SEEK_SET) != 0) {
    picture.lastError = "Cannot seek in the picture file";
    return false;
  }
  std::vector<uint8_t> cmykRow;
  return decompress(stream, picture, escape, cmykRow, reduction);
}

}  // namespace

bool decodeJpeg(ImageStream& stream, RasterImage& picture, const volatile int& escape) {
  return decodeJpegWith(stream, picture, escape, nullptr);
}

bool decodeJpegReduced(ImageStream& stream, RasterImage& picture, const volatile int& escape,
                       void (*targetSize)(int& width, int& height), int& fullWidth,
                       int& fullHeight) {
  Reduction reduction{targetSize};
  if (!decodeJpegWith(stream, picture, escape, &reduction)) return false;
  fullWidth = reduction.fullWidth, fullHeight = reduction.fullHeight;
  return true;
}
