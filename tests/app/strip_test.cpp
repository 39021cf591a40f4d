// The slide strip's selection, visibility and opening, and its path: at
// strip position 0 the current slide's ribbon lies exactly on the page.
#include <gtest/gtest.h>

#include <utility>

#include "app/callbacks.h"
#include "app/strip.h"

namespace {

TEST(StripSelection, RoundsHalfAwayFromZeroAndADragToTheLeftSelectsLaterSlides) {
  const std::pair<float, int> rounded[] = {{0, 0},    {0.49f, 0},  {0.5f, 1},   {-0.5f, -1},
                                           {2.5f, 3}, {-2.5f, -3}, {-2.6f, -3}, {-2.4f, -2}};
  for (auto [value, whole] : rounded) EXPECT_EQ(roundHalfAwayFromZero(value), whole) << value;

  // (A drag of 2.6 slides to the left is released in process by the app
  // tests: three slides forward.)
  EXPECT_EQ(stripSelectedSlide(4, 1.5f), 2);
  EXPECT_EQ(stripSelectedSlide(0, 0.3f), 0);
}

TEST(StripOpening, EasesInWhileBrowsingAndOutWhileSettling) {
  const std::pair<float, float> browsing[] = {{0, 0}, {1, 1}, {0.5f, 0.5f}, {0.25f, 0.15625f}};
  for (auto [f, opening] : browsing) EXPECT_FLOAT_EQ(stripOpening(f, false), opening) << f;
  const std::pair<float, float> settling[] = {{0, 1}, {2, 0}, {0.25f, 1 - 0.15625f}};
  for (auto [f, opening] : settling) EXPECT_FLOAT_EQ(stripOpening(f, true), opening) << f;
}

TEST(StripThumbnails, ShowFromOneAndAHalfSlidesAfterToSixBeforeAndSlideInAsTheStripOpens) {
  // c = -2 to 7.5: 1.67 slides after and 6.25 before are out.
  for (auto [offset, visible] :
       {std::pair{0.0f, true}, {2.0f, true}, {2.01f, false}, {-7.5f, true}, {-7.51f, false}})
    EXPECT_EQ(stripThumbnailVisible(offset), visible) << offset;
  // Fully open no shift at all; closed, slides further away are pushed out
  // to their own side.
  const float shifts[][3] = {
      {1.2f, 1, 0}, {-3.6f, 1, 0}, {2.4f, 0, 1.8f}, {-2.4f, 0, -1.8f}, {-2.4f, 0.5f, -0.9f}};
  for (auto [offset, opening, shift] : shifts)
    EXPECT_FLOAT_EQ(stripNeighbourShift(offset, opening), shift) << offset << ", " << opening;
}

TEST(StripPath, AtPositionZeroTheRibbonCoversThePage) {
  buildStripPath();
  buildStripPath();  // building again starts over
  EXPECT_EQ(stripPath.controlPointCount(), 6);
  // The ribbon of the slide at position 0 is sampled from path time 3.5
  // (its left edge) back to 2.5 (its right edge).
  float x, z;
  for (float t : {3.5f, 2.5f}) {
    stripPath.positionAt(t, x, z);
    EXPECT_NEAR(x, 3 - t, 1e-3) << t;
    EXPECT_NEAR(z, 0, 1e-4) << t;
  }
  // Further along the path the strip curves away from the viewer.
  stripPath.positionAt(7, x, z);
  EXPECT_LT(z, -0.5f);
}

}  // namespace
