// The overlay atlas "qvx.png" and the splash picture "splash.png" that the
// build draws beside the executable: every piece where the overlays look
// for it, with clear space around it so filtering does not mix neighbours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "support/viewer_process.h"

namespace {

using testfiles::Picture;

struct Region {
  const char* name;
  int left, top, right, bottom;  // pixels from the top left, right and bottom exclusive
  bool tinted;                   // drawn in the overlay colour: white wherever opaque
};

// The regions the frame and the strip draw from.
const Region regions[] = {
    {"arrow cursor", 0, 0, 20, 30, false},     {"zoom cursor", 23, 0, 48, 30, false},
    {"pan cursor", 48, 0, 80, 32, false},      {"corner mark", 85, 5, 105, 25, false},
    {"number label", 0, 54, 224, 79, true},    {"colon", 243, 54, 255, 79, true},
    {"past slide mark", 0, 85, 44, 126, true}, {"flash mark", 44, 85, 88, 126, true},
    {"slide mark", 88, 85, 132, 126, true},
};

class Artwork : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testfiles::readPng(besideBinary("qvx.png"), atlas))
        << "qvx.png is made by the artwork target";
    ASSERT_TRUE(testfiles::readPng(besideBinary("splash.png"), splash));
    // Both fill a 256 x 256 texture.
    for (const Picture* p : {&atlas, &splash}) ASSERT_TRUE(p->width == 256 && p->height == 256);
  }
  static int alpha(const Picture& p, int x, int y) { return p.at(x, y)[3]; }
  static int brightness(const Picture& p, int x, int y) {
    const uint8_t* c = p.at(x, y);
    return (c[0] + c[1] + c[2]) / 3;
  }
  // Pixels of the region for which test(alpha, brightness) holds.
  template <class Test>
  int countIn(const Region& r, Test test) const {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        count += test(alpha(atlas, x, y), brightness(atlas, x, y));
    return count;
  }
  // Highest alpha on the one-pixel frame just inside the region.
  int borderAlpha(const Region& r) const {
    int highest = 0;
    for (int x = r.left; x < r.right; ++x)
      highest = std::max({highest, alpha(atlas, x, r.top), alpha(atlas, x, r.bottom - 1)});
    for (int y = r.top; y < r.bottom; ++y)
      highest = std::max({highest, alpha(atlas, r.left, y), alpha(atlas, r.right - 1, y)});
    return highest;
  }
  Picture atlas, splash;
};

TEST_F(Artwork, PiecesStandInsideClearMargins) {
  for (const Region& r : regions) {
    SCOPED_TRACE(r.name);
    EXPECT_GT(countIn(r, [](int a, int) { return a >= 128; }), r.tinted ? 20 : 40);
    EXPECT_LT(borderAlpha(r), 8);
    if (r.tinted) {  // white wherever opaque
      EXPECT_EQ(countIn(r, [](int a, int b) { return a > 250 && b <= 200; }), 0);
    } else {  // white with a dark outline
      EXPECT_GT(countIn(r, [](int a, int b) { return a > 240 && b > 200; }), 15);
      EXPECT_GT(countIn(r, [](int a, int b) { return a > 120 && b < 50; }), 15);
    }
  }
  // The columns between the cursors stay clear.
  for (int y = 0; y < 32; ++y) EXPECT_EQ(alpha(atlas, 21, y) + alpha(atlas, 82, y), 0) << y;
}

TEST_F(Artwork, DigitBandHoldsTenDistinctWhiteGlyphs) {
  // Texture t 0.79..0.88 is rows 30.72..53.76; digit d spans s 0.1 d..0.1 d + 0.1.
  const int top = 31, bottom = 53;
  std::set<std::vector<int>> glyphs;
  for (int digit = 0; digit < 10; ++digit) {
    SCOPED_TRACE(digit);
    std::vector<int> mask;
    const int left = int(25.6 * digit);
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < left + 25; ++x) mask.push_back(alpha(atlas, x, y) > 128);
      // Nothing of a glyph touches the boundary to its neighbour.
      EXPECT_LT(alpha(atlas, left, y), 8) << y;
    }
    EXPECT_GT(std::count(mask.begin(), mask.end(), 1), 20);
    glyphs.insert(mask);
  }
  EXPECT_EQ(glyphs.size(), 10u) << "two digits look alike";
  // Rows above the band stay clear where the pan cursor sits over it.
  for (int x = 48; x < 80; ++x) EXPECT_LT(alpha(atlas, x, 30), 8) << x;
}

}  // namespace
