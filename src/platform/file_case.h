#pragma once
#include <string>

// Description files written on Windows name files in any letter case. The
// name to open: path itself when it exists (either separator), else the one
// file of its directory whose name matches path's last component ignoring
// ASCII case ('/' separators), with one console line the first time a name
// is found that way. With no such file, or more than one, path itself, so
// that the caller's failure names what was written.
std::string findFileIgnoringCase(const std::string& path);
