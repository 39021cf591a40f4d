#include "platform/file_case.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <mutex>
#include <set>

#include "platform/paths.h"

namespace {

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// Pages are read on more than one thread.
std::mutex reportedLock;
std::set<std::string> reported;

void reportOnce(const std::string& written, const std::string& found) {
  std::lock_guard<std::mutex> hold(reportedLock);
  if (!reported.insert(written).second) return;
  std::printf("%s: not found as written, opening %s\n", written.c_str(), found.c_str());
  std::fflush(stdout);
}

}  // namespace

std::string findFileIgnoringCase(const std::string& path) {
  const std::string native = nativePath(path);
  const size_t cut = native.rfind('/');
  const std::string name = cut == std::string::npos ? native : native.substr(cut + 1);
  if (name.empty() || exists(native)) return path;
  const std::string directory =
      cut == std::string::npos ? std::string() : native.substr(0, cut + 1);

  DIR* listing = opendir(directory.empty() ? "." : directory.c_str());
  if (!listing) return path;
  std::string match;
  int matches = 0;
  while (const dirent* entry = readdir(listing))
    if (strcasecmp(entry->d_name, name.c_str()) == 0 && matches++ == 0) match = entry->d_name;
  closedir(listing);
  if (matches != 1) return path;
  reportOnce(path, directory + match);
  return directory + match;
}
