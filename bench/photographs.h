#pragma once
// What the viewer benchmarks share: a 12 MP photograph-like JPEG, folders
// of many of them (hard links of one file, so that making them is cheap),
// and a stopwatch.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "support/test_files.h"

namespace bench {

inline double secondsOf(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Smooth areas and fine detail, as in a photograph; shade tells files apart.
inline bool writePhotograph(const std::string& path, int width, int height, int shade,
                            bool png = false) {
  testfiles::Picture picture = testfiles::makePicture(width, height, [&](int x, int y, uint8_t* p) {
    p[0] = uint8_t(x / 16 + ((x * y) & 15) + shade);
    p[1] = uint8_t(y / 12 + ((x ^ y) & 31));
    p[2] = uint8_t((x + y) / 28 + 3 * shade);
    p[3] = 255;
  });
  return png ? testfiles::writePng(path, picture, false) : testfiles::writeJpeg(path, picture, 90);
}

// count names "photo000.jpg" ... in folder, all one 4000 x 3000 picture.
inline bool writePhotographFolder(const std::string& folder, const std::string& original,
                                  int count) {
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
    if (link(original.c_str(), (folder + name).c_str()) != 0) return false;
  }
  return true;
}

// CPU seconds (user + system) a process has used so far.
inline double cpuSecondsOf(int pid) {
  std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!file) return 0;
  unsigned long user = 0, system = 0;
  // Fields 14 and 15; the command name (field 2) holds no spaces here.
  int matched = std::fscanf(file, "%*d %*s %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                            &user, &system);
  std::fclose(file);
  return matched == 2 ? double(user + system) / double(sysconf(_SC_CLK_TCK)) : 0;
}

}  // namespace bench

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace bench {

// One line of the viewer's frame trace.
struct FrameRecord {
  double at, interval, working;  // ms since start, since the last swap, of it working
};

inline std::vector<FrameRecord> readFrameLog(const std::string& path) {
  std::vector<FrameRecord> frames;
  std::ifstream file(path);
  FrameRecord frame;
  while (file >> frame.at >> frame.interval >> frame.working) frames.push_back(frame);
  return frames;
}

// The viewers started from here write their frame trace to path.
inline void traceViewerFramesTo(const std::string& path) {
  setenv("QUORVEX_FRAME_LOG", path.c_str(), 1);
}

}  // namespace bench
