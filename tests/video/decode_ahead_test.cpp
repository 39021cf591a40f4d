#include <algorithm>
#include <fstream>
#include <tuple>

#include <sys/resource.h>
#include <unistd.h>

#include "video/clip_fixture.h"
#include "video/tavo_avi.h"

namespace {

// Replaces the bound texture with an empty one of that format and size.
void bindNewTexture(GLuint& texture, GLint format, int width, int height) {
  glDeleteTextures(1, &texture);
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
}

}  // namespace

TEST_F(TavoAviClip, ColoursFollowTheMatrixAndRangeTheStreamGives) {
  const std::string flat = ",format=yuv420p,geq=lum=120:cb=100:cr=170",
                    lossless = "-c:v libx264 -qp 0 ";
  const struct {
    std::string name, arguments;
    int width, height;
    std::vector<int> rgb;  // of that flat colour by BT.601 or BT.709, limited or full range
  } cases[] = {
      // Streams that say nothing: BT.601 for SD, BT.709 for HD, limited range.
      {"sd.avi", lossless, 64, 48, {188, 98, 65}},
      {"hd.avi", lossless, 1280, 720, {196, 105, 62}},
      {"bt709.avi", lossless + "-colorspace bt709 -color_range tv ", 64, 48, {196, 105, 62}},
      {"bt709full.avi", lossless + "-colorspace bt709 -color_range pc ", 64, 48, {186, 106, 68}},
      {"bt601full.avi",
       lossless + "-colorspace smpte170m -color_range pc ",
       64,
       48,
       {179, 100, 70}},
  };
  for (const auto& c : cases)
    for (GLint format : {GL_RGB, GL_RGBA}) {  // BGRA and RGBA rows
      SCOPED_TRACE(c.name + (format == GL_RGB ? " into RGB" : " into RGBA"));
      TavoAvi clip(makeClip(c.name, codedPictures(c.width, c.height, 0.3, flat) + c.arguments), 0);
      bindNewTexture(texture, format, c.width, c.height);
      clip.showFrame(1);
      std::vector<int> got = texel(c.width / 2, c.height / 2);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], c.rgb[i], 2) << "channel " << i;
    }
}

TEST_F(TavoAviClip, FramesLargerThanGlTakesAreScaledToFitWithOneLine) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  const int side = std::min(largest, 16384);
  const int wide = side + 16;  // scaled by side / wide: 8 rows become 7
  const std::string path = makeClip("wide.avi", codedPictures(wide, 8, 0.3) + rawPictures);
  testing::internal::CaptureStderr();
  TavoAvi clip(path, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            path + ": " + std::to_string(wide) + " x 8 pixel frames make a texture larger than " +
                "GL takes; shown at " + std::to_string(side) + " x 7\n");
  ASSERT_EQ(std::tuple(clip.frameWidth, clip.frameHeight, clip.frameCount), std::tuple(side, 7, 3));
  bindNewTexture(texture, GL_RGB, side, 8);
  clip.showFrame(2);
  EXPECT_EQ(clip.uploads, 1);
  EXPECT_EQ(texel(0, 0)[0], 2 * 12);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// Read by the thread sanitiser when the tests are built with it. FFmpeg is
// not built so: its decoder threads hand pictures over through atomics the
// sanitiser cannot see, which it would take for races.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libavcodec.so\nrace:libavutil.so\n";
}

TEST_F(TavoAviClip, AClipWhosePicturesFindNoMemoryHasNoFrames) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitisers reserve address space of their own";
#endif
  const std::string path =
      makeClip("large.avi", "-f lavfi -i color=s=4096x4096:r=10:d=0.1 -c:v mjpeg ");
  TavoAvi clip(path, 0);
  ASSERT_EQ(clip.frameCount, 1);
  // Address space for half a 64 MB picture more than the program has now.
  rlimit before{};
  getrlimit(RLIMIT_AS, &before);
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  rlimit tight = before;
  tight.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(32) << 20);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
  testing::internal::CaptureStderr();
  clip.showFrame(0);
  setrlimit(RLIMIT_AS, &before);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            path + ": no memory for 4096 x 4096 pixel frames; shown without frames\n");
  clip.update(0.05f);
  EXPECT_EQ(std::tuple(clip.frameCount, clip.uploads), std::tuple(0, 0));
}

TEST_F(TavoAviClip, ASeekDropsThePicturesConvertedMeanwhile) {
  // Raw pictures decode at once, so right after a frame is shown the next
  // ones are being converted when the seek back comes.
  TavoAvi clip(makeClip("raw360.avi", codedPictures(640, 360, 2) + rawPictures), 0);
  bindNewTexture(texture, GL_RGB, 1024, 512);
  int wrong = 0;
  for (int i = 0; i < 20; ++i) {
    clip.showFrame(9);
    clip.showFrame(7);
    wrong += pictureShown() != 7;
  }
  EXPECT_EQ(wrong, 0);
}
