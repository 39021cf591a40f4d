#include "images/picture_orientation.h"

#include <cstring>
#include <utility>

#include "images/raster_image.h"

bool applyOrientation(RasterImage& picture, int orientation) {
  const int bytes = picture.bitsPerPixel / 8;
  if (orientation < 2 || orientation > 8 || (bytes != 1 && bytes != 3)) return true;
  const int width = picture.width(), height = picture.height();
  const bool swapsSides = orientation >= 5;
  RasterImage turned(picture.format);
  turned.pixelLimit = picture.pixelLimit;
  if (!turned.allocate(swapsSides ? height : width, swapsSides ? width : height,
                       picture.bitsPerPixel, picture.hasAlphaPlane())) {
    picture.lastError = turned.lastError;
    return false;
  }
  // Positions are counted from the top left here; rows are stored bottom up.
  const int newWidth = turned.width(), newHeight = turned.height();
  for (int y = 0; y < newHeight; ++y) {
    uint8_t* target = turned.row(newHeight - 1 - y);
    for (int x = 0; x < newWidth; ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = width - 1 - x;
          break;
        case 3:
          sx = width - 1 - x, sy = height - 1 - y;
          break;
        case 4:
          sy = height - 1 - y;
          break;
        case 5:
          sx = y, sy = x;
          break;
        case 6:
          sx = y, sy = height - 1 - x;
          break;
        case 7:
          sx = width - 1 - y, sy = height - 1 - x;
          break;
        case 8:
          sx = width - 1 - y, sy = x;
          break;
      }
      const int sourceRow = height - 1 - sy;
      std::memcpy(target + x * bytes, picture.row(sourceRow) + sx * bytes, size_t(bytes));
      if (picture.hasAlphaPlane())
        turned.alphaPlane[size_t(newHeight - 1 - y) * size_t(newWidth) + size_t(x)] =
            picture.alphaAt(sx, sourceRow);
    }
  }
  picture.pixels = std::move(turned.pixels);
  picture.alphaPlane = std::move(turned.alphaPlane);
  picture.imageWidth = newWidth;
  picture.imageHeight = newHeight;
  if (swapsSides) std::swap(picture.horizontalResolution, picture.verticalResolution);
  return true;
}
