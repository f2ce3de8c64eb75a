// SHA-256 digests of container streams, for fmhost's stable JSON output.
#pragma once

#include <string>

// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256Hex(const std::string& bytes);
