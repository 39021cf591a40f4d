// Pictures as users hand them over: cut-off JPEGs and photographs with an
// EXIF orientation. (PNG transparency of every kind: png_decoder_test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/state/viewer_state.h"
#include "encoders.h"
#include "images/picture_orientation.h"
#include "images/raster_image.h"
#include "images/slide_texture.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// 32 x 16, quadrants red, green (top), blue, white (bottom), with an EXIF
// orientation unless it is 0.
Bytes quadrantPhoto(int orientation) {
  encoders::JpegSpec spec = encoders::quadrantSpec(32, 16);
  if (orientation)
    spec.markers.push_back(
        {JPEG_APP0 + 1,
         encoders::Tiff{{{encoders::shortTag(0x0112, uint16_t(orientation))}}}.app1()});
  return encoders::encodeJpeg(spec);
}

// The colours of the top left, top right, bottom left and bottom right
// pixels as letters R, G, B, W.
std::string corners(const RasterImage& image) {
  const int w = image.width() - 1, h = image.height() - 1;
  std::string letters;
  for (auto [x, y] : {std::pair(0, h), {w, h}, {0, 0}, {w, 0}}) {  // rows bottom up
    const RgbQuad c = image.pixelColor(x, y);
    letters += c.red > 128 ? (c.green > 128 ? 'W' : 'R') : c.green > 128 ? 'G' : 'B';
  }
  return letters;
}

}  // namespace

// Data cut short is libjpeg's warning: the rows read are shown. A file cut
// before its first scan is a libjpeg error.
TEST(UserPictures, CutOffJpegShowsWhatWasRead) {
  for (bool progressive : {false, true}) {
    encoders::JpegSpec spec{64, 64};
    spec.sample = [](int x, int y, int c) { return (x * 4 + y * 3 * c + (x ^ y) * 7) & 255; };
    spec.progressive = progressive;
    spec.quality = 90;
    const Bytes whole = encoders::encodeJpeg(spec);
    RasterImage full, cut, header;
    ASSERT_TRUE(encoders::decodeBytes(full, whole, ImageFormatJpeg));
    ASSERT_TRUE(encoders::decodeBytes(cut, {whole.begin(), whole.end() - long(whole.size() / 4)},
                                      ImageFormatJpeg))
        << progressive << cut.lastError;
    EXPECT_EQ(cut.width(), 64);
    if (!progressive) {  // the top row (stored last) is whole
      EXPECT_TRUE(std::equal(cut.row(63), cut.row(63) + 64 * 3, full.row(63)));
    }
    EXPECT_FALSE(
        encoders::decodeBytes(header, {whole.begin(), whole.begin() + 150}, ImageFormatJpeg));
  }
}

TEST(UserPictures, ExifOrientationTurnsThePicture) {
  const char* expected[] = {"RGBW", "RGBW", "GRWB", "WBGR", "BWRG", "RBGW", "BRWG", "WGBR", "GWRB"};
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    RasterImage image;
    ASSERT_TRUE(encoders::decodeBytes(image, quadrantPhoto(orientation), ImageFormatJpeg));
    EXPECT_EQ(image.exifInfo.orientation, orientation);
    ASSERT_TRUE(applyOrientation(image, image.exifInfo.orientation));
    const bool turned = orientation >= 5;
    EXPECT_EQ(image.width(), turned ? 16 : 32);
    EXPECT_EQ(corners(image), expected[orientation]);
  }
}

// Pages and thumbnails are turned unless "AutoRotate" is 0.
TEST(UserPictures, SlideTexturesFollowAutoRotate) {
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  encoders::writeFile(dir.file("photo.jpg"), quadrantPhoto(6));
  for (bool autoRotate : {true, false})
    for (bool thumbnail : {false, true}) {
      viewer.autoRotate = autoRotate;
      SlideTexture texture(dir.file("photo.jpg").c_str(), true, thumbnail);
      EXPECT_EQ(texture.width, autoRotate ? 16 : 32) << autoRotate << thumbnail;
    }
  viewer.autoRotate = true;
}
