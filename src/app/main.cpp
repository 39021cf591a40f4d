#include <cstdio>

#include "app/startup.h"

int main(int argc, char** argv) {
  // Console lines appear as they are printed, also when output goes to a file.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  return runViewer(argc, argv);
}
