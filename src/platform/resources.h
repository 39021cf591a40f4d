#pragma once
#include <cstddef>

// Pictures stored inside the executable. This build carries none, so every
// lookup fails and callers load from files instead.
bool findProgramResource(const char* name, const char* type, const void** data, size_t* size);
