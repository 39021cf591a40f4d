#include "images/slide_texture.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "images/encoders.h"
#include "images/raster_image.h"
#include "platform/clock.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "video/opengl_video.h"

using testfiles::Picture;
using testfiles::TempDir;

namespace {

// Every pixel different: red from x, green from y (top-down), blue mixed.
Picture patterned(int width, int height) {
  return testfiles::makePicture(width, height, [](int x, int y, uint8_t* p) {
    p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 5), p[2] = uint8_t(x * 3 + y * 11);
    p[3] = uint8_t(40 + (x + y) % 200);
  });
}

// The texels as the per-texel rule gives them: pixelColor and alphaAt of
// the image at every texel, the image decoded (and shrunk) as the texture's
// was.
std::vector<uint8_t> texelsByRule(const std::string& path, const SlideTexture& texture, bool rgba) {
  RasterImage image;
  EXPECT_TRUE(image.load(path, ImageFormatUnknown)) << image.lastError;
  if (image.width() != texture.width || image.height() != texture.height) {
    EXPECT_TRUE(image.resample(texture.width, texture.height, 1));
  }
  std::vector<uint8_t> texels;
  for (int y = 0; y < texture.textureHeight; ++y)
    for (int x = 0; x < texture.textureWidth; ++x) {
      RgbQuad c = image.pixelColor(x, y);
      texels.insert(texels.end(), {c.red, c.green, c.blue});
      if (rgba) texels.push_back(image.alphaAt(x, y));
    }
  return texels;
}

// The texture's level 0 as GL holds it, in its own format.
std::vector<uint8_t> uploadedTexels(SlideTexture& texture) {
  texture.bind();
  return gltest::boundTextureTexels(texture.hasAlphaChannel());
}

void expectSameTexels(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want,
                      int texelBytes) {
  ASSERT_EQ(got.size(), want.size());
  size_t wrong = 0;
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != want[i] && ++wrong <= 3)
      ADD_FAILURE() << "texel " << i / texelBytes << " byte " << i % texelBytes << ": "
                    << int(got[i]) << " instead of " << int(want[i]);
  EXPECT_EQ(wrong, 0u);
}

GLint boundParameter(GLenum name) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

GLint boundLevelWidth(int level) {
  GLint value = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &value);
  return value;
}

bool haveFfmpeg() {
  static const bool found = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
  return found;
}

}  // namespace

TEST(SlideTexture, SizesAndExtentsOfPicturesAndThumbnails) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  struct Case {
    int width, height;
    bool thumbnail;
    int shownWidth, shownHeight, textureWidth, textureHeight;
    float uExtent, vExtent;
  } cases[] = {
      {1024, 768, false, 1024, 768, 1024, 1024, 1.0f, 0.75f},
      {800, 600, false, 800, 600, 1024, 1024, 0.78125f, 0.5859375f},
      {40, 30, false, 40, 30, 64, 64, 0.625f, 0.46875f},
      {1600, 1200, true, 256, 192, 256, 256, 1.0f, 0.75f},
      {322, 100, true, 255, 79, 256, 128, 255 / 256.0f, 79 / 128.0f},
      {200, 100, true, 200, 100, 256, 128, 200 / 256.0f, 100 / 128.0f},
      {100, 1000, true, 25, 256, 64, 256, 25 / 64.0f, 1.0f},
      {3000, 5, true, 256, 1, 256, 64, 1.0f, 1 / 64.0f},  // never shrunk to nothing
  };
  for (const Case& c : cases) {
    std::string path = dir.file("p" + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                (c.thumbnail ? "t" : "") + ".jpg");
    ASSERT_TRUE(testfiles::writeJpeg(path, testfiles::solidPicture(c.width, c.height, 9, 99, 199)));
    SlideTexture texture(path.c_str(), true, c.thumbnail);
    SCOPED_TRACE(path);
    EXPECT_EQ(texture.kind, SlideTexture::Picture);
    EXPECT_EQ(texture.width, c.shownWidth);
    EXPECT_EQ(texture.height, c.shownHeight);
    EXPECT_EQ(texture.textureWidth, c.textureWidth);
    EXPECT_EQ(texture.textureHeight, c.textureHeight);
    EXPECT_FLOAT_EQ(texture.uExtent, c.uExtent);
    EXPECT_FLOAT_EQ(texture.vExtent, c.vExtent);
    EXPECT_EQ(texture.hasAlpha, 0);
    GLint bound = 0, glWidth = 0, glHeight = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texture.textureId);  // left bound
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &glWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &glHeight);
    EXPECT_EQ(glWidth, c.textureWidth);
    EXPECT_EQ(glHeight, c.textureHeight);
  }
}

TEST(SlideTexture, TexelsAreThePictureBottomUpPaddedByTheOutsideRule) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  using encoders::PngSpec;
  auto indexed = [](int width, int height, int bitDepth, size_t entries) {
    PngSpec spec;
    spec.width = width, spec.height = height;
    spec.colorType = PNG_COLOR_TYPE_PALETTE;
    spec.bitDepth = bitDepth;
    for (size_t i = 0; i < entries; ++i)
      spec.palette.push_back({uint8_t(i * 37), uint8_t(255 - i * 13), uint8_t(i * 91)});
    spec.sample = [entries](int x, int y, int) { return int((x * 3 + y) % entries); };
    return spec;
  };
  struct File {
    std::string name;
    std::vector<uint8_t> bytes;
  };
  std::vector<File> files;
  {
    PngSpec rgba;
    rgba.width = 37, rgba.height = 23;
    rgba.colorType = PNG_COLOR_TYPE_RGBA;
    rgba.sample = [](int x, int y, int c) { return (x * 17 + y * 29 + c * 61) % 256; };
    files.push_back({"rgba.png", encoders::encodePng(rgba)});
    PngSpec rgb = rgba;
    rgb.colorType = PNG_COLOR_TYPE_RGB;
    rgb.width = 65;  // a texture of 128, padding to its right
    files.push_back({"rgb.png", encoders::encodePng(rgb)});
    files.push_back({"one-bit.png", encoders::encodePng(indexed(45, 7, 1, 2))});
    files.push_back({"four-bit.png", encoders::encodePng(indexed(13, 70, 4, 11))});
    PngSpec eight = indexed(70, 3, 8, 200);
    files.push_back({"eight-bit.png", encoders::encodePng(eight)});
    // One transparent palette entry, the first: its colour pads the texture.
    PngSpec keyed = indexed(20, 20, 8, 40);
    keyed.paletteAlpha = {0};
    files.push_back({"keyed.png", encoders::encodePng(keyed)});
    PngSpec grey;
    grey.width = 33, grey.height = 9;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.bitDepth = 2;
    grey.sample = [](int x, int y, int) { return (x + y) % 4; };
    files.push_back({"grey.png", encoders::encodePng(grey)});
    PngSpec greyAlpha = grey;
    greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.bitDepth = 16;
    greyAlpha.sample = [](int x, int y, int c) { return c ? x * 2000 : y * 7000; };
    files.push_back({"grey-alpha.png", encoders::encodePng(greyAlpha)});
    encoders::JpegSpec greyJpeg;
    greyJpeg.width = 50, greyJpeg.height = 31;
    greyJpeg.colors = encoders::JpegColors::Grey;
    greyJpeg.sample = [](int x, int y, int) { return x * 5 + y; };
    files.push_back({"grey.jpg", encoders::encodeJpeg(greyJpeg)});
    encoders::JpegSpec colourJpeg = greyJpeg;
    colourJpeg.colors = encoders::JpegColors::Rgb;
    colourJpeg.sample = [](int x, int y, int c) { return (x * 5 + y * 3 + c * 80) % 256; };
    files.push_back({"colour.jpg", encoders::encodeJpeg(colourJpeg)});
  }

  for (const File& file : files) {
    SCOPED_TRACE(file.name);
    std::string path = dir.file(file.name);
    ASSERT_TRUE(encoders::writeFile(path, file.bytes));
    SlideTexture texture(path.c_str(), true, false);
    RasterImage image;
    ASSERT_TRUE(image.load(path, ImageFormatUnknown));
    EXPECT_EQ(texture.hasAlpha, image.hasAlphaPlane() ? 1 : 0);
    bool rgba = texture.hasAlphaChannel();
    expectSameTexels(uploadedTexels(texture), texelsByRule(path, texture, rgba), rgba ? 4 : 3);
  }

  // What the rule comes to, spelled out for two of them.
  {
    SlideTexture texture(dir.file("rgba.png").c_str(), true, false);
    std::vector<uint8_t> texels = uploadedTexels(texture);
    ASSERT_EQ(texture.hasAlpha, 1);
    // Texel (0, 0) is the picture's bottom-left pixel: file row 22.
    EXPECT_EQ(texels[0], (0 * 17 + 22 * 29 + 0) % 256);
    EXPECT_EQ(texels[3], (0 * 17 + 22 * 29 + 3 * 61) % 256);
    // Padding right of and above the picture: that colour, alpha 0.
    for (size_t texel : {size_t(37), size_t(63), size_t(23 * 64), size_t(64 * 64 - 1)}) {
      EXPECT_EQ(texels[texel * 4], texels[0]);
      EXPECT_EQ(texels[texel * 4 + 1], texels[1]);
      EXPECT_EQ(texels[texel * 4 + 2], texels[2]);
      EXPECT_EQ(texels[texel * 4 + 3], 0);
    }
  }
  {
    SlideTexture texture(dir.file("keyed.png").c_str(), true, false);
    std::vector<uint8_t> texels = uploadedTexels(texture);
    ASSERT_EQ(texture.hasAlpha, 0);
    // The decoder makes entry 0 the background index: the padding takes
    // that entry's colour, not the bottom-left pixel's.
    RasterImage image;
    ASSERT_TRUE(image.load(dir.file("keyed.png"), ImageFormatPng));
    ASSERT_EQ(image.backgroundIndex, 0);
    const RgbQuad entry = image.palette[0], corner = image.pixelColor(0, 0);
    ASSERT_NE(entry.green, corner.green);
    EXPECT_EQ(texels[0], corner.red);
    EXPECT_EQ(texels[20 * 3], entry.red);
    EXPECT_EQ(texels[20 * 3 + 1], entry.green);
    EXPECT_EQ(texels[20 * 3 + 2], entry.blue);
  }
}

TEST(SlideTexture, ThumbnailTexelsAreTheNearestPixelShrink) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  std::string rgb = dir.file("big.png"), rgba = dir.file("big-alpha.png");
  ASSERT_TRUE(testfiles::writePng(rgb, patterned(322, 100), false));
  ASSERT_TRUE(testfiles::writePng(rgba, patterned(300, 517), true));
  for (const std::string& path : {rgb, rgba}) {
    SCOPED_TRACE(path);
    SlideTexture texture(path.c_str(), true, true);
    EXPECT_LE(std::max(texture.width, texture.height), 256);
    bool alpha = texture.hasAlphaChannel();
    expectSameTexels(uploadedTexels(texture), texelsByRule(path, texture, alpha), alpha ? 4 : 3);
  }
}

TEST(SlideTexture, UndecodablePicturesBecomeTheFailurePattern) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  testfiles::writeText(dir.file("broken.jpg"), "no picture in here");
  testfiles::writeText(dir.file("broken.PNG"), "\x89PNG\r\n\x1a\n and then nothing");
  for (const char* name : {"broken.jpg", "broken.PNG", "missing.png"}) {
    SCOPED_TRACE(name);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    SlideTexture texture(dir.file(name).c_str(), true, true);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the image layer keeps its error
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(texture.height, 0);
    EXPECT_EQ(texture.textureWidth, 64);
    EXPECT_EQ(texture.textureHeight, 64);
    EXPECT_EQ(texture.uExtent, 0);
    EXPECT_EQ(texture.vExtent, 0);
    EXPECT_EQ(texture.hasAlpha, 0);
    std::vector<uint8_t> texels = uploadedTexels(texture);
    ASSERT_EQ(texels.size(), 64u * 64 * 3);
    int wrong = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint8_t* t = &texels[(size_t(y) * 64 + x) * 3];
        int band = std::abs(x - y) <= 16 ? 0 : 255;
        if (t[0] != 255 || t[1] != band || t[2] != band) ++wrong;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(SlideTexture, ExtensionsInAnyCaseAndUnknownOnes) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  Picture picture = testfiles::solidPicture(10, 10, 200, 100, 50);
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("upper.JPG"), picture));
  ASSERT_TRUE(testfiles::writePng(dir.file("mixed.Png"), picture, false));
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("long.jpeg"), picture));  // tried as PNG first
  ASSERT_TRUE(testfiles::writeJpeg(dir.file("wrong.png"), picture));  // a JPEG after all
  for (const char* name : {"upper.JPG", "mixed.Png", "long.jpeg", "wrong.png"}) {
    SCOPED_TRACE(name);
    SlideTexture texture(dir.file(name).c_str(), true, false);
    EXPECT_EQ(texture.width, 10);
    EXPECT_EQ(texture.height, 10);
    std::vector<uint8_t> texels = uploadedTexels(texture);
    EXPECT_NEAR(texels[0], 200, 4);
    EXPECT_NEAR(texels[1], 100, 4);
    EXPECT_NEAR(texels[2], 50, 4);
  }

  // A BMP, a name without extension, a name too short to have one: nothing
  // is loaded, and the texture is the image layer's black background.
  testfiles::writeText(dir.file("picture.bmp"), "BM not decoded at all");
  for (std::string name : {dir.file("picture.bmp"), dir.file("noextension"), std::string("ab")}) {
    SCOPED_TRACE(name);
    SlideTexture texture(name.c_str(), true, false);
    EXPECT_EQ(texture.kind, SlideTexture::Picture);
    EXPECT_EQ(texture.width, 0);
    EXPECT_EQ(texture.textureWidth, 64);
    EXPECT_EQ(texture.textureHeight, 64);
    EXPECT_EQ(texture.uExtent, 0);
    EXPECT_EQ(texture.vExtent, 0);
    EXPECT_EQ(uploadedTexels(texture), std::vector<uint8_t>(64 * 64 * 3, 0));
  }
}

TEST(SlideTexture, AnEmptyNameShowsTheFailurePattern) {
  REQUIRE_GL_WINDOW();
  SlideTexture texture("", true, false);
  EXPECT_EQ(texture.width, 0);
  EXPECT_EQ(texture.textureWidth, 64);
  EXPECT_EQ(texture.uExtent, 0);
  std::vector<uint8_t> texels = uploadedTexels(texture);
  ASSERT_EQ(texels.size(), 64u * 64u * 3u);
  const uint8_t* onBand = &texels[(10 * 64 + 20) * 3];   // |x - y| <= 16: red
  const uint8_t* offBand = &texels[(10 * 64 + 40) * 3];  // white
  EXPECT_EQ(std::vector<uint8_t>(onBand, onBand + 3), (std::vector<uint8_t>{255, 0, 0}));
  EXPECT_EQ(std::vector<uint8_t>(offBand, offBand + 3), (std::vector<uint8_t>{255, 255, 255}));
}

TEST(SlideTexture, FiltersMipmapsWrapAndTextureCoordinates) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  std::string path = dir.file("p.png");
  ASSERT_TRUE(testfiles::writePng(path, patterned(100, 50), false));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // whatever the caller had set is kept
  {
    SlideTexture texture(path.c_str(), true, false);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(boundLevelWidth(1), 64);
    EXPECT_EQ(boundLevelWidth(7), 1);
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);  // wraps are left alone
    clampTextureWrap();
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(boundParameter(GL_TEXTURE_WRAP_T), GL_CLAMP);

    texture.texCoord(1, 1);
    GLfloat coords[4] = {0, 0, 0, 0};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, coords);
    EXPECT_FLOAT_EQ(coords[0], 100 / 128.0f);
    EXPECT_FLOAT_EQ(coords[1], 50 / 64.0f);
    texture.texCoord(0.5f, 0.25f);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, coords);
    EXPECT_FLOAT_EQ(coords[0], 50 / 128.0f);
    EXPECT_FLOAT_EQ(coords[1], 12.5f / 64.0f);

    // A picture does not play.
    texture.startVideo();
    texture.updateVideo();
    EXPECT_FALSE(texture.isPlaying());
    texture.stopVideo();
  }
  {
    SlideTexture texture(path.c_str(), false, false);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(boundParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(boundLevelWidth(1), 0);
  }
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

  // The texture name goes with the texture.
  GLuint name = 0;
  {
    SlideTexture texture(path.c_str(), true, false);
    name = texture.textureId;
    EXPECT_TRUE(glIsTexture(name));
  }
  EXPECT_FALSE(glIsTexture(name));
}

TEST(SlideTexture, MipmapLevelsAreTheOnesGluBuilds) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  ASSERT_TRUE(testfiles::writePng(dir.file("wide.png"), patterned(100, 50), false));
  ASSERT_TRUE(testfiles::writePng(dir.file("tall.png"), patterned(30, 200), true));
  for (const char* name : {"wide.png", "tall.png"}) {
    SCOPED_TRACE(name);
    SlideTexture texture(dir.file(name).c_str(), true, false);
    const bool rgba = texture.hasAlphaChannel();
    const GLenum format = rgba ? GL_RGBA : GL_RGB;
    std::vector<uint8_t> base = uploadedTexels(texture);

    GLuint reference = 0;
    glGenTextures(1, &reference);
    glBindTexture(GL_TEXTURE_2D, reference);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), texture.textureWidth,
                                texture.textureHeight, format, GL_UNSIGNED_BYTE, base.data()),
              0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    int levels = 0;
    for (int level = 0; boundLevelWidth(level) > 0; ++level) {
      int width = 0, height = 0;
      std::vector<uint8_t> want(size_t(boundLevelWidth(level)) * 4096 * 4);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, want.data());
      want.resize(size_t(width) * height * (rgba ? 4 : 3));

      texture.bind();
      std::vector<uint8_t> got(want.size() + 16);
      GLint gotWidth = 0, gotHeight = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &gotWidth);
      glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &gotHeight);
      EXPECT_EQ(gotWidth, width) << "level " << level;
      EXPECT_EQ(gotHeight, height) << "level " << level;
      glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, got.data());
      got.resize(want.size());
      EXPECT_EQ(got, want) << "level " << level;
      glBindTexture(GL_TEXTURE_2D, reference);
      ++levels;
    }
    EXPECT_EQ(levels, rgba ? 9 : 8);  // 64 x 256 and 128 x 64, down to 1 x 1
    glDeleteTextures(1, &reference);
  }
}

TEST(SlideTexture, AVideoPlaysIntoItsTextureWithoutMipmaps) {
  REQUIRE_GL_WINDOW();
  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg command";
  TempDir dir;
  std::string path = dir.file("clip.AVI");
  std::string command =
      "ffmpeg -v error -y -nostdin -f lavfi -i \"nullsrc=s=80x48:r=10:d=2,format=gbrp,"
      "geq=r='N*12':g='Y*5':b='X*3'\" -c:v rawvideo -pix_fmt bgr24 '" +
      path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);

  SlideTexture texture(path.c_str(), true, true);  // asks for mipmaps and a thumbnail
  ASSERT_EQ(texture.kind, SlideTexture::Video);
  ASSERT_NE(texture.video, nullptr);
  EXPECT_EQ(texture.width, 80);  // a video is never shrunk
  EXPECT_EQ(texture.height, 48);
  EXPECT_EQ(texture.textureWidth, 128);
  EXPECT_EQ(texture.textureHeight, 64);
  EXPECT_FLOAT_EQ(texture.uExtent, 80 / 128.0f);
  EXPECT_FLOAT_EQ(texture.vExtent, 0.75f);
  EXPECT_EQ(texture.hasAlpha, 0);
  EXPECT_EQ(boundParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(boundLevelWidth(1), 0);
  EXPECT_FALSE(texture.isPlaying());

  texture.startVideo();
  EXPECT_TRUE(texture.isPlaying());
  glBindTexture(GL_TEXTURE_2D, 0);
  texture.updateVideo();  // binds its own texture
  EXPECT_EQ(texture.video->currentFrame, 0);
  std::vector<uint8_t> texels = uploadedTexels(texture);
  EXPECT_EQ(texels[0], 0);
  EXPECT_EQ(texels[1], 47 * 5);  // texel row 0: the frame's bottom row
  EXPECT_EQ(texels[79 * 3 + 2], 79 * 3);
  EXPECT_EQ(texels[80 * 3], 0);  // right of the frame: the cleared texture
  EXPECT_EQ(texels[(48 * 128) * 3 + 1], 0);

  // Time passes by the start stamp: 1.25 s in, frame 12.
  texture.videoStartTime = timeGetTime() - 1250;
  texture.updateVideo();
  EXPECT_EQ(texture.video->currentFrame, 12);
  EXPECT_EQ(uploadedTexels(texture)[0], 12 * 12);
  EXPECT_TRUE(texture.isPlaying());

  // Past the length: the last frame, and no longer playing.
  texture.videoStartTime = timeGetTime() - 2500;
  texture.updateVideo();
  EXPECT_EQ(texture.video->currentFrame, 19);
  EXPECT_FALSE(texture.isPlaying());

  texture.startVideo();  // restarts from time 0
  texture.updateVideo();
  EXPECT_EQ(texture.video->currentFrame, 0);
  EXPECT_TRUE(texture.isPlaying());
  texture.stopVideo();
  EXPECT_FALSE(texture.isPlaying());
}

TEST(SlideTexture, AVideoThatCannotBeOpenedStillMakesATexture) {
  REQUIRE_GL_WINDOW();
  TempDir dir;
  testfiles::writeText(dir.file("fake.avi"), "not a clip");
  testing::internal::CaptureStderr();
  SlideTexture texture(dir.file("fake.avi").c_str(), true, false);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed To Open The AVI Stream\n");
  EXPECT_EQ(texture.kind, SlideTexture::Video);
  EXPECT_EQ(texture.textureWidth, 64);
  EXPECT_EQ(texture.uExtent, 0);
  texture.startVideo();
  texture.updateVideo();
  texture.updateVideo();
  texture.stopVideo();
  EXPECT_EQ(uploadedTexels(texture), std::vector<uint8_t>(64 * 64 * 3, 0));
}
