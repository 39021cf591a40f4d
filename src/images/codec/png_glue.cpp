#include "images/codec/png_glue.h"

#include "images/codec/image_stream.h"

void readPngFromStream(png_structp png, png_bytep data, size_t length) {
  ImageStream* stream = static_cast<ImageStream*>(png_get_io_ptr(png));
  if (stream->read(data, 1, length) != length) png_error(png, "Read Error");
}
