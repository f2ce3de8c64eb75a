#include "Platform/OpenFile.h"

// Linux and macOS take paths as bytes, and UTF-8 is what their file systems hold.
std::FILE* platformOpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}
