#include <cstdio>

#include "app/startup.h"
#include "platform/shared_gl_context.h"

int main(int argc, char** argv) {
  // Console lines appear as they are printed, also when output goes to a file.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  // Textures are uploaded from a thread of their own.
  enableThreadedX();
  return runViewer(argc, argv);
}
