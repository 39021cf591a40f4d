#include "video/tavo_avi.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/gl_test_window.h"
#include "support/test_files.h"

namespace {

bool haveFfmpeg() {
  static const bool found = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
  return found;
}

#define REQUIRE_FFMPEG() \
  if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg command"

// Writes a clip with the ffmpeg command; inputs and codecs are the arguments.
void makeClip(const std::string& path, const std::string& arguments) {
  std::string command = "ffmpeg -v error -y -nostdin " + arguments + " '" + path + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Pictures whose colour tells the frame and the position: red = 12 x frame
// number, green = 5 x row from the top, blue = 3 x column.
std::string codedPictures(int width, int height, double seconds) {
  return "-f lavfi -i \"nullsrc=s=" + std::to_string(width) + "x" + std::to_string(height) +
         ":r=10:d=" + std::to_string(seconds) + ",format=gbrp,geq=r='N*12':g='Y*5':b='X*3'\" ";
}

const char* pcmSound = "-f lavfi -i \"sine=frequency=440:sample_rate=22050:d=2\" -c:a pcm_s16le ";
const char* rawPictures = "-c:v rawvideo -pix_fmt bgr24 ";

// A 64 x 64 RGB texture, bound, every texel (1, 2, 3).
GLuint boundMarkedTexture(int size = 64) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  std::vector<uint8_t> texels(size_t(size) * size * 3);
  for (size_t i = 0; i < texels.size(); i += 3) texels[i] = 1, texels[i + 1] = 2, texels[i + 2] = 3;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  return texture;
}

struct Texel {
  int r, g, b;
  bool operator==(const Texel& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& out, const Texel& t) {
  return out << "(" << t.r << ", " << t.g << ", " << t.b << ")";
}

Texel texelAt(int x, int y) {
  int width = 0;
  std::vector<uint8_t> texels = gltest::boundTextureTexels(false, &width);
  const uint8_t* p = &texels[(size_t(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

// The picture number shown at texel (0, 0), the lower-left corner.
int pictureShown() {
  return texelAt(0, 0).r / 12;
}

// Per chunk of the first video stream ("00dc"), in file order, whether the
// chunk holds a picture; read from the file's idx1 index.
std::vector<bool> videoChunksHoldingPictures(const std::string& path) {
  std::vector<uint8_t> bytes = testfiles::readBytes(path);
  auto u32 = [&](size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
  };
  std::vector<bool> chunks;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    uint32_t size = u32(at + 4);
    if (std::memcmp(&bytes[at], "idx1", 4) == 0) {
      for (size_t entry = at + 8; entry + 16 <= at + 8 + size && entry + 16 <= bytes.size();
           entry += 16)
        if (std::memcmp(&bytes[entry], "00dc", 4) == 0) chunks.push_back(u32(entry + 12) != 0);
      break;
    }
    at += 8 + size + (size & 1);  // lists are skipped whole: idx1 sits beside them
  }
  return chunks;
}

}  // namespace

TEST(TavoAvi, ReadsFrameCountLengthAndSizeFromTheVideoStream) {
  REQUIRE_FFMPEG();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"), codedPictures(64, 48, 2) + pcmSound + rawPictures);
  TavoAvi clip(dir.file("clip.avi"), 0);
  EXPECT_EQ(clip.frameCount, 20);
  EXPECT_FLOAT_EQ(clip.lengthSeconds, 2.0f);
  EXPECT_EQ(clip.frameWidth, 64);
  EXPECT_EQ(clip.frameHeight, 48);
  EXPECT_EQ(clip.currentFrame, -1);
  EXPECT_EQ(clip.uploads, 0);  // nothing is decoded before it is asked for
}

TEST(TavoAvi, HoldModePicksTheFrameByTimeAndHoldsBothEnds) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"), codedPictures(64, 48, 2) + pcmSound + rawPictures);
  TavoAvi clip(dir.file("clip.avi"), 0);
  GLuint texture = boundMarkedTexture();

  struct Case {
    float seconds;
    int frame;
  } cases[] = {{0, 0},     {0.35f, 3}, {0.7f, 7},  {1.0f, 10}, {1.99f, 19},
               {2.0f, 19}, {500, 19},  {-0.3f, 0}, {-1e9f, 0}, {1e30f, 19}};
  for (const Case& c : cases) {
    clip.update(c.seconds);
    EXPECT_EQ(clip.currentFrame, c.frame) << c.seconds << " s";
    EXPECT_EQ(pictureShown(), c.frame) << c.seconds << " s";
  }
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, LoopModeWrapsAroundTheLength) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"), codedPictures(64, 48, 2) + pcmSound + rawPictures);
  TavoAvi clip(dir.file("clip.avi"), 1);
  GLuint texture = boundMarkedTexture();

  clip.update(0.5f);
  EXPECT_EQ(pictureShown(), 5);
  clip.update(2.3f);  // the second time round
  EXPECT_EQ(clip.currentFrame, 3);
  EXPECT_EQ(pictureShown(), 3);
  clip.update(41.95f);
  EXPECT_EQ(clip.currentFrame, 19);
  EXPECT_EQ(pictureShown(), 19);
  // Before the start the remainder is negative: no such frame, nothing shown.
  int uploads = clip.uploads;
  clip.update(-0.5f);
  EXPECT_EQ(clip.currentFrame, -5);
  EXPECT_EQ(clip.uploads, uploads);
  EXPECT_EQ(pictureShown(), 19);
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, OtherModesUseTheIndexAsComputedAndShowNothingPastTheEnd) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"), codedPictures(64, 48, 2) + pcmSound + rawPictures);
  TavoAvi clip(dir.file("clip.avi"), 2);
  GLuint texture = boundMarkedTexture();
  clip.update(1.2f);
  EXPECT_EQ(pictureShown(), 12);
  clip.update(3.0f);
  EXPECT_EQ(clip.currentFrame, 30);
  EXPECT_EQ(clip.uploads, 1);
  EXPECT_EQ(pictureShown(), 12);
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, AFrameIsDecodedAndUploadedOnceHoweverOftenItIsAskedFor) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"), codedPictures(64, 48, 2) + pcmSound + rawPictures);
  TavoAvi clip(dir.file("clip.avi"), 0);
  GLuint texture = boundMarkedTexture();
  for (int i = 0; i < 5; ++i) clip.update(0.42f);
  EXPECT_EQ(clip.uploads, 1);
  EXPECT_EQ(clip.picturesDecoded, 1);  // every picture is a key frame: straight to frame 4
  for (int i = 0; i < 5; ++i) clip.update(0.45f);  // the same frame
  EXPECT_EQ(clip.uploads, 1);
  EXPECT_EQ(clip.picturesDecoded, 1);
  for (int i = 0; i < 5; ++i) clip.update(100);  // held at the last frame
  EXPECT_EQ(clip.uploads, 2);
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, PlaysForwardWithoutSeekingAndGoesBackThroughTheKeyFrameBefore) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  // Lossless pictures that depend on the ones before, a key frame every 5.
  makeClip(dir.file("keyed.avi"),
           codedPictures(64, 48, 2) + pcmSound + "-c:v ffv1 -g 5 -pix_fmt bgr0 ");
  TavoAvi clip(dir.file("keyed.avi"), 0);
  ASSERT_EQ(clip.frameCount, 20);
  GLuint texture = boundMarkedTexture();

  for (int frame = 0; frame < 20; ++frame) {
    clip.showFrame(frame);
    ASSERT_EQ(texelAt(10, 0), (Texel{frame * 12, 47 * 5, 30})) << "frame " << frame;
  }
  EXPECT_EQ(clip.seeks, 0);
  EXPECT_EQ(clip.picturesDecoded, 20);

  clip.showFrame(7);  // back: key frame 5, then 6 and 7
  EXPECT_EQ(texelAt(10, 0), (Texel{7 * 12, 47 * 5, 30}));
  EXPECT_EQ(clip.seeks, 1);
  EXPECT_EQ(clip.picturesDecoded, 23);

  clip.showFrame(8);
  EXPECT_EQ(clip.seeks, 1);
  EXPECT_EQ(clip.picturesDecoded, 24);

  clip.showFrame(17);  // far ahead: straight to key frame 15
  EXPECT_EQ(texelAt(10, 0), (Texel{17 * 12, 47 * 5, 30}));
  EXPECT_EQ(clip.seeks, 2);
  EXPECT_EQ(clip.picturesDecoded, 27);

  clip.showFrame(0);
  EXPECT_EQ(pictureShown(), 0);
  clip.showFrame(19);
  EXPECT_EQ(pictureShown(), 19);
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, TheFrameLandsInTheLowerLeftCornerBottomRowFirst) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  // 41 pixels of 3 bytes: rows that need padding to 4 bytes.
  makeClip(dir.file("odd.avi"), codedPictures(41, 31, 1) + pcmSound + rawPictures);
  TavoAvi clip(dir.file("odd.avi"), 0);
  ASSERT_EQ(clip.frameWidth, 41);
  ASSERT_EQ(clip.frameHeight, 31);
  GLuint texture = boundMarkedTexture();
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // whatever the caller left set
  clip.showFrame(6);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

  int width = 0, height = 0;
  std::vector<uint8_t> texels = gltest::boundTextureTexels(false, &width, &height);
  ASSERT_EQ(width, 64);
  int wrong = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint8_t* p = &texels[(size_t(y) * 64 + x) * 3];
      Texel got{p[0], p[1], p[2]};
      Texel want = x < 41 && y < 31 ? Texel{6 * 12, (30 - y) * 5, x * 3} : Texel{1, 2, 3};
      if (!(got == want) && ++wrong < 5) ADD_FAILURE() << x << ", " << y << ": " << got;
    }
  EXPECT_EQ(wrong, 0);
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, EmptyChunksRepeatThePictureBeforeThem) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  // MP3 sound makes the muxer leave an empty video chunk; dropping two
  // pictures of every three makes it fill the gaps with empty chunks too.
  const std::string mp3Sound =
      "-f lavfi -i \"sine=frequency=440:sample_rate=44100:d=2\" "
      "-c:a libmp3lame ";
  makeClip(dir.file("mp3.avi"), codedPictures(64, 48, 2) + mp3Sound + rawPictures);
  makeClip(dir.file("gaps.avi"),
           "-f lavfi -i \"nullsrc=s=64x48:r=10:d=2,format=gbrp,"
           "geq=r='N*12':g='Y*5':b='X*3',select='not(mod(n\\,3))'\" " +
               mp3Sound + "-fps_mode passthrough " + rawPictures);

  for (const char* name : {"mp3.avi", "gaps.avi"}) {
    SCOPED_TRACE(name);
    std::vector<bool> chunks = videoChunksHoldingPictures(dir.file(name));
    ASSERT_FALSE(chunks.empty());
    ASSERT_NE(std::count(chunks.begin(), chunks.end(), false), 0) << "no empty chunk to test";
    TavoAvi clip(dir.file(name), 0);
    ASSERT_EQ(clip.frameCount, int(chunks.size()));
    EXPECT_FLOAT_EQ(clip.lengthSeconds, chunks.size() * 0.1f);
    GLuint texture = boundMarkedTexture();

    // Frame n shows the last picture stored at or before chunk n, forward
    // and then backward.
    std::vector<int> expected;
    int picture = -1;
    for (bool holdsPicture : chunks) expected.push_back(picture += holdsPicture);
    int originalStep = std::string(name) == "gaps.avi" ? 3 : 1;
    for (int pass = 0; pass < 2; ++pass)
      for (int i = 0; i < clip.frameCount; ++i) {
        int frame = pass == 0 ? i : clip.frameCount - 1 - i;
        clip.update((frame + 0.5f) * 0.1f);
        ASSERT_EQ(clip.currentFrame, frame);
        EXPECT_EQ(pictureShown(), std::max(expected[frame], 0) * originalStep) << "frame " << frame;
      }
    glDeleteTextures(1, &texture);
  }
}

TEST(TavoAvi, AFileThatIsNoAviIsReportedAndHasNoFrames) {
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  testfiles::writeText(dir.file("text.avi"), "RIFF but not really an AVI file at all");
  testfiles::writePng(dir.file("picture.avi"), testfiles::solidPicture(8, 8, 1, 2, 3), false);
  GLuint texture = boundMarkedTexture();
  for (const char* name : {"text.avi", "picture.avi", "missing.avi"}) {
    for (int mode : {0, 1, 2}) {
      testing::internal::CaptureStderr();
      TavoAvi clip(dir.file(name), mode);
      EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Failed To Open The AVI Stream\n");
      EXPECT_EQ(clip.frameCount, 0);
      EXPECT_EQ(clip.frameWidth, 0);
      EXPECT_EQ(clip.frameHeight, 0);
      clip.update(0.5f);
      clip.showFrame(0);
      clip.startSound();
      clip.stopSound();
      EXPECT_EQ(clip.uploads, 0);
    }
  }
  EXPECT_EQ(texelAt(0, 0), (Texel{1, 2, 3}));
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, AStreamWithoutDecoderIsReportedAndHasNoFrames) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"), codedPictures(64, 48, 2) + pcmSound + "-c:v mjpeg ");
  // Rename the codec to one nobody knows.
  std::vector<uint8_t> bytes = testfiles::readBytes(dir.file("clip.avi"));
  int renamed = 0;
  for (size_t i = 0; i + 4 <= bytes.size() && i < 4096; ++i)
    if (std::memcmp(&bytes[i], "MJPG", 4) == 0) std::memcpy(&bytes[i], "QZQZ", 4), ++renamed;
  ASSERT_GT(renamed, 0);
  testfiles::writeText(dir.file("unknown.avi"), std::string(bytes.begin(), bytes.end()));

  GLuint texture = boundMarkedTexture();
  testing::internal::CaptureStderr();
  TavoAvi clip(dir.file("unknown.avi"), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: Failed To Open The AVI Frame (No decompressor found)\n");
  EXPECT_EQ(clip.frameCount, 0);
  EXPECT_EQ(clip.frameWidth, 64);  // the stream still tells its frame size
  EXPECT_EQ(clip.frameHeight, 48);
  clip.update(0.5f);
  clip.showFrame(3);
  EXPECT_EQ(clip.uploads, 0);
  EXPECT_EQ(texelAt(0, 0), (Texel{1, 2, 3}));
  glDeleteTextures(1, &texture);
}

TEST(TavoAvi, DamagedFilesShowWhatCanBeDecoded) {
  REQUIRE_FFMPEG();
  REQUIRE_GL_WINDOW();
  testfiles::TempDir dir;
  makeClip(dir.file("clip.avi"),
           codedPictures(64, 48, 2) + pcmSound + "-c:v ffv1 -g 5 -pix_fmt bgr0 ");
  std::vector<uint8_t> bytes = testfiles::readBytes(dir.file("clip.avi"));
  // Cut off after the first third; and with bytes of the pictures changed.
  std::vector<uint8_t> damaged = bytes;
  for (size_t i = bytes.size() / 4; i < bytes.size(); i += 97) damaged[i] ^= 0x5a;
  testfiles::writeText(dir.file("cut.avi"),
                       std::string(bytes.begin(), bytes.begin() + bytes.size() / 3));
  testfiles::writeText(dir.file("damaged.avi"), std::string(damaged.begin(), damaged.end()));

  GLuint texture = boundMarkedTexture();
  for (const char* name : {"cut.avi", "damaged.avi"}) {
    SCOPED_TRACE(name);
    testing::internal::CaptureStderr();
    TavoAvi clip(dir.file(name), 0);
    testing::internal::GetCapturedStderr();
    for (int pass = 0; pass < 2; ++pass)
      for (int i = 0; i < clip.frameCount; ++i)
        clip.showFrame(pass == 0 ? i : clip.frameCount - 1 - i);
    clip.showFrame(0);
  }
  // The frames before the cut are all there.
  TavoAvi cut(dir.file("cut.avi"), 0);
  cut.showFrame(2);
  EXPECT_EQ(pictureShown(), 2);
  glDeleteTextures(1, &texture);
}
