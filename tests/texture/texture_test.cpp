// GL texture objects made from texture data in a real window under Xvfb,
// their texels read back from GL.
#include <GL/glew.h>

#include <gtest/gtest.h>

#include <vector>

#include "images/encoders.h"
#include "support/gl_test_window.h"
#include "support/test_files.h"
#include "texture/texture.h"
#include "texture/texture_data.h"

using Bytes = std::vector<uint8_t>;

namespace {

// Level i of the bound texture as bytes of format; empty when GL has no
// such level.
Bytes levelTexels(int level, GLenum format, int bytesPerTexel) {
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
  Bytes texels(size_t(width) * height * bytesPerTexel);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

void fillCounting(TextureData& data) {
  size_t bytes = size_t(data.width) * data.height * bytesPerPixel(data.format);
  for (size_t i = 0; i < bytes; ++i) data.pixels[i] = uint8_t(10 + 7 * i);
}

}  // namespace

TEST(TextureObjects, CreateUploadsPackedRowsWithAndWithoutMipmaps) {
  REQUIRE_GL_WINDOW();
  struct Case {
    unsigned width, height;
    int format;
    bool mipmaps;
  };
  // Rows of 9, 2 and 2 bytes: GL must not look for padding after them.
  const Case cases[] = {{3, 2, GL_RGB, false},
                        {1, 2, GL_LUMINANCE_ALPHA, false},
                        {2, 2, GL_LUMINANCE, true},
                        {4, 4, GL_RGBA, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " format " << c.format);
    TextureData data;
    ASSERT_TRUE(data.create(c.width, c.height, c.format));
    fillCounting(data);
    Texture texture;
    ASSERT_TRUE(texture.create(&data, c.mipmaps));
    EXPECT_TRUE(texture.exists());
    EXPECT_EQ(texture.kind, c.mipmaps ? Texture::BuiltMipmaps : Texture::OneLevel);
    EXPECT_EQ(texture.data, &data);
    EXPECT_FALSE(texture.ownsData);
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    int channels = bytesPerPixel(c.format);
    EXPECT_EQ(levelTexels(0, GLenum(c.format), channels),
              Bytes(data.pixels, data.pixels + c.width * c.height * channels));
    EXPECT_EQ(levelTexels(1, GLenum(c.format), channels).empty(), !c.mipmaps);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(TextureObjects, SixteenBitGreyWithAlphaUploadsItsHighBytes) {
  REQUIRE_GL_WINDOW();
  // Two pixels: light grey, opaque; dark grey, half transparent.
  testfiles::TempDir dir;
  std::string path = dir.file("grey16.png");
  const int samples[2][2] = {{0xC0C0, 0xFFFF}, {0x4040, 0x8080}};
  encoders::writeFile(path, encoders::encodePng(encoders::PngSpec{
                                2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16,
                                [&](int x, int, int c) { return samples[x][c]; }}));
  TextureData data;
  ASSERT_TRUE(data.load(path, false));
  ASSERT_EQ(data.format, sixteenBitSamples);
  Texture texture;
  ASSERT_TRUE(texture.create(&data, false));

  // GL keeps the high bytes of the native 16-bit samples.
  glBindTexture(GL_TEXTURE_2D, texture.textureName);
  EXPECT_EQ(levelTexels(0, GL_LUMINANCE_ALPHA, 2), (Bytes{0xC0, 0xFF, 0x40, 0x80}));
}

TEST(TextureObjects, CreateLevelsUploadsEveryStoredLevel) {
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  std::string path = dir.file("chain.png");
  encoders::writeFile(path, encoders::encodePng(encoders::PngSpec{
                                8, 15, PNG_COLOR_TYPE_RGB, 8,
                                [](int x, int y, int c) { return 16 * y + 2 * x + c; }}));
  MipmapData levels;
  ASSERT_TRUE(levels.load(path, false));
  ASSERT_EQ(levels.levelCount, 4);
  Texture texture;
  texture.createLevels(&levels);
  ASSERT_TRUE(texture.exists());
  EXPECT_EQ(texture.kind, Texture::StoredLevels);
  glBindTexture(GL_TEXTURE_2D, texture.textureName);
  for (int i = 0; i < levels.levelCount; ++i) {
    size_t bytes = size_t(8 >> i) * (8 >> i) * 3;
    const uint8_t* level = levels.pixels + levels.levelOffset(i);
    EXPECT_EQ(levelTexels(i, GL_RGB, 3), Bytes(level, level + bytes)) << i;
  }
}

TEST(TextureObjects, RefusedDataCreatesNothing) {
  REQUIRE_GL_WINDOW();
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  TextureData empty, tooWide;
  // Sized beyond what GL takes; the one row that exists is never read.
  tooWide.pixels = new unsigned char[4];
  tooWide.hasPixels = true;
  tooWide.width = unsigned(maxSide) + 1;
  tooWide.height = 1;
  tooWide.format = GL_LUMINANCE;
  for (TextureData* data : {&empty, &tooWide})
    for (bool mipmaps : {false, true}) {
      Texture texture;
      EXPECT_FALSE(texture.create(data, mipmaps));
      EXPECT_FALSE(texture.exists());
      EXPECT_EQ(texture.textureName, 0u);
    }
  // A second create lets go of the texture the first one made.
  TextureData one;
  ASSERT_TRUE(one.create(1, 1, GL_RGB));
  Texture texture;
  ASSERT_TRUE(texture.create(&one, false));
  GLuint first = texture.textureName;
  EXPECT_FALSE(texture.create(&empty, false));
  EXPECT_FALSE(glIsTexture(first));
  MipmapData noLevels;
  Texture levels;
  levels.createLevels(&noLevels);
  EXPECT_FALSE(levels.exists());
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
