#include "images/codec/picture_caps.h"

#include <algorithm>
#include <cstdio>

bool pictureSizeAllowed(int64_t width, int64_t height, int64_t pixelLimit, char* message,
                        size_t messageSize) {
  if (width <= 0 || height <= 0) {
    std::snprintf(message, messageSize, "Picture has no pixels");
    return false;
  }
  int64_t limit = std::min(pixelLimit, maxPicturePixels);
  // Both sides are checked first, so the product cannot overflow.
  if (width > maxPictureSide || height > maxPictureSide || width * height > limit) {
    std::snprintf(message, messageSize,
                  "Picture too large: %lld x %lld pixels (at most %d a side and %lld pixels)",
                  (long long)width, (long long)height, maxPictureSide, (long long)limit);
    return false;
  }
  return true;
}
