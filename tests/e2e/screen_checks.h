#pragma once
// Shared pieces of the end-to-end tests of the presentation on screen: an
// overlay atlas whose cursor icons have colours of their own, colour probes
// of screenshots, and the viewer started with that artwork.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/viewer_process.h"

namespace e2e {

using Rgb = PageColor;

// The test screen and the slide plane on it at the default zoom.
constexpr int screenWidth = 1024, screenHeight = 768;
constexpr int centreX = 512, centreY = 384;
// Screen pixels per plane unit at the default zoom (768 / visible height).
constexpr double pixelsPerUnit = 1026.6;

// Colours of the test atlas: every region white and opaque, except the
// three cursor icons.
constexpr Rgb arrowColor = {255, 128, 0};
constexpr Rgb zoomColor = {0, 255, 255};
constexpr Rgb panColor = {255, 0, 255};
// The overlay colour of the viewer's defaults (0.4, 1.0, 0.2).
constexpr Rgb overlayColor = {102, 255, 51};

inline int distance(const uint8_t* p, Rgb c) {
  return std::abs(p[0] - c.r) + std::abs(p[1] - c.g) + std::abs(p[2] - c.b);
}

// Pixels of a rectangle (clipped to the screen) for which test(pixel) holds.
template <class Test>
int countWhere(const testfiles::Picture& screen, int x, int y, int width, int height, Test test) {
  int count = 0;
  for (int j = std::max(0, y); j < y + height && j < screen.height; ++j)
    for (int i = std::max(0, x); i < x + width && i < screen.width; ++i)
      count += test(screen.at(i, j));
  return count;
}
inline int countNear(const testfiles::Picture& screen, int x, int y, int width, int height, Rgb c,
                     int tolerance = 30) {
  return countWhere(screen, x, y, width, height, [&](const uint8_t* p) {
    return std::max({std::abs(p[0] - c.r), std::abs(p[1] - c.g), std::abs(p[2] - c.b)}) <=
           tolerance;
  });
}

// Average colour of the rectangle; -1s when it is empty.
struct ScreenColor {
  double r, g, b;
};
inline ScreenColor averageColor(const testfiles::Picture& screen, int x, int y, int width,
                                int height) {
  double sum[3] = {0, 0, 0};
  int count = countWhere(screen, x, y, width, height, [&](const uint8_t* p) {
    for (int c = 0; c < 3; ++c) sum[c] += p[c];
    return true;
  });
  if (count == 0) return {-1, -1, -1};
  return {sum[0] / count, sum[1] / count, sum[2] / count};
}

// The average colour of the rectangle is within tolerance of c.
inline bool regionIs(const testfiles::Picture& screen, int x, int y, int width, int height, Rgb c,
                     int tolerance = 24) {
  ScreenColor a = averageColor(screen, x, y, width, height);
  return screen.width > 0 && std::fabs(a.r - c.r) <= tolerance &&
         std::fabs(a.g - c.g) <= tolerance && std::fabs(a.b - c.b) <= tolerance;
}

// Steps from (x, y) by (dx, dy): the number of steps to the first pixel for
// which test holds, -1 when none does.
template <class Test>
int stepsUntil(const testfiles::Picture& screen, int x, int y, int dx, int dy, Test test) {
  for (int k = 0; x >= 0 && y >= 0 && x < screen.width && y < screen.height; ++k, x += dx, y += dy)
    if (test(screen.at(x, y))) return k;
  return -1;
}

// The overlay atlas and splash picture the tests run the viewer with, in a
// folder the viewer takes for its own: a black splash (only its backdrop
// shows) and an atlas of white regions with coloured cursors.
inline void writeArtwork(const testfiles::TempDir& folder) {
  testfiles::Picture atlas = testfiles::makePicture(256, 256, [](int x, int y, uint8_t* p) {
    Rgb c = {255, 255, 255};
    if (y < 30 && x < 20) c = arrowColor;
    if (y < 30 && x >= 23 && x < 48) c = zoomColor;
    if (y < 31 && x >= 48 && x < 80) c = panColor;
    p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b), p[3] = 255;
  });
  testfiles::writePng(folder.file("qvx.png"), atlas, true);
  testfiles::writePng(folder.file("splash.png"), testfiles::solidPicture(256, 256, 0, 0, 0), false);
}

// A page split into four coloured quarters: where their borders land on
// screen tells where the camera is.
const Rgb topLeft = {200, 40, 40}, topRight = {40, 200, 40}, bottomLeft = {40, 40, 200},
          bottomRight = {200, 200, 40};

// The top edge of the page on screen at a zoom level, as the camera puts
// it: the page's half height over the visible height.
inline double topEdgeAtZoom(double zoom) {
  double distance = 0.1 * std::pow(2.0, zoom * 0.05);
  double visibleHeight = std::tan(0.5235987755833333) * 2 * distance;
  return centreY - 0.375 * screenHeight / visibleHeight;
}

// A viewer on a presentation, with the test artwork, its window up.
class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testDisplay().empty()) GTEST_SKIP() << "no X display";
    // A test that failed half way may have left keys or buttons down.
    runCommand("xdotool keyup shift ctrl alt mouseup 1 mouseup 2 mouseup 3 2>/dev/null");
    writeArtwork(artwork);
  }

  void start(const std::string& presentation) {
    viewer =
        std::make_unique<ViewerProcess>(std::vector<std::string>{presentation}, artwork.path());
    ASSERT_TRUE(viewer->waitForWindow()) << viewer->output() << viewer->errors();
  }

  bool waitFor(const std::function<bool(const testfiles::Picture&)>& check, double seconds = 10) {
    return viewer->waitForScreen(check, seconds);
  }
  // Polls until at least minimum pixels near c lie in the rectangle.
  bool waitForPixels(int x, int y, int width, int height, Rgb c, int minimum, double seconds = 10) {
    return waitFor([&](auto& s) { return countNear(s, x, y, width, height, c) >= minimum; },
                   seconds);
  }
  // No cursor icon around (x, y).
  bool waitForNoIcon(int x, int y, double seconds = 10) {
    return waitFor(
        [&](auto& screen) {
          int icons = 0;
          for (Rgb icon : {arrowColor, zoomColor, panColor})
            icons += countNear(screen, x - 16, y - 16, 48, 48, icon);
          return screen.width > 0 && icons == 0;
        },
        seconds);
  }

  // The cursor icon of colour c drawn at the pointer, after moving it there.
  bool waitForCursor(int x, int y, Rgb c) {
    viewer->moveMouse(x + 1, y);
    viewer->moveMouse(x, y);
    return waitForPixels(x - 16, y - 16, 48, 48, c, 150);
  }

  // The quartered page followed by a grey one, with short transitions.
  std::string writeQuarters() {
    testfiles::Picture quarters = testfiles::makePicture(1024, 768, [](int x, int y, uint8_t* p) {
      Rgb c = y < 384 ? (x < 512 ? topLeft : topRight) : (x < 512 ? bottomLeft : bottomRight);
      p[0] = uint8_t(c.r), p[1] = uint8_t(c.g), p[2] = uint8_t(c.b), p[3] = 255;
    });
    testfiles::writePng(files.file("quarters.png"), quarters, false);
    writeSolidPage(files, "grey.png", 128, 128, 128);
    return writeSlideList(files, {{"quarters.png"}, {"grey.png"}}, "TransitionDuration=0.3");
  }
  // The borders between the quarters: the column along a row above the
  // middle where red turns green, the row along a column left of the middle
  // where red turns blue; filling: the page also fills the top left corner.
  bool waitForBorders(double column, double row, double tolerance = 3, bool filling = false) {
    auto nearer = [](Rgb a, Rgb b) {
      return [=](const uint8_t* p) { return distance(p, b) < distance(p, a); };
    };
    return waitFor([&](auto& screen) {
      int x = stepsUntil(screen, 0, 200, 1, 0, nearer(topLeft, topRight));
      int y = stepsUntil(screen, 300, 0, 0, 1, nearer(topLeft, bottomLeft));
      return x >= 0 && y >= 0 && std::fabs(x - column) <= tolerance &&
             std::fabs(y - row) <= tolerance &&
             (!filling || regionIs(screen, 0, 0, 20, 20, topLeft));
    });
  }
  // The quartered page fills the screen with the view at its default.
  bool waitForDefaultView() { return waitForBorders(centreX, centreY, 1, true); }
  // The page's top edge (zoomed out: the first row not black) at the row.
  bool waitForTopEdge(double row) {
    return waitFor([&](auto& screen) {
      int y = stepsUntil(screen, 300, 0, 0, 1, [](auto p) { return p[0] + p[1] + p[2] > 60; });
      return y >= 0 && std::fabs(y - row) <= 3;
    });
  }

  testfiles::TempDir artwork, files;
  std::unique_ptr<ViewerProcess> viewer;
};

}  // namespace e2e
