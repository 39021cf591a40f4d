#pragma once
#include <cstdint>
#include <vector>

// A real GLUT window (under Xvfb in the test run) whose context is current
// for GL tests. Made once per test program; resized on request.
namespace gltest {

// Creates the window on first use, makes its context current, sets the
// viewport to width x height and clears to black. Returns false without a
// display.
bool ensureWindow(int width = 256, int height = 256);

// RGBA bytes of the back buffer region, rows bottom-up as GL reads them.
std::vector<uint8_t> readPixels(int x, int y, int width, int height);

struct Rgba {
  int r, g, b, a;
};
Rgba pixelAt(int x, int y);  // one back-buffer pixel, y from the bottom

// A projection in which the slide plane (-0.5..0.5, -0.375..0.375) fills the
// whole viewport, for drawing pages straight onto pixels.
void usePageProjection();

// A 256 x 256 RGB texture with nearest filtering, bound, whose texel (c, r),
// r counted from the bottom, is (c, r, 128): a pixel read back tells which
// texture coordinates were drawn there.
unsigned int coordinateTexture();

// The RGBA (or RGB) texels of a level of the bound texture, and its width.
std::vector<uint8_t> boundTextureTexels(bool rgba, int* width = nullptr, int level = 0);

}  // namespace gltest

// Skips the test when there is no display to open a window on.
#define REQUIRE_GL_WINDOW(...)                                              \
  do {                                                                      \
    if (!gltest::ensureWindow(__VA_ARGS__)) GTEST_SKIP() << "no X display"; \
  } while (0)
