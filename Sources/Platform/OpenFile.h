// Opening a file by the path a script passes, one implementation per platform.
#pragma once

#include <cstdio>
#include <string>

// std::fopen for a path in UTF-8, whatever the system's own encoding of paths; null when the
// file cannot be opened (or, where paths are not bytes, when `path` is not UTF-8).
std::FILE* platformOpenFile(const std::string& path, const char* mode);
