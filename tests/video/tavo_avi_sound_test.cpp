#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/disk_audio.h"
#include "video/tavo_avi.h"

using namespace soundtest;

TEST(TavoAviSound, StartAfterStopPlaysTheTrackFromItsBeginning) {
  DiskAudio audio;
  ASSERT_TRUE(audio.started);
  const size_t trackFrames = rate;  // one second, never silent
  std::vector<int16_t> track = rampSamples(trackFrames, 1);
  writeWav(audio.file("track.wav"), rate, 1, track);
  const std::string sources =
      "-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -i " + audio.file("track.wav");
  ASSERT_TRUE(runFfmpeg(sources + " -c:v mjpeg -c:a pcm_s16le " + audio.file("clip.avi")));
  {
    TavoAvi clip(audio.file("clip.avi"), 0);
    ASSERT_NE(clip.soundStream, nullptr);
    clip.startSound();
    ASSERT_TRUE(audio.waitForSound(trackFrames / 3));
    clip.stopSound();
    ASSERT_TRUE(audio.waitForMoreFrames(4 * deviceBufferFrames));  // silence while stopped
    clip.startSound();
    ASSERT_TRUE(audio.waitForSound(trackFrames / 3 + trackFrames / 4));
    clip.stopSound();
  }
  // A clip whose video has no length stays silent with the device open:
  // its sound would otherwise start again on every frame.
  ASSERT_TRUE(
      runFfmpeg(sources + " -frames:v 0 -c:v mjpeg -c:a pcm_s16le " + audio.file("nolength.avi")));
  testing::internal::CaptureStderr();
  EXPECT_EQ(TavoAvi(audio.file("nolength.avi"), 0).soundStream, nullptr);
  testing::internal::GetCapturedStderr();
  std::vector<int16_t> output = audio.finish();

  // The frame at or after from that is (not) silent; the end when none is.
  auto next = [&](size_t from, bool silent) {
    while (from * 2 + 1 < output.size() && (!output[from * 2] && !output[from * 2 + 1]) != silent)
      ++from;
    return from;
  };
  size_t start = next(0, false), pause = next(start, true), restart = next(pause, false);
  ASSERT_LT(restart + 2000, output.size() / 2) << "no sound after the stop";
  EXPECT_GE(pause - start, trackFrames / 3);
  std::vector<int16_t> opening = monoToStereo({track.begin(), track.begin() + 2000});
  EXPECT_EQ(slice(output, start, 2000), opening) << "the first start";
  EXPECT_EQ(slice(output, restart, 2000), opening) << "the start after the stop";
}
