#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sound/disk_output.h"
#include "video/tavo_avi.h"

using namespace soundtest;

namespace {

// Index of the first frame at or after from whose sound is not silent (or
// not, with silent = true); the frame count when there is none.
size_t firstFrame(const std::vector<int16_t>& stereo, size_t from, bool silent) {
  for (size_t frame = from; frame * 2 + 1 < stereo.size(); ++frame) {
    bool quiet = stereo[frame * 2] == 0 && stereo[frame * 2 + 1] == 0;
    if (quiet == silent) return frame;
  }
  return stereo.size() / 2;
}

}  // namespace

TEST(TavoAviSound, StartAfterStopPlaysTheTrackFromItsBeginning) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg command";
  DiskAudio audio;
  ASSERT_TRUE(audio.started);
  const size_t trackFrames = rate;  // one second, never silent
  std::vector<int16_t> track = rampSamples(trackFrames, 1);
  writeWav(audio.file("track.wav"), rate, 1, track);
  ASSERT_TRUE(runFfmpeg("-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -i " +
                        audio.file("track.wav") + " -c:v mjpeg -c:a pcm_s16le " +
                        audio.file("clip.avi")));

  {
    TavoAvi clip(audio.file("clip.avi"), 0);
    ASSERT_NE(clip.soundStream, nullptr);
    const size_t firstRun = trackFrames / 3;
    clip.startSound();
    ASSERT_TRUE(audio.waitForSound(firstRun));
    clip.stopSound();
    ASSERT_TRUE(audio.waitForMoreFrames(4 * deviceBufferFrames));  // silence while stopped
    clip.startSound();
    ASSERT_TRUE(audio.waitForSound(firstRun + trackFrames / 4));
    clip.stopSound();
  }
  std::vector<int16_t> output = audio.finish();

  std::vector<int16_t> opening =
      monoToStereo(std::vector<int16_t>(track.begin(), track.begin() + 2000));
  size_t start = firstFrame(output, 0, false);
  ASSERT_LT(start + 2000, output.size() / 2);
  EXPECT_EQ(slice(output, start, 2000), opening) << "the first start";

  size_t pause = firstFrame(output, start, true);
  size_t restart = firstFrame(output, pause, false);
  ASSERT_LT(restart + 2000, output.size() / 2) << "no sound after the stop";
  EXPECT_GE(pause - start, trackFrames / 3);
  EXPECT_EQ(slice(output, restart, 2000), opening) << "the start after the stop";
}
