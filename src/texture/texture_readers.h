#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "images/codec/picture_caps.h"

// The PNG and JPEG readers of texture data. source is a path (with '\' or
// '/' separators) when fromFile, otherwise size bytes of the file in
// memory, never read past. Rows come top row first, packed. Failures are
// thrown as plain C-string messages (const char*), which stay valid until
// the next failure on the same thread; pictures beyond the caps (or
// pixelLimit) are refused that way before anything is allocated. Both may
// run on several threads at once.

// format becomes GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA or, for
// 16-bit grey with alpha read without alpha, sixteenBitSamples (samples in
// the machine's byte order).
std::unique_ptr<unsigned char[]> readPng(const void* source, unsigned& width, unsigned& height,
                                         int& format, bool fromFile, bool wantAlpha,
                                         size_t size = 0, int64_t pixelLimit = maxPicturePixels);

// RGB, or RGBA with alpha 255 when wantAlpha; null (no message) when there
// is no memory for the pixels. Data that ends inside the picture is
// libjpeg's premature-end error.
std::unique_ptr<unsigned char[]> readJpeg(const void* source, unsigned& width, unsigned& height,
                                          bool wantAlpha, bool fromFile, size_t size,
                                          int64_t pixelLimit = maxPicturePixels);
