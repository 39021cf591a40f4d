#pragma once
#include <cstddef>
#include <cstdint>

// The largest pictures any decoder takes: a side of at most maxPictureSide
// pixels and at most maxPicturePixels pixels in all. Larger ones are
// refused from their header, before anything is allocated for them.
constexpr int maxPictureSide = 16384;
constexpr int64_t maxPicturePixels = int64_t(1) << 28;

// Whether a picture of that size may be decoded under the caps and the
// (smaller) pixelLimit. Without, a one-line reason goes to message.
bool pictureSizeAllowed(int64_t width, int64_t height, int64_t pixelLimit, char* message,
                        size_t messageSize);
