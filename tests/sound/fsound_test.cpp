#include "sound/fsound.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/disk_audio.h"
#include "support/test_files.h"

using namespace soundtest;

TEST(SoundStreams, FilesThatHoldNoSoundOpenAsNullWithoutAMessage) {
  DiskAudio audio;
  ASSERT_TRUE(audio.started);
  testfiles::writeText(audio.file("fake.wav"), "RIFF....WAVEfmt but nothing else");
  ASSERT_TRUE(runFfmpeg("-f lavfi -i testsrc=size=32x24:rate=5:duration=1 -c:v mjpeg " +
                        audio.file("picture-only.avi")));

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (std::string name : {audio.file("missing.wav"), audio.file("fake.wav"),
                           audio.file("picture-only.avi"), audio.path() + "/", std::string()})
    EXPECT_EQ(openStream(name), nullptr) << name;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SoundStreams, AFinishedStreamStartsOverAndSetTimeJumpsWhilePlaying) {
  DiskAudio audio;
  ASSERT_TRUE(audio.started);
  const size_t frames = 3 * rate;
  const std::vector<int16_t> mono = rampSamples(frames, 1, 3), stereo = monoToStereo(mono);
  writeWav(audio.file("long.wav"), rate, 1, mono);
  // Names may come with Windows separators; mono comes out in both channels.
  FSOUND_STREAM* stream = openStream(audio.path() + "\\long.wav");
  ASSERT_NE(stream, nullptr);
  // Played to the end, it starts from the beginning again; a rewind to
  // 0.5 s while playing jumps there.
  ASSERT_GE(FSOUND_Stream_Play(-1, stream), 0);
  ASSERT_TRUE(audio.waitForEnd(frames));
  ASSERT_GE(FSOUND_Stream_Play(-1, stream), 0);
  ASSERT_TRUE(audio.waitForSound(frames + 4000));
  EXPECT_TRUE(FSOUND_Stream_SetTime(stream, 500));
  ASSERT_TRUE(audio.waitForEnd(frames + rate / 2));
  FSOUND_Stream_Close(stream);
  std::vector<int16_t> sound = soundFrames(audio.finish());

  // The whole file, then a beginning and from frame 22050 to the end.
  const size_t rest = frames - rate / 2, second = sound.size() / 2 - frames - rest;
  ASSERT_LT(second, rest);
  EXPECT_EQ(slice(sound, 0, frames), stereo);
  EXPECT_EQ(slice(sound, frames, second), slice(stereo, 0, second));
  EXPECT_EQ(slice(sound, frames + second, rest), slice(stereo, rate / 2, rest));
}

TEST(SoundStreams, PlayingStreamsAreSummedAndClipped) {
  DiskAudio audio;
  ASSERT_TRUE(audio.started);
  // Mono and stereo, never silent and loud enough to reach the limits.
  const size_t framesA = 9000, framesB = 14000;
  const std::vector<int16_t> a = rampSamples(framesA, 1, 5), b = rampSamples(framesB, 2, 20000);
  writeWav(audio.file("a.wav"), rate, 1, a);
  writeWav(audio.file("b.wav"), rate, 2, b);
  FSOUND_STREAM* first = openStream(audio.file("a.wav"));
  FSOUND_STREAM* second = openStream(audio.file("b.wav"));
  ASSERT_TRUE(first && second);
  // Both files fit in the streams' buffers; give the decoders time to fill
  // them so that neither starts late once playing.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  int channelA = FSOUND_Stream_Play(-1, first), channelB = FSOUND_Stream_Play(-1, second);
  EXPECT_TRUE(channelA >= 0 && channelB >= 0 && channelA != channelB) << channelA << channelB;
  ASSERT_TRUE(audio.waitForEnd(framesB));
  FSOUND_Stream_Close(first);
  FSOUND_Stream_Close(second);
  std::vector<int16_t> output = audio.finish();

  // a starts first (it was started first, and is never silent); b joins it
  // where the output first differs from a, at most a few buffers later.
  size_t start = 0, lag = 0;
  while (start * 2 < output.size() && !output[start * 2]) ++start;
  while (lag < framesA && (start + lag) * 2 < output.size() && output[(start + lag) * 2] == a[lag])
    ++lag;
  ASSERT_LE(lag, 8 * deviceBufferFrames);
  const size_t span = lag + framesB + deviceBufferFrames;  // both files and a little silence
  ASSERT_GE(output.size() / 2, start + span);
  bool clipped = false;
  for (size_t i = 0; i < 2 * span; ++i) {
    const size_t frame = i / 2;
    int32_t value = (frame < framesA ? a[frame] : 0) +
                    (frame >= lag && frame - lag < framesB ? b[(frame - lag) * 2 + i % 2] : 0);
    clipped = clipped || std::abs(value) > 32767;
    ASSERT_EQ(output[start * 2 + i], std::clamp<int32_t>(value, -32768, 32767)) << frame;
  }
  EXPECT_TRUE(clipped);
}

TEST(SoundStreams, ClosingWhilePlayingIsSafeAndSilencesTheStream) {
  DiskAudio audio(32, 1);
  ASSERT_TRUE(audio.started);
  std::string name = audio.file("long.wav");
  writeWav(name, rate, 2, rampSamples(2 * rate, 2));
  // Streams closed at every stage: just opened, playing (or stopped), seeking.
  for (int round = 0; round < 20; ++round) {
    FSOUND_STREAM* streams[3] = {openStream(name), openStream(name), openStream(name)};
    ASSERT_TRUE(streams[0] && streams[1] && streams[2]);
    FSOUND_Stream_Play(-1, streams[1]);
    FSOUND_Stream_Play(-1, streams[2]);
    FSOUND_Stream_SetTime(streams[2], 0);
    if (round % 2) FSOUND_Stream_Stop(streams[1]);
    for (FSOUND_STREAM* stream : streams) EXPECT_TRUE(FSOUND_Stream_Close(stream));
  }
  ASSERT_TRUE(audio.waitForMoreFrames(4 * deviceBufferFrames));
  size_t soundSoFar = soundFrames(audio.output()).size();
  ASSERT_TRUE(audio.waitForMoreFrames(8 * deviceBufferFrames));
  // Closed streams no longer sound (allowing for what stdio had buffered).
  EXPECT_LE(soundFrames(audio.output()).size(), soundSoFar + 4096);

  // The device shut down with streams still playing closes them too.
  for (int i = 0; i < 4; ++i) FSOUND_Stream_Play(-1, openStream(name));
  ASSERT_TRUE(audio.waitForMoreFrames(deviceBufferFrames));
  FSOUND_Close();
}
