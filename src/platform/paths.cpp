#include "platform/paths.h"

#include <unistd.h>

#include <vector>

size_t lastPathSeparator(const std::string& path) {
  return path.find_last_of("\\/");
}

std::string directoryOf(const std::string& path) {
  size_t cut = lastPathSeparator(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string nativePath(const std::string& path) {
  std::string native = path;
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

FILE* openFile(const std::string& path, const char* mode) {
  return std::fopen(nativePath(path).c_str(), mode);
}

std::string fullPathName(const std::string& path) {
  std::string native = nativePath(path);
  if (native.empty() || native[0] != '/') {
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size())) native = std::string(cwd.data()) + "/" + native;
  }
  // Resolve "." and ".." so the directory cut afterwards is the real one.
  std::vector<std::string> parts;
  size_t pos = 0;
  bool trailingSlash = !native.empty() && native.back() == '/';
  while (pos <= native.size()) {
    size_t next = native.find('/', pos);
    if (next == std::string::npos) next = native.size();
    std::string part = native.substr(pos, next - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    pos = next + 1;
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  if (full.empty() || trailingSlash) full += "/";
  return full;
}
