#include "platform/resources.h"

bool findProgramResource(const char*, const char*, const void** data, size_t* size) {
  if (data) *data = nullptr;
  if (size) *size = 0;
  return false;
}
