#pragma once
#include <cstdint>

// Milliseconds of a monotonic clock, truncated to 32 bits: the value wraps
// every 49.7 days, so callers subtract stamps as unsigned numbers.
uint32_t timeGetTime();

// A point in time taken from timeGetTime(). The difference is unsigned so a
// wrap of the clock between two stamps does no harm.
class TimeStamp {
 public:
  TimeStamp() = default;
  void reset() { stamp = timeGetTime(); }
  float elapsedSeconds() const { return elapsedSecondsAt(timeGetTime()); }
  float elapsedSecondsAt(uint32_t now) const { return float(uint32_t(now - stamp)) * 0.001f; }

  uint32_t stamp = 0;
};
