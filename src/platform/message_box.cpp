#include "platform/message_box.h"

#include <cstdio>

void showMessageBox(const char* text, const char* title) {
  std::fprintf(stderr, "%s: %s\n", title ? title : "Error", text ? text : "");
  std::fflush(stderr);
}
