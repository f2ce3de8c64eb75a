// Conversions between the host's UTF-16 texts and 8-bit encodings.
#pragma once

#include <string>
#include <string_view>

namespace fmxhost {

// Appends the UTF-8 form of the character `c` (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t c);

// UTF-8 to UTF-16; each malformed byte sequence becomes U+FFFD.
std::u16string utf16FromUtf8(std::string_view bytes);
// ISO-8859-1 to UTF-16: one code unit per byte.
std::u16string utf16FromLatin1(std::string_view bytes);

// UTF-16 to UTF-8, at most `limit` bytes and never part of a character; an unpaired surrogate
// becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view units, std::size_t limit = std::string::npos);
// UTF-16 to ISO-8859-1, at most `limit` bytes; a code unit above U+00FF becomes "?".
std::string latin1FromUtf16(std::u16string_view units, std::size_t limit = std::string::npos);

} // namespace fmxhost
