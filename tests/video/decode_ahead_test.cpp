#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

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

// RGB of one flat Y'CbCr colour by the matrix (its red and blue weights)
// and range, computed from the definitions.
std::vector<int> rgbOf(int y, int cb, int cr, double kr, double kb, bool fullRange) {
  double luma = fullRange ? y : (y - 16) * 255.0 / 219;
  double blueDiff = (fullRange ? cb - 128 : (cb - 128) * 255.0 / 224);
  double redDiff = (fullRange ? cr - 128 : (cr - 128) * 255.0 / 224);
  double r = luma + 2 * (1 - kr) * redDiff, b = luma + 2 * (1 - kb) * blueDiff;
  double g = (luma - kr * r - kb * b) / (1 - kr - kb);
  return {int(std::lround(r)), int(std::lround(g)), int(std::lround(b))};
}

}  // namespace

TEST_F(TavoAviClip, ColoursFollowTheMatrixAndRangeTheStreamGives) {
  const int y = 120, cb = 100, cr = 170;
  const std::string flat = ",format=yuv420p,geq=lum=" + std::to_string(y) +
                           ":cb=" + std::to_string(cb) + ":cr=" + std::to_string(cr);
  const std::string lossless = "-c:v libx264 -qp 0 ";
  const double bt601[] = {0.299, 0.114}, bt709[] = {0.2126, 0.0722};
  const struct {
    std::string name, arguments;
    int width, height;
    const double* matrix;
    bool fullRange;
  } cases[] = {
      // Streams that say nothing: BT.601 for SD, BT.709 for HD, limited range.
      {"sd.avi", lossless, 64, 48, bt601, false},
      {"hd.avi", lossless, 1280, 720, bt709, false},
      {"bt709.avi", lossless + "-colorspace bt709 -color_range tv ", 64, 48, bt709, false},
      {"bt709full.avi", lossless + "-colorspace bt709 -color_range pc ", 64, 48, bt709, true},
      {"bt601full.avi", lossless + "-colorspace smpte170m -color_range pc ", 64, 48, bt601, true},
  };
  for (const auto& c : cases)
    for (GLint format : {GL_RGB, GL_RGBA}) {  // BGRA and RGBA rows
      SCOPED_TRACE(c.name + (format == GL_RGB ? " into RGB" : " into RGBA"));
      TavoAvi clip(makeClip(c.name, codedPictures(c.width, c.height, 0.3, flat) + c.arguments), 0);
      bindNewTexture(texture, format, c.width, c.height);
      clip.showFrame(1);
      std::vector<int> got = texel(c.width / 2, c.height / 2),
                       want = rgbOf(y, cb, cr, c.matrix[0], c.matrix[1], c.fullRange);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 2) << "channel " << i;
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

TEST_F(TavoAviClip, AStreamWithoutLengthIsFramelessAndSilent) {
  const std::string path =
      makeClip("nolength.avi", codedPictures(64, 48, 1) + pcmSound + "-frames:v 0 " + rawPictures);
  testing::internal::CaptureStderr();
  TavoAvi clip(path, 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            path + ": the video stream has no length; shown without frames or sound\n");
  EXPECT_EQ(std::tuple(clip.frameCount, clip.lengthSeconds, clip.soundStream),
            std::tuple(0, 0.0f, nullptr));
  for (float seconds : {0.0f, 0.5f, 3.0f}) clip.update(seconds);
  clip.showFrame(0);
  EXPECT_EQ(clip.uploads, 0);
  EXPECT_EQ(texel(0, 0), (std::vector<int>{1, 2, 3}));
}

// Run in the thread-sanitised build too: the decoding thread is stopped,
// sent elsewhere and closed while it decodes ahead.
TEST_F(TavoAviClip, StoppingSeekingAndClosingWhileDecodingAheadKeepTheFrames) {
  const std::string path =
      makeClip("keyed.avi", codedPictures(64, 48, 2) + pcmSound + keyedPictures);
  for (int frame : {0, 3, 19}) {  // closed at once, the thread still busy
    TavoAvi clip(path, 1);
    clip.showFrame(frame);
    EXPECT_EQ(pictureShown(), frame);
  }
  TavoAvi clip(path, 1);
  // Forward, stopped on the way, back and ahead past key frames: each
  // frame shows its own picture.
  for (int frame : {0, 1, 2, -1, 3, 4, 17, 2, -1, 9, 10, 0, 19, -1, 18, 5}) {
    if (frame < 0) {
      clip.stopSound();
      continue;
    }
    clip.showFrame(frame);
    EXPECT_EQ(pictureShown(), frame);
  }
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
  // Address space for half a 64 MB picture more than the program has now, not
  // for the four the clip asks for.
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
