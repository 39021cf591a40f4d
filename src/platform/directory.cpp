#include "platform/directory.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/paths.h"

bool wildcardMatch(const char* pattern, const char* name) {
  // Iterative match with one backtrack point for the last '*'.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == '?' ||
               std::tolower((unsigned char)*pattern) == std::tolower((unsigned char)*name)) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == 0;
}

std::vector<std::string> findMatchingFiles(const std::string& pattern) {
  std::vector<std::string> names;
  std::string native = nativePath(pattern);
  size_t cut = native.rfind('/');
  std::string directory = cut == std::string::npos ? "." : native.substr(0, cut + 1);
  std::string wildcard = cut == std::string::npos ? native : native.substr(cut + 1);
  if (directory.empty()) directory = "/";

  DIR* dir = opendir(directory.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    if (!wildcardMatch(wildcard.c_str(), entry->d_name)) continue;
    struct stat info;
    std::string full = directory + "/" + entry->d_name;
    if (stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    names.push_back(entry->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int order = strcasecmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
  });
  return names;
}
