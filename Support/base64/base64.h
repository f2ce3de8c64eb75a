// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks) for contact photos.
#pragma once

#include <string>

std::string base64_encode(const unsigned char* bytes, unsigned int length);

// Decodes up to the first character outside the alphabet (or the first "="); a leftover of two or
// three characters gives one or two bytes, a single leftover character gives nothing.
std::string base64_decode(const std::string& text);

bool is_base64(unsigned char c);
