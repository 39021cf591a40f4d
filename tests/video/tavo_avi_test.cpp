#include "video/tavo_avi.h"

#include <algorithm>
#include <tuple>

#include "video/clip_fixture.h"

TEST_F(TavoAviClip, PicksTheFrameByTimeInEveryPlayMode) {
  // Mode 0 holds both ends. Mode 1 wraps around the length; before the start
  // the remainder is negative: no such frame, nothing shown. Other modes use
  // the index as computed, and show nothing past the end.
  const struct {
    int mode;
    float seconds;
    int frame, shown;
  } steps[] = {{0, 0, 0, 0},     {0, 0.35f, 3, 3},    {0, 1.99f, 19, 19}, {0, 2.0f, 19, 19},
               {0, -0.3f, 0, 0}, {0, -1e9f, 0, 0},    {0, 1e30f, 19, 19}, {1, 0.5f, 5, 5},
               {1, 2.3f, 3, 3},  {1, 41.95f, 19, 19}, {1, -0.5f, -5, 19}, {2, 1.2f, 12, 12},
               {2, 3.0f, 30, 12}};
  for (int mode : {0, 1, 2}) {
    TavoAvi clip(makeClip("clip.avi", codedPictures(64, 48, 2) + pcmSound + rawPictures), mode);
    // Frames, length, size; nothing is decoded before it is asked for.
    EXPECT_EQ(std::tuple(clip.frameCount, clip.lengthSeconds, clip.frameWidth, clip.frameHeight,
                         clip.uploads),
              std::tuple(20, 2.0f, 64, 48, 0));
    for (const auto& step : steps) {
      if (step.mode != mode) continue;
      clip.update(step.seconds);
      EXPECT_EQ(clip.currentFrame, step.frame) << "mode " << mode << ", " << step.seconds << " s";
      EXPECT_EQ(pictureShown(), step.shown) << "mode " << mode << ", " << step.seconds << " s";
    }
  }
}

TEST_F(TavoAviClip, PlaysForwardWithoutSeekingAndGoesBackThroughTheKeyFrameBefore) {
  TavoAvi clip(makeClip("keyed.avi", codedPictures(64, 48, 2) + pcmSound + keyedPictures), 0);
  ASSERT_EQ(clip.frameCount, 20);
  // The decoding ahead is stopped on the way, as it is with the sound.
  for (int frame = 0; frame < 20; ++frame) {
    if (frame % 7 == 3) clip.stopSound();
    clip.showFrame(frame);
    ASSERT_EQ(texel(10, 0), (std::vector<int>{frame * 12, 47 * 5, 30})) << "frame " << frame;
  }
  EXPECT_EQ(clip.seeks, 0);
  EXPECT_EQ(clip.picturesDecoded, 20);
  // Back: key frame 5, then 6 and 7; on to 8; far ahead: straight to key
  // frame 15 for 17; back to the start; ahead to the end; back to 5 (stopped
  // first), and the clip closed while it decodes ahead from there.
  const struct {
    int frame, seeks, decoded;
    bool stop = false;
  } steps[] = {{7, 1, 23}, {8, 1, 24}, {17, 2, 27}, {0, 3, 28}, {19, 4, 33}, {5, 5, 34, true}};
  for (const auto& step : steps) {
    if (step.stop) clip.stopSound();
    clip.showFrame(step.frame);
    EXPECT_EQ(texel(10, 0), (std::vector<int>{step.frame * 12, 47 * 5, 30})) << step.frame;
    EXPECT_EQ(clip.seeks, step.seeks) << step.frame;
    EXPECT_EQ(clip.picturesDecoded, step.decoded) << step.frame;
  }
}

TEST_F(TavoAviClip, TheFrameLandsInTheLowerLeftCornerBottomRowFirst) {
  // 41 pixels of 3 bytes: rows that need padding to 4 bytes.
  TavoAvi clip(makeClip("odd.avi", codedPictures(41, 31, 1) + pcmSound + rawPictures), 0);
  ASSERT_EQ(std::tuple(clip.frameWidth, clip.frameHeight), std::tuple(41, 31));
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // whatever the caller left set
  clip.showFrame(6);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

  std::vector<uint8_t> got = gltest::boundTextureTexels(false), want;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      want.insert(want.end(), {uint8_t(x < 41 && y < 31 ? 6 * 12 : 1),
                               uint8_t(x < 41 && y < 31 ? (30 - y) * 5 : 2),
                               uint8_t(x < 41 && y < 31 ? x * 3 : 3)});
  ASSERT_EQ(got.size(), want.size());
  size_t at = size_t(std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin());
  EXPECT_EQ(at, got.size()) << "texel " << at / 3 % 64 << ", " << at / 3 / 64;
}

TEST_F(TavoAviClip, AFileThatIsNoAviHasNoDecoderOrNoLengthIsReportedAndShowsNothing) {
  testfiles::writeText(dir.file("text.avi"), "RIFF but not really an AVI file at all");
  // A clip whose codec is renamed to one nobody knows.
  std::string bytes = testfiles::readText(
      makeClip("mjpeg.avi", codedPictures(64, 48, 2) + pcmSound + "-c:v mjpeg "));
  for (size_t at = bytes.find("MJPG"); at < 4096; at = bytes.find("MJPG", at))
    bytes.replace(at, 4, "QZQZ");
  testfiles::writeText(dir.file("unknown.avi"), bytes);
  const std::string noStream = "Error: Failed To Open The AVI Stream\n",
                    noLength = makeClip("nolength.avi", codedPictures(64, 48, 1) + pcmSound +
                                                            "-frames:v 0 " + rawPictures);
  const struct {
    std::string path, message;
    int frameWidth;  // the stream still tells its frame size
  } cases[] = {
      {dir.file("text.avi"), noStream, 0},
      {dir.file("missing.avi"), noStream, 0},
      {dir.file("unknown.avi"), "Error: Failed To Open The AVI Frame (No decompressor found)\n",
       64},
      {noLength, noLength + ": the video stream has no length; shown without frames or sound\n",
       64}};
  for (const auto& c : cases)
    for (int mode : {0, 1, 2}) {
      testing::internal::CaptureStderr();
      TavoAvi clip(c.path, mode);
      EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
      for (float seconds : {0.0f, 0.5f, 3.0f}) clip.update(seconds);
      clip.showFrame(3);
      clip.startSound();
      clip.stopSound();
      EXPECT_EQ(std::tuple(clip.frameCount, clip.frameWidth, clip.uploads, clip.soundStream),
                std::tuple(0, c.frameWidth, 0, nullptr));
    }
  EXPECT_EQ(texel(0, 0), (std::vector<int>{1, 2, 3}));
}

TEST_F(TavoAviClip, DamagedFilesShowWhatCanBeDecoded) {
  std::string bytes = testfiles::readText(
      makeClip("keyed.avi", codedPictures(64, 48, 2) + pcmSound + keyedPictures));
  // Cut off after the first third; and with bytes of the pictures changed.
  testfiles::writeText(dir.file("cut.avi"), bytes.substr(0, bytes.size() / 3));
  for (size_t i = bytes.size() / 4; i < bytes.size(); i += 97) bytes[i] ^= 0x5a;
  testfiles::writeText(dir.file("damaged.avi"), bytes);
  for (const char* name : {"cut.avi", "damaged.avi"}) {
    testing::internal::CaptureStderr();
    TavoAvi clip(dir.file(name), 0);
    testing::internal::GetCapturedStderr();
    for (int i = 0; i < 2 * clip.frameCount; ++i)
      clip.showFrame(i < clip.frameCount ? i : 2 * clip.frameCount - 1 - i);
    clip.showFrame(2);  // the frames before the cut are all there
    EXPECT_TRUE(name != std::string("cut.avi") || pictureShown() == 2);
  }
}
