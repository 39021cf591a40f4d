#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(Clock, IsTheMonotonicClockInMillisecondsAndStampsSurviveTheWrap) {
  auto monotonic = [] {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  const uint32_t before = monotonic(), now = timeGetTime(), after = monotonic();
  EXPECT_TRUE(now - before <= after - before) << before << " " << now << " " << after;
  TimeStamp stamp;
  stamp.reset();
  EXPECT_TRUE(stamp.elapsedSeconds() >= 0 && stamp.elapsedSeconds() < 1) << stamp.elapsedSeconds();
  stamp.stamp = 0xFFFFFF00u;  // 256 ms before the 32-bit wrap
  EXPECT_FLOAT_EQ(stamp.elapsedSecondsAt(0x00000100u), 0.512f);
  EXPECT_FLOAT_EQ(stamp.elapsedSecondsAt(0xFFFFFF00u), 0.0f);
}
