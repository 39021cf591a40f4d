#pragma once
#include <cstdio>
#include <string>

// File names in description files come from Windows and may use '\' as well
// as '/'; both count as separators everywhere a path is cut.
inline bool isPathSeparator(char c) {
  return c == '\\' || c == '/';
}

// Index of the last separator in path, or std::string::npos.
size_t lastPathSeparator(const std::string& path);

// path cut after its last separator (the separator stays); "" without one.
std::string directoryOf(const std::string& path);

// The name as this platform opens it: every '\' read as '/'.
std::string nativePath(const std::string& path);

// fopen() of a name that may hold '\' separators.
FILE* openFile(const std::string& path, const char* mode);

// Absolute form of path (relative names are taken from the working
// directory); "." and ".." components are resolved textually. The result
// uses '/' separators.
std::string fullPathName(const std::string& path);
