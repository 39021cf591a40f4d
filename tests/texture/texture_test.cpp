// GL texture objects made from texture data in a real window under Xvfb,
// their texels read back from GL.
#include <GL/glew.h>

#include <gtest/gtest.h>

#include <algorithm>
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
Bytes levelTexels(int level, GLenum format) {
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
  Bytes texels(size_t(width) * height * bytesPerPixel(int(format)));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

}  // namespace

TEST(TextureObjects, CreateUploadsPackedRowsWithAndWithoutMipmapsOrRefusesTheData) {
  REQUIRE_GL_WINDOW();
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  const struct {
    unsigned width, height;
    int format;
    bool mipmaps;
    unsigned claimedWidth = 0;  // the width told when it is not the real one
  } cases[] = {// Rows of 9, 2 and 2 bytes: GL must not look for padding after them.
               {3, 2, GL_RGB, false},
               {1, 2, GL_LUMINANCE_ALPHA, false},
               {2, 2, GL_LUMINANCE, true},
               {4, 4, GL_RGBA, true},
               // Grey with alpha in native 16-bit samples: GL keeps their high bytes.
               {2, 1, sixteenBitSamples, false},
               // Beyond what GL takes; the one row that exists is never read.
               {1, 1, GL_RGBA, true, unsigned(maxSide) + 1}};
  // One texture for all: each create lets go of what the one before made.
  Texture texture;
  GLuint before = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " format " << c.format);
    TextureData data;
    ASSERT_TRUE(data.create(c.width, c.height, c.format));
    // Bytes in equal pairs, so 16-bit samples read alike in either byte order.
    Bytes pixels(size_t(c.width) * c.height * bytesPerPixel(c.format)), expected;
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(10 + 7 * (i / 2));
    std::copy(pixels.begin(), pixels.end(), data.pixels);
    const bool wide = c.format == sixteenBitSamples, refused = c.claimedWidth != 0;
    for (size_t i = 0; i < pixels.size(); i += wide ? 2 : 1) expected.push_back(pixels[i]);
    if (refused) data.width = c.claimedWidth;
    EXPECT_EQ(texture.create(&data, c.mipmaps), !refused);
    EXPECT_FALSE(before && glIsTexture(before));
    before = texture.textureName;
    EXPECT_EQ(texture.data, &data);
    EXPECT_FALSE(texture.ownsData);
    if (refused) {
      EXPECT_EQ(std::pair(texture.exists(), texture.textureName), std::pair(false, 0u));
      continue;
    }
    EXPECT_EQ(texture.kind, c.mipmaps ? Texture::BuiltMipmaps : Texture::OneLevel);
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    const GLenum format = wide ? GL_LUMINANCE_ALPHA : GLenum(c.format);
    EXPECT_EQ(levelTexels(0, format), expected);
    EXPECT_EQ(levelTexels(1, format).empty(), !c.mipmaps);
  }
  TextureData empty;
  EXPECT_FALSE(texture.create(&empty, true));
  MipmapData noLevels;
  texture.createLevels(&noLevels);
  EXPECT_FALSE(texture.exists());
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(TextureObjects, ChainPicturesAreCutIntoLevelsAndEveryLevelIsUploaded) {
  REQUIRE_GL_WINDOW();
  // Pixel (x, y) of the chain picture holds red x, green y, so each level
  // shows where it was taken from.
  auto position = [](int x, int y, int c) { return c == 0 ? x : c == 1 ? y : 0; };
  const struct {
    int width, height;
    unsigned baseWidth, baseHeight;
    std::vector<unsigned> starts;  // the rows (stacked) or columns of each level
  } cases[] = {{64, 127, 64, 64, {0, 64, 96, 112, 120, 124, 126}},
               {127, 64, 64, 64, {0, 64, 96, 112, 120, 124, 126}},
               {4, 5, 4, 3, {0, 3, 4}}};  // level 0 no power of two: 4 x 3, 2 x 1, 1 x 1
  testfiles::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    const std::string path = dir.file("chain.png");
    encoders::writeFile(path, encoders::encodePng(encoders::PngSpec{
                                  c.width, c.height, PNG_COLOR_TYPE_RGB, 8, position}));
    MipmapData levels;
    ASSERT_TRUE(levels.load(path, false));
    EXPECT_EQ(std::pair(levels.width, levels.height), std::pair(c.baseWidth, c.baseHeight));
    ASSERT_EQ(size_t(levels.levelCount), c.starts.size());
    Texture texture;
    texture.createLevels(&levels);
    ASSERT_TRUE(texture.exists());
    EXPECT_EQ(texture.kind, Texture::StoredLevels);
    glBindTexture(GL_TEXTURE_2D, texture.textureName);
    const bool stacked = c.width < c.height;
    for (int i = 0; i < levels.levelCount; ++i) {
      Bytes want;
      for (unsigned y = 0; y < std::max(c.baseHeight >> i, 1u); ++y)
        for (unsigned x = 0; x < std::max(c.baseWidth >> i, 1u); ++x)
          want.insert(want.end(), {uint8_t(x + (stacked ? 0 : c.starts[i])),
                                   uint8_t(y + (stacked ? c.starts[i] : 0)), 0});
      const uint8_t* level = levels.pixels + levels.levelOffset(i);
      EXPECT_EQ(Bytes(level, level + want.size()), want) << i;
      EXPECT_EQ(levelTexels(i, GL_RGB), want) << i;
    }
  }
}
