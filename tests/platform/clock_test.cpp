#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(Clock, IsTheMonotonicClockInMilliseconds) {
  auto monotonic = [] {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  for (int i = 0; i < 3; ++i) {
    const uint32_t before = monotonic(), now = timeGetTime(), after = monotonic();
    EXPECT_TRUE(now - before <= after - before) << before << " " << now << " " << after;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
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
