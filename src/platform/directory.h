#pragma once
#include <string>
#include <vector>

// Bare names of the regular files that match pattern, a directory followed
// by a wildcard name ("C:\\show\\*.jpg", "/show//*.png"). '*' and '?' match
// case-insensitively, and the names come in case-insensitive name order, as
// the original platform lists them. A directory that cannot be read gives
// an empty list.
std::vector<std::string> findMatchingFiles(const std::string& pattern);

// '*' and '?' wildcard match, ignoring ASCII case.
bool wildcardMatch(const char* pattern, const char* name);
