#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(Clock, IsMonotonicMilliseconds) {
  uint32_t before = timeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  uint32_t after = timeGetTime();
  uint32_t elapsed = after - before;
  EXPECT_GE(elapsed, 19u);
  EXPECT_LT(elapsed, 5000u);
}

TEST(Clock, ElapsedSurvivesTheWrap) {
  TimeStamp stamp;
  stamp.stamp = 0xFFFFFF00u;  // 256 ms before the 32-bit wrap
  EXPECT_FLOAT_EQ(stamp.elapsedSecondsAt(0x00000100u), 0.512f);
  EXPECT_FLOAT_EQ(stamp.elapsedSecondsAt(0xFFFFFF00u), 0.0f);
}

TEST(Clock, ResetTakesTheClockNow) {
  TimeStamp stamp;
  stamp.reset();
  EXPECT_LT(stamp.elapsedSeconds(), 1.0f);
  EXPECT_GE(stamp.elapsedSeconds(), 0.0f);
}
