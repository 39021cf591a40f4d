#include "app/frame_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

struct FrameLog {
  FrameLog() {
    if (const char* path = std::getenv("QUORVEX_FRAME_LOG"))
      if (*path) file = std::fopen(path, "w");
    start = lastSwap = Clock::now();
  }
  std::FILE* file = nullptr;
  Clock::time_point start, lastSwap;
  double sleptSinceSwap = 0;
  int swaps = 0;
};

// Made before main runs: the first column counts from the program's start.
FrameLog startedLog;

FrameLog& frameLog() {
  return startedLog;
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

void logBufferSwap() {
  FrameLog& log = frameLog();
  ++log.swaps;
  if (!log.file) return;
  const Clock::time_point now = Clock::now();
  const double interval = millisecondsBetween(log.lastSwap, now);
  std::fprintf(log.file, "%.3f %.3f %.3f\n", millisecondsBetween(log.start, now), interval,
               interval - log.sleptSinceSwap * 1000);
  std::fflush(log.file);  // readable while the viewer runs
  log.lastSwap = now;
  log.sleptSinceSwap = 0;
}

int framesShown() {
  return frameLog().swaps;
}

void noteIdleSleep(double seconds) {
  frameLog().sleptSinceSwap += seconds;
}

void closeFrameLog() {
  FrameLog& log = frameLog();
  if (log.file) std::fclose(log.file);
  log.file = nullptr;
}
