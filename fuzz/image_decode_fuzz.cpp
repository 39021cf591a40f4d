// Picture decoding from arbitrary bytes through RasterImage::decode with
// every decoder, the EXIF orientation, then the pixel queries and a
// resample of what decoded.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "images/image_stream.h"
#include "images/picture_orientation.h"
#include "images/raster_image.h"

namespace {
volatile unsigned sink;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RasterImage image;
  // About a megapixel, far below the viewer's caps (tested elsewhere), as
  // the image libraries' own fuzzers cap theirs: a long run then finds
  // faults rather than the memory limit.
  image.pixelLimit = int64_t(1) << 20;
  MemoryImageStream stream(data, size);
  if (!image.decode(stream, ImageFormatUnknown)) return 0;
  if (!applyOrientation(image, image.exifInfo.orientation)) return 0;

  int width = image.width(), height = image.height();
  if (width <= 0 || height <= 0) __builtin_trap();
  unsigned total = 0;
  int stepX = std::max(1, width / 16), stepY = std::max(1, height / 16);
  for (int y = -1; y <= height; y += stepY)
    for (int x = -1; x <= width; x += stepX) {
      RgbQuad color = image.pixelColor(x, y);
      total += color.red + color.green + color.blue + color.alpha + image.alphaAt(x, y);
    }
  if (image.resample(std::max(1, width / 3), std::max(1, height / 2), 1)) {
    RgbQuad color = image.pixelColor(image.width() - 1, image.height() - 1);
    total += color.red + image.alphaAt(0, 0);
  }
  sink = total;
  return 0;
}
