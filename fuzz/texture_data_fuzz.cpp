// The in-memory texture readers over arbitrary bytes, PNG and JPEG alike,
// with and without alpha asked for; what decodes is read to its last byte.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "texture/texture_data.h"
#include "texture/texture_readers.h"

namespace {

volatile unsigned sink;

// About a megapixel keeps each run small; the caps are tested elsewhere.
constexpr int64_t fuzzPixelLimit = int64_t(1) << 20;

void touch(const unsigned char* pixels, unsigned width, unsigned height, int pixelBytes) {
  size_t bytes = size_t(width) * height * size_t(pixelBytes);
  if (!pixels || bytes == 0) __builtin_trap();
  sink = pixels[0] + pixels[bytes / 2] + pixels[bytes - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool wantAlpha = size % 2;
  unsigned width = 0, height = 0;
  int format = 0;
  try {
    std::unique_ptr<unsigned char[]> pixels =
        readPng(data, width, height, format, false, wantAlpha, size, fuzzPixelLimit);
    touch(pixels.get(), width, height, bytesPerPixel(format));
  } catch (const char* message) {
    if (!message || !*message) __builtin_trap();
  }
  try {
    std::unique_ptr<unsigned char[]> pixels =
        readJpeg(data, width, height, wantAlpha, false, size, fuzzPixelLimit);
    if (pixels) touch(pixels.get(), width, height, wantAlpha ? 4 : 3);
  } catch (const char* message) {
    if (!message || !*message) __builtin_trap();
  }
  return 0;
}
