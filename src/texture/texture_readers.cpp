#include "texture/texture_readers.h"

#include <GL/gl.h>

#include <cstdio>
#include <new>
#include <string>

#include "images/codec/image_stream.h"
#include "images/codec/jpeg_glue.h"
#include "images/codec/png_glue.h"
#include "platform/file_case.h"
#include "texture/texture_data.h"

namespace {

// Room for a formatted libjpeg message or a size refusal.
constexpr size_t messageSize = JMSG_LENGTH_MAX + 64;

// Thrown texts that are formatted at run time live here, one per thread,
// so that readers on other threads never overwrite them.
const char* keptMessage(const char* text) {
  thread_local char kept[messageSize];
  std::snprintf(kept, sizeof kept, "%s", text);
  return kept;
}

std::unique_ptr<ImageStream> openSource(const void* source, bool fromFile, size_t size) {
  if (!fromFile) return std::make_unique<MemoryImageStream>(source, size);
  auto file = std::make_unique<FileImageStream>(
      findFileIgnoringCase(std::string(static_cast<const char*>(source))));
  if (!file->isOpen()) return nullptr;
  return file;
}

bool littleEndian() {
  const uint16_t one = 1;
  return *reinterpret_cast<const uint8_t*>(&one) == 1;
}

enum class Outcome { Read, LibraryError, TooLarge, NoMemory };

struct PngPicture {
  unsigned char* pixels = nullptr;  // new[]; the caller's from the start
  unsigned width = 0, height = 0;
  int format = 0;
  char message[messageSize] = {};
};

// The libpng part of readPng. Holds nothing with a destructor: a libpng
// error comes back here through longjmp.
Outcome decodePng(png_structp png, png_infop info, ImageStream& stream, bool wantAlpha,
                  int64_t pixelLimit, PngPicture& picture) {
  if (setjmp(png_jmpbuf(png))) return Outcome::LibraryError;
  png_set_read_fn(png, &stream, readPngFromStream);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (!pictureSizeAllowed(width, height, pixelLimit, picture.message, sizeof picture.message))
    return Outcome::TooLarge;

  bool hasAlpha = false;
  if ((colorType & (PNG_COLOR_MASK_PALETTE | PNG_COLOR_MASK_COLOR)) && bitDepth <= 8)
    png_set_expand(png);
  // Grey of 1, 2 or 4 bits becomes 8-bit grey.
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_expand(png);
    hasAlpha = true;
  }
  bool keepSixteen = colorType == PNG_COLOR_TYPE_GRAY_ALPHA && !wantAlpha;
  if (bitDepth == 16 && !keepSixteen) png_set_strip_16(png);
  if (bitDepth == 16 && keepSixteen && littleEndian()) png_set_swap(png);
  if (wantAlpha && (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA))
    png_set_gray_to_rgb(png);
  if (colorType & PNG_COLOR_MASK_ALPHA) hasAlpha = true;
  if (wantAlpha && !hasAlpha) {
    png_set_filler(png, 255, PNG_FILLER_AFTER);
    hasAlpha = true;
  }
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  int outputDepth = png_get_bit_depth(png, info);
  int outputType = png_get_color_type(png, info);
  int format = outputType == PNG_COLOR_TYPE_GRAY         ? GL_LUMINANCE
               : outputType == PNG_COLOR_TYPE_GRAY_ALPHA ? GL_LUMINANCE_ALPHA
               : hasAlpha                                ? GL_RGBA
                                                         : GL_RGB;
  if (outputDepth != 8) format = sixteenBitSamples;
  size_t rowBytes = png_get_rowbytes(png, info);
  // The rows must be exactly what the format says, or a consumer of the
  // pixels would read past them.
  if (rowBytes != size_t(width) * size_t(bytesPerPixel(format)))
    png_error(png, "unexpected row layout");

  picture.pixels = new (std::nothrow) unsigned char[rowBytes * height];
  if (!picture.pixels) return Outcome::NoMemory;
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, picture.pixels + rowBytes * y, nullptr);
  picture.width = width;
  picture.height = height;
  picture.format = format;
  return Outcome::Read;
}

struct JpegPicture {
  unsigned char* pixels = nullptr;  // new[]; the caller's from the start
  unsigned width = 0, height = 0;
  char message[messageSize] = {};
};

// RGB rows at the start of each stride spread in place to RGBA, alpha 255,
// from the last pixel of the row backwards.
void spreadToRgba(unsigned char* row, unsigned width) {
  for (unsigned x = width; x-- > 0;) {
    row[4 * x + 3] = 255;
    row[4 * x + 2] = row[3 * x + 2];
    row[4 * x + 1] = row[3 * x + 1];
    row[4 * x] = row[3 * x];
  }
}

// The libjpeg part of readJpeg. Holds nothing with a destructor: a libjpeg
// error comes back here through longjmp.
Outcome decodeJpeg(ImageStream& stream, bool wantAlpha, int64_t pixelLimit, JpegPicture& picture) {
  jpeg_decompress_struct cinfo;
  JpegErrorManager errors;
  JpegStreamSource source;
  JpegProgressMonitor monitor;
  const volatile int neverAbandoned = 0;

  useJpegErrorManager(cinfo, errors);
  if (setjmp(errors.jump)) {
    std::snprintf(picture.message, sizeof picture.message, "%s", errors.message);
    jpeg_destroy_decompress(&cinfo);
    return Outcome::LibraryError;
  }
  jpeg_create_decompress(&cinfo);
  attachJpegSource(cinfo, source, stream);
  attachJpegProgressMonitor(cinfo, monitor, errors, neverAbandoned);

  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;  // grey pictures come out as RGB too
  if (!pictureSizeAllowed(cinfo.image_width, cinfo.image_height, pixelLimit, picture.message,
                          sizeof picture.message)) {
    jpeg_destroy_decompress(&cinfo);
    return Outcome::TooLarge;
  }
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) failJpeg(&errors, "unexpected JPEG output");

  unsigned width = cinfo.output_width, height = cinfo.output_height;
  size_t stride = size_t(width) * (wantAlpha ? 4 : 3);
  picture.pixels = new (std::nothrow) unsigned char[stride * height];
  if (!picture.pixels) {
    jpeg_destroy_decompress(&cinfo);
    return Outcome::NoMemory;
  }
  while (cinfo.output_scanline < height) {
    JSAMPROW row = picture.pixels + stride * cinfo.output_scanline;
    // The source never suspends, so every call delivers a row.
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) failJpeg(&errors, "JPEG data ended early");
    if (wantAlpha) spreadToRgba(row, width);
  }
  jpeg_finish_decompress(&cinfo);
  // libjpeg filled what the data did not hold; that is no picture here.
  if (jpegDataCutShort(cinfo, errors, source)) longjmp(errors.jump, 1);
  jpeg_destroy_decompress(&cinfo);
  picture.width = width;
  picture.height = height;
  return Outcome::Read;
}

}  // namespace

std::unique_ptr<unsigned char[]> readPng(const void* source, unsigned& width, unsigned& height,
                                         int& format, bool fromFile, bool wantAlpha, size_t size,
                                         int64_t pixelLimit) {
  std::unique_ptr<ImageStream> stream = openSource(source, fromFile, size);
  if (!stream) throw "can't open png file";
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) throw "can't create read struct";
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    throw "can't create info struct";
  }
  PngPicture picture;
  Outcome outcome = decodePng(png, info, *stream, wantAlpha, pixelLimit, picture);
  png_destroy_read_struct(&png, &info, nullptr);
  std::unique_ptr<unsigned char[]> pixels(picture.pixels);
  switch (outcome) {
    case Outcome::Read:
      break;
    case Outcome::LibraryError:
      throw "error reading png file";
    case Outcome::TooLarge:
      throw keptMessage(picture.message);
    case Outcome::NoMemory:
      throw "can't get memory";
  }
  width = picture.width;
  height = picture.height;
  format = picture.format;
  return pixels;
}

std::unique_ptr<unsigned char[]> readJpeg(const void* source, unsigned& width, unsigned& height,
                                          bool wantAlpha, bool fromFile, size_t size,
                                          int64_t pixelLimit) {
  std::unique_ptr<ImageStream> stream = openSource(source, fromFile, size);
  if (!stream) throw "can't open jpeg file";
  JpegPicture picture;
  Outcome outcome = decodeJpeg(*stream, wantAlpha, pixelLimit, picture);
  std::unique_ptr<unsigned char[]> pixels(picture.pixels);
  switch (outcome) {
    case Outcome::Read:
      break;
    case Outcome::LibraryError:
    case Outcome::TooLarge:
      throw keptMessage(picture.message);
    case Outcome::NoMemory:
      return nullptr;
  }
  width = picture.width;
  height = picture.height;
  return pixels;
}
