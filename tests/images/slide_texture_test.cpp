// Pictures as users hand them over (cut-off JPEGs, photographs with an EXIF
// orientation), then slide textures of pictures, thumbnails and clips as GL
// holds them, also when prepared on a worker and uploaded in a shared
// context, and thumbnails of JPEGs decoded at the scale that still holds them.
#include <GL/glew.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/state/viewer_state.h"
#include "encoders.h"
#include "images/image_stream.h"
#include "images/jpeg_decoder.h"
#include "images/picture_orientation.h"
#include "images/picture_preparer.h"
#include "images/prepared_picture.h"
#include "images/raster_image.h"
#include "images/slide_texture.h"
#include "images/texture_pool.h"
#include "images/texture_uploader.h"
#include "platform/clock.h"
#include "platform/shared_gl_context.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "video/opengl_video.h"

// A largest texture side below this GL's own, as a smaller card reports it:
// every query in this program goes through here. 0 leaves GL's answer.
static GLint largestTextureSide = 0;
extern "C" void glGetIntegerv(GLenum name, GLint* value) {
  using Query = void (*)(GLenum, GLint*);
  static const Query query = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "glGetIntegerv"));
  query(name, value);
  if (name == GL_MAX_TEXTURE_SIZE && largestTextureSide) *value = largestTextureSide;
}

namespace {

using namespace encoders;

// 32 x 16, quadrants red, green (top), blue, white (bottom), with an EXIF
// orientation unless it is 0.
Bytes quadrantPhoto(int orientation) {
  JpegSpec spec = quadrantSpec(32, 16);
  if (orientation)
    spec.markers.push_back(
        {JPEG_APP0 + 1, Tiff{{{shortTag(0x0112, uint16_t(orientation))}}}.app1()});
  return encodeJpeg(spec);
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

// Data cut short is libjpeg's warning: the rows read are shown. (A file cut
// before its first scan is a libjpeg error: header-only.jpg.)
TEST(UserPictures, CutOffJpegShowsWhatWasRead) {
  for (bool progressive : {false, true}) {
    JpegSpec spec{64, 64};
    spec.sample = [](int x, int y, int c) { return (x * 4 + y * 3 * c + (x ^ y) * 7) & 255; };
    spec.progressive = progressive;
    spec.quality = 90;
    const Bytes whole = encodeJpeg(spec);
    RasterImage full, cut;
    ASSERT_TRUE(decodeBytes(full, whole, ImageFormatJpeg));
    ASSERT_TRUE(
        decodeBytes(cut, {whole.begin(), whole.end() - long(whole.size() / 4)}, ImageFormatJpeg))
        << progressive << cut.lastError;
    EXPECT_EQ(cut.width(), 64);
    if (!progressive) {  // the top row (stored last) is whole
      EXPECT_TRUE(std::equal(cut.row(63), cut.row(63) + 64 * 3, full.row(63)));
    }
  }
}

TEST(UserPictures, ExifOrientationTurnsThePicture) {
  const char* expected[] = {"RGBW", "RGBW", "GRWB", "WBGR", "BWRG", "RBGW", "BRWG", "WGBR", "GWRB"};
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    RasterImage image;
    ASSERT_TRUE(decodeBytes(image, quadrantPhoto(orientation), ImageFormatJpeg));
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
  writeFile(dir.file("photo.jpg"), quadrantPhoto(6));
  for (bool autoRotate : {true, false})
    for (bool thumbnail : {false, true}) {
      viewer.autoRotate = autoRotate;
      SlideTexture texture(dir.file("photo.jpg").c_str(), true, thumbnail);
      EXPECT_EQ(texture.width, autoRotate ? 16 : 32) << autoRotate << thumbnail;
    }
  viewer.autoRotate = true;
}

// Every pixel different: red from x, green from y (top-down), blue mixed.
int patterned(int x, int y, int c) {
  const int channels[4] = {x * 7, y * 5, x * 3 + y * 11, 40 + (x + y) % 200};
  return channels[c] % 256;
}

// The texels as the per-texel rule gives them: pixelColor and alphaAt of
// the image at every texel, the image decoded (and shrunk) as the texture's
// was.
std::vector<uint8_t> texelsByRule(const std::string& path, const SlideTexture& texture) {
  RasterImage image;
  EXPECT_TRUE(image.load(path, ImageFormatUnknown)) << image.lastError;
  EXPECT_EQ(texture.hasAlpha, image.hasAlphaPlane() ? 1 : 0);
  if (image.width() != texture.width || image.height() != texture.height) {
    EXPECT_TRUE(image.resample(texture.width, texture.height, 1));
  }
  std::vector<uint8_t> texels;
  for (int y = 0; y < texture.textureHeight; ++y)
    for (int x = 0; x < texture.textureWidth; ++x) {
      RgbQuad c = image.pixelColor(x, y);
      texels.insert(texels.end(), {c.red, c.green, c.blue});
      if (texture.hasAlphaChannel()) texels.push_back(image.alphaAt(x, y));
    }
  return texels;
}

// The texture's level 0 as GL holds it, in its own format.
std::vector<uint8_t> uploadedTexels(SlideTexture& texture) {
  texture.bind();
  return gltest::boundTextureTexels(texture.hasAlphaChannel());
}

// A parameter of the bound texture, or of one of its levels.
GLint textureParameter(GLenum name, int level = -1) {
  GLint value = 0;
  if (level < 0) glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  if (level >= 0) glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
  return value;
}

// Every test has a GL window and a folder for its files.
class SlideTextures : public testing::Test {
 protected:
  void SetUp() override { REQUIRE_GL_WINDOW(); }
  std::string writePng(const std::string& name, const PngSpec& spec) {
    writeFile(dir.file(name), encodePng(spec));
    return dir.file(name);
  }
  testfiles::TempDir dir;
};

// Before the test window makes the first X call.
const bool threadedX = (enableThreadedX(), true);

// Pictures prepared on a worker and uploaded in the uploader's context are,
// texel for texel, what the GUI thread makes on the spot; a forgotten
// upload returns its name, and a name taken again is set back.
TEST(TextureUploader, UploadsWhatTheGuiThreadWouldAndReturnsForgottenNames) {
  REQUIRE_GL_WINDOW();
  ASSERT_TRUE(threadedX);
  testfiles::TempDir dir;
  const testfiles::Picture picture = testfiles::makePicture(300, 200, [](int x, int y, uint8_t* p) {
    p[0] = uint8_t(x), p[1] = uint8_t(y * 3), p[2] = uint8_t(x ^ y), p[3] = uint8_t(x + y);
  });
  ASSERT_TRUE(testfiles::writePng(dir.file("alpha.png"), picture, true));
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("photo.jpg"), picture));
  TextureUploader uploader;
  ASSERT_TRUE(uploader.available());
  keepTextureNames(1);
  WorkerPool workers(1);
  ResultQueue results;
  unsigned photoName = 0;
  {
    PicturePreparer preparer(workers, results, &uploader);
    for (const char* name : {"alpha.png", "photo.jpg"}) {
      SCOPED_TRACE(name);
      const std::string path = dir.file(name);
      SlideTexture direct(path.c_str(), true, false);
      preparer.prepare(path, false, 0);
      while (!preparer.isReady(path, false)) results.waitFor(0.05);
      std::unique_ptr<SlideTexture> ahead(preparer.take(path, false));
      EXPECT_EQ(uploadedTexels(*ahead), uploadedTexels(direct));
      EXPECT_EQ(ahead->levelCount, direct.levelCount);
      EXPECT_EQ(ahead->uExtent, direct.uExtent);
      photoName = ahead->textureId;  // kept by the pool when it goes
      clampTextureWrap();            // and set back when it is taken again
    }
    // Made and then forgotten: its name goes back to the pool.
    const std::string path = dir.file("photo.jpg");
    preparer.prepare(path, false, 0);
    while (!preparer.isReady(path, false)) results.waitFor(0.05);
    preparer.forget(path, false);
  }
  PreparedPicture uploaded =
      preparePicture(dir.file("photo.jpg"), true, false, [](bool, int, int) { return true; });
  std::thread worker([&] { EXPECT_TRUE(uploader.upload(uploaded)); });
  worker.join();
  EXPECT_TRUE(uploaded.levels.empty());
  SlideTexture fromPool(std::move(uploaded));
  EXPECT_EQ(fromPool.textureId, photoName);
  EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  uploader.stop();
  PreparedPicture refused =
      preparePicture(dir.file("photo.jpg"), true, false, [](bool, int, int) { return true; });
  EXPECT_FALSE(uploader.upload(refused));
  keepTextureNames(0);
}

TEST_F(SlideTextures, SizesExtentsAndExtensionsOfPicturesAndThumbnails) {
  // ".jpeg" is tried as PNG first, "wrong.png" is a JPEG after all; a
  // picture larger than GL takes is shrunk to the largest side it does.
  const struct {
    std::string name;
    bool thumbnail;
    int width, height, shownWidth, shownHeight, textureWidth, textureHeight;
    float uExtent, vExtent;
    int largest = 0;  // the side GL reports, 0: its own
  } cases[] = {
      {"1024x768.jpg", false, 1024, 768, 1024, 768, 1024, 1024, 1.0f, 0.75f},
      {"800x600.jpg", false, 800, 600, 800, 600, 1024, 1024, 0.78125f, 0.5859375f},
      {"1600x1200.jpg", true, 1600, 1200, 256, 192, 256, 256, 1.0f, 0.75f},
      {"322x100.jpg", true, 322, 100, 255, 79, 256, 128, 255 / 256.0f, 79 / 128.0f},
      {"100x1000.jpg", true, 100, 1000, 25, 256, 64, 256, 25 / 64.0f, 1.0f},
      {"3000x5.jpg", true, 3000, 5, 256, 1, 256, 64, 1.0f, 1 / 64.0f},  // never to nothing
      {"long.jpeg", false, 10, 10, 10, 10, 64, 64, 10 / 64.0f, 10 / 64.0f},
      {"wrong.png", false, 10, 10, 10, 10, 64, 64, 10 / 64.0f, 10 / 64.0f},
      {"1000x500.jpg", false, 1000, 500, 256, 128, 256, 128, 1.0f, 1.0f, 256},
  };
  for (const auto& c : cases) {
    std::string path = dir.file(c.name);
    SCOPED_TRACE(path + (c.thumbnail ? " as thumbnail" : ""));
    testfiles::Picture picture = testfiles::solidPicture(c.width, c.height, 9, 99, 199);
    ASSERT_TRUE(testfiles::writeJpeg(path, picture));
    largestTextureSide = c.largest;
    testing::internal::CaptureStderr();
    SlideTexture texture(path.c_str(), true, c.thumbnail);
    const std::string printed = testing::internal::GetCapturedStderr();
    largestTextureSide = 0;
    EXPECT_EQ(printed, c.largest ? path + ": 1000 x 500 pixels make a texture larger than GL " +
                                       "takes; shown at 256 x 128\n"
                                 : "");
    // Kind, alpha, shown size, texture size, as GL has it too, extents
    // (fractions of powers of two, exact).
    EXPECT_EQ(std::tuple(texture.kind, texture.hasAlpha, texture.width, texture.height,
                         texture.textureWidth, texture.textureHeight,
                         textureParameter(GL_TEXTURE_WIDTH, 0),
                         textureParameter(GL_TEXTURE_HEIGHT, 0), texture.uExtent, texture.vExtent),
              std::tuple(0, 0, c.shownWidth, c.shownHeight, c.textureWidth, c.textureHeight,
                         c.textureWidth, c.textureHeight, c.uExtent, c.vExtent));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureId);  // left bound
    const std::vector<uint8_t> texels = uploadedTexels(texture);
    for (size_t channel : {0, 1, 2}) EXPECT_NEAR(texels[channel], picture.rgba[channel], 4);
  }
}

TEST_F(SlideTextures, TexelsAreThePictureBottomUpPaddedByTheOutsideRule) {
  auto indexed = [](int width, int height, int bitDepth, size_t entries) {
    PngSpec spec{width, height, PNG_COLOR_TYPE_PALETTE, bitDepth,
                 [entries](int x, int y, int) { return int((x * 3 + y) % entries); }};
    for (size_t i = 0; i < entries; ++i)
      spec.palette.push_back({uint8_t(i * 37), uint8_t(255 - i * 13), uint8_t(i * 91)});
    return spec;
  };
  Sample mixed = [](int x, int y, int c) { return (x * 17 + y * 29 + c * 61) % 256; };
  PngSpec keyed = indexed(20, 20, 8, 40);
  keyed.paletteAlpha = {0};  // one transparent entry, the first
  const std::pair<std::string, bool> files[] = {
      // path, thumbnail
      {writePng("rgba.png", {37, 23, PNG_COLOR_TYPE_RGBA, 8, mixed}), false},
      {writePng("rgb.png", {65, 23, PNG_COLOR_TYPE_RGB, 8, mixed}), false},  // 128 wide
      {writePng("eight-bit.png", indexed(70, 3, 8, 200)), false},
      {writePng("keyed.png", keyed), false},
      // Thumbnails: the nearest-pixel shrink.
      {writePng("big.png", {322, 100, PNG_COLOR_TYPE_RGB, 8, patterned}), true},
      {writePng("big-alpha.png", {300, 517, PNG_COLOR_TYPE_RGBA, 8, patterned}), true},
  };
  for (const auto& [path, thumbnail] : files) {
    SCOPED_TRACE(path);
    SlideTexture texture(path.c_str(), true, thumbnail);
    std::vector<uint8_t> got = uploadedTexels(texture), want = texelsByRule(path, texture);
    ASSERT_EQ(got.size(), want.size());
    size_t at = size_t(std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin());
    EXPECT_EQ(at, got.size()) << "byte " << at << ": " << int(got[at]) << " not " << int(want[at]);
  }
}

TEST_F(SlideTextures, UndecodableAndUnknownFilesMakeSixtyFourSquareTextures) {
  testfiles::writeText(dir.file("broken.jpg"), "no picture in here");
  testfiles::writeText(dir.file("picture.bmp"), "BM not decoded at all");
  testfiles::writeText(dir.file("fake.avi"), "not a clip");
  std::vector<uint8_t> failurePattern, black(64 * 64 * 3, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t band = std::abs(x - y) <= 16 ? 0 : 255;  // white with a red diagonal band
      failurePattern.insert(failurePattern.end(), {255, band, band});
    }
  const struct {
    std::string name;
    const std::vector<uint8_t>& texels;
    int kind;
    std::string message;  // the image layer keeps its errors
  } cases[] = {
      {dir.file("broken.jpg"), failurePattern, SlideTexture::Picture, ""},
      {dir.file("missing.png"), failurePattern, SlideTexture::Picture, ""},
      // Not a picture by the extension: nothing is loaded.
      {dir.file("picture.bmp"), black, SlideTexture::Picture, ""},
      {dir.file("noextension"), black, SlideTexture::Picture, ""},
      {dir.file("fake.avi"), black, SlideTexture::Video, "Error: Failed To Open The AVI Stream\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    SlideTexture texture(c.name.c_str(), true, true);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
    // Kind, alpha, shown size, texture size, extents.
    EXPECT_EQ(
        std::tuple(texture.kind, texture.hasAlpha, texture.width, texture.height,
                   texture.textureWidth, texture.textureHeight, texture.uExtent, texture.vExtent),
        std::tuple(c.kind, 0, 0, 0, 64, 64, 0.0f, 0.0f));
    texture.startVideo();  // a clip without frames plays nothing
    texture.updateVideo();
    texture.stopVideo();
    EXPECT_EQ(uploadedTexels(texture), c.texels);
  }
}

// Filters, the wrap (left alone) and the levels, each as GLU builds it from
// level 0, up to the first GLU does not have; without mipmaps level 0 only.
TEST_F(SlideTextures, FiltersWrapsLevelsAlignmentAndLifetime) {
  const std::string wide = writePng("wide.png", {100, 50, PNG_COLOR_TYPE_RGB, 8, patterned});
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // whatever the caller had set is kept
  GLuint name = 0;
  for (const auto& [path, mipmaps] :
       {std::pair(wide, true), std::pair(wide, false),
        std::pair(writePng("tall.png", {30, 200, PNG_COLOR_TYPE_RGBA, 8, patterned}), true)}) {
    SCOPED_TRACE(path + (mipmaps ? " with mipmaps" : ""));
    SlideTexture texture(path.c_str(), mipmaps, false);
    name = texture.textureId;
    EXPECT_EQ(
        std::tuple(textureParameter(GL_TEXTURE_MIN_FILTER), textureParameter(GL_TEXTURE_MAG_FILTER),
                   textureParameter(GL_TEXTURE_WRAP_S)),
        std::tuple(mipmaps ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR, GL_LINEAR, GL_REPEAT));
    const bool rgba = texture.hasAlphaChannel();
    const GLenum format = rgba ? GL_RGBA : GL_RGB;
    std::vector<uint8_t> base = uploadedTexels(texture);
    GLuint reference = 0;
    glGenTextures(1, &reference);
    glBindTexture(GL_TEXTURE_2D, reference);
    ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), texture.textureWidth,
                                texture.textureHeight, format, GL_UNSIGNED_BYTE, base.data()),
              0);
    for (int level = 0, width = 1, gotWidth = 0; width > 0; ++level) {
      glBindTexture(GL_TEXTURE_2D, reference);
      std::vector<uint8_t> want = gltest::boundTextureTexels(rgba, &width, level);
      if (level && !mipmaps) want.clear(), width = 0;
      texture.bind();
      EXPECT_EQ(gltest::boundTextureTexels(rgba, &gotWidth, level), want) << "level " << level;
      EXPECT_EQ(gotWidth, width) << "level " << level;
    }
    glDeleteTextures(1, &reference);
    texture.bind();
    clampTextureWrap();
    EXPECT_EQ(std::pair(textureParameter(GL_TEXTURE_WRAP_S), textureParameter(GL_TEXTURE_WRAP_T)),
              std::pair(GL_CLAMP, GL_CLAMP));
  }
  EXPECT_FALSE(glIsTexture(name));  // the texture name goes with the texture
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

TEST_F(SlideTextures, AVideoPlaysIntoItsTextureWithoutMipmaps) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg command";
  std::string path = dir.file("clip.AVI");
  std::string command =
      "ffmpeg -v error -y -nostdin -f lavfi -i \"nullsrc=s=80x48:r=10:d=2,format=gbrp,"
      "geq=r='N*12':g='Y*5':b='X*3'\" -c:v rawvideo -pix_fmt bgr24 '" +
      path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);

  SlideTexture texture(path.c_str(), true, true);  // asks for mipmaps and a thumbnail
  ASSERT_EQ(texture.kind, SlideTexture::Video);
  ASSERT_NE(texture.video, nullptr);
  // Alpha, shown size (a video is never shrunk), texture size, extents,
  // filter, levels, playing.
  EXPECT_EQ(std::tuple(texture.hasAlpha, texture.width, texture.height, texture.textureWidth,
                       texture.textureHeight, texture.uExtent, texture.vExtent,
                       textureParameter(GL_TEXTURE_MIN_FILTER),
                       textureParameter(GL_TEXTURE_WIDTH, 1), texture.isPlaying()),
            std::tuple(0, 80, 48, 128, 64, 80 / 128.0f, 0.75f, GL_LINEAR, 0, false));
  // Stored as opaque RGBA, black before the first frame.
  texture.bind();
  const std::vector<uint8_t> rgba = gltest::boundTextureTexels(true);
  EXPECT_EQ(std::tuple(rgba[0], rgba[3], rgba.back()), std::tuple(0, 255, 255));

  // Time passes by the start stamp: 1.25 s in frame 12; past the length
  // the last frame, and no longer playing.
  texture.startVideo();
  const std::tuple<uint32_t, int, bool> steps[] = {{1250, 12, true}, {2500, 19, false}};
  for (const auto& [elapsed, frame, playing] : steps) {
    glBindTexture(GL_TEXTURE_2D, 0);
    texture.videoStartTime = timeGetTime() - elapsed;
    texture.updateVideo();  // binds its own texture
    EXPECT_EQ(std::pair(texture.video->currentFrame, texture.isPlaying()),
              std::pair(frame, playing));
    // Texel row 0 is the frame's bottom row; right of the frame, the cleared texture.
    std::vector<uint8_t> texels = uploadedTexels(texture);
    EXPECT_EQ(std::tuple(texels[0], texels[1], texels[80 * 3 + 2]),
              std::tuple(frame * 12, 47 * 5, 0));
  }
  texture.startVideo();  // playing again, until stopped
  const bool restarted = texture.isPlaying();
  texture.stopVideo();
  EXPECT_EQ(std::pair(restarted, texture.isPlaying()), std::pair(true, false));
}

static void toThumbnail(int& width, int& height) {
  const double scale = 256.0 / std::max(width, height);
  if (scale < 1) width = std::max(1, int(width * scale)), height = std::max(1, int(height * scale));
}

TEST(ReducedJpeg, DecodesAtTheSmallestEighthThatKeepsTheTargetSize) {
  testfiles::TempDir dir;
  const struct {
    int width, height, decodedWidth, decodedHeight;
  } cases[] = {
      {4000, 3000, 500, 375},  // 1/8 still holds 256 x 192
      {1600, 1200, 400, 300},  // 1/8 gives 200: 2/8
      {2048, 1536, 256, 192},  // 1/8 is the thumbnail exactly
      {300, 40, 263, 35},      // 256 x 34 wants 7/8
      {200, 100, 200, 100},    // no shrink wanted: the whole picture
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const std::string path = dir.file("p.jpg");
    ASSERT_TRUE(testfiles::writeJpeg(path, testfiles::solidPicture(c.width, c.height, 9, 99, 199)));
    FileImageStream stream(path);
    RasterImage image;
    int fullWidth = 0, fullHeight = 0;
    ASSERT_TRUE(decodeJpegReduced(stream, image, image.escape, toThumbnail, fullWidth, fullHeight));
    EXPECT_EQ(std::tuple(fullWidth, fullHeight, image.width(), image.height()),
              std::tuple(c.width, c.height, c.decodedWidth, c.decodedHeight));
  }
}

}  // namespace
