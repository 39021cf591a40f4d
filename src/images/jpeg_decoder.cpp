#include "images/jpeg_decoder.h"

// libjpeg's headers need size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "images/exif_reader.h"
#include "images/image_stream.h"
#include "images/raster_image.h"

namespace {

constexpr size_t readBufferSize = 4096;
// A real progressive file has a dozen scans; thousands only cost time.
constexpr int maxScans = 500;

// Errors end the decoding through longjmp back into decompress(); the frames
// in between are libjpeg's and the callbacks below, which own nothing.
struct ErrorManager {
  jpeg_error_mgr manager;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool hitEndOfData;  // the entropy decoder ran into a marker before its data ended
};

struct StreamSource {
  jpeg_source_mgr manager;
  ImageStream* stream;
  bool startOfFile;
  bool exhausted;  // the stream ran dry and a fake end-of-image was handed out
  JOCTET buffer[readBufferSize];
};

struct ProgressMonitor {
  jpeg_progress_mgr manager;
  ErrorManager* errors;
  const volatile int* escape;
};

[[noreturn]] void failWith(ErrorManager* errors, const char* text) {
  std::snprintf(errors->message, sizeof errors->message, "%s", text);
  longjmp(errors->jump, 1);
}

void errorExit(j_common_ptr cinfo) {
  ErrorManager* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  longjmp(errors->jump, 1);
}

// Warnings are counted, never printed; the one that tells of data cut short
// is remembered.
void emitMessage(j_common_ptr cinfo, int level) {
  ErrorManager* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level >= 0) return;
  if (cinfo->err->msg_code == JWRN_HIT_MARKER) errors->hitEndOfData = true;
  cinfo->err->num_warnings++;
}

void outputMessage(j_common_ptr) {}

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
  StreamSource* source = reinterpret_cast<StreamSource*>(cinfo->src);
  size_t count = source->stream->read(source->buffer, 1, readBufferSize);
  if (count == 0) {
    if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // Hand out an end-of-image marker so that libjpeg stops here.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    count = 2;
    source->exhausted = true;
  }
  source->manager.next_input_byte = source->buffer;
  source->manager.bytes_in_buffer = count;
  source->startOfFile = false;
  return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* manager = cinfo->src;
  while (count > long(manager->bytes_in_buffer)) {
    count -= long(manager->bytes_in_buffer);
    fillInputBuffer(cinfo);
  }
  manager->next_input_byte += count;
  manager->bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

void monitorProgress(j_common_ptr cinfo) {
  ProgressMonitor* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
  if (*monitor->escape) failWith(monitor->errors, "Decoding abandoned");
  j_decompress_ptr decompressor = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (decompressor->input_scan_number > maxScans)
    failWith(monitor->errors, "Too many scans in JPEG file");
}

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

// The libjpeg part of the decoding. Holds nothing with a destructor: a
// libjpeg error comes back here through longjmp. cmykRow belongs to the
// caller so that it outlives that jump.
bool decompress(ImageStream& stream, RasterImage& picture, const volatile int& escape,
                std::vector<uint8_t>& cmykRow) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  StreamSource source;
  ProgressMonitor monitor;

  cinfo.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = errorExit;
  errors.manager.emit_message = emitMessage;
  errors.manager.output_message = outputMessage;
  errors.hitEndOfData = false;
  errors.message[0] = 0;
  if (setjmp(errors.jump)) {
    picture.lastError = errors.message;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);

  source.manager.init_source = initSource;
  source.manager.fill_input_buffer = fillInputBuffer;
  source.manager.skip_input_data = skipInputData;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = termSource;
  source.manager.bytes_in_buffer = 0;
  source.manager.next_input_byte = nullptr;
  source.stream = &stream;
  source.startOfFile = true;
  source.exhausted = false;
  cinfo.src = &source.manager;

  monitor.manager.progress_monitor = monitorProgress;
  monitor.errors = &errors;
  monitor.escape = &escape;
  cinfo.progress = &monitor.manager;

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
      failWith(&errors, "Unsupported JPEG colour space");
  }
  if (int(cinfo.num_components) != components) failWith(&errors, "Unsupported JPEG colour space");

  // Refuse oversized pictures before libjpeg allocates its own buffers.
  int width = int(cinfo.image_width), height = int(cinfo.image_height);
  if (!picture.allocate(width, height, components == 1 ? 8 : 24, false))
    failWith(&errors, picture.lastError.c_str());
  if (components == 1)
    for (int i = 0; i < 256; ++i)
      picture.palette[size_t(i)] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  if (components == 4) cmykRow.resize(size_t(width) * 4);

  jpeg_start_decompress(&cinfo);
  if (int(cinfo.output_width) != width || int(cinfo.output_height) != height ||
      cinfo.output_components != components)
    failWith(&errors, "Unexpected JPEG output size");

  while (cinfo.output_scanline < cinfo.output_height) {
    if (escape) failWith(&errors, "Decoding abandoned");
    uint8_t* imageRow = picture.row(height - 1 - int(cinfo.output_scanline));
    JSAMPROW target = components == 4 ? cmykRow.data() : imageRow;
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) failWith(&errors, "JPEG data ended early");
    if (components == 4) cmykToBgr(cmykRow.data(), imageRow, width);
  }
#ifndef JCS_EXTENSIONS
  if (components == 3)
    for (int y = 0; y < height; ++y) {
      uint8_t* p = picture.row(y);
      for (int x = 0; x < width; ++x, p += 3) std::swap(p[0], p[2]);
    }
#endif
  // Data cut short: libjpeg filled the rest of the picture with grey.
  if (source.exhausted && errors.hitEndOfData) {
    cinfo.err->msg_code = JWRN_JPEG_EOF;
    (*cinfo.err->format_message)(reinterpret_cast<j_common_ptr>(&cinfo), errors.message);
    picture.lastError = errors.message;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool decodeJpeg(ImageStream& stream, RasterImage& picture, const volatile int& escape) {
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
  return decompress(stream, picture, escape, cmykRow);
}
