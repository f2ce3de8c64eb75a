// ASCII case: the one rule by which the plug-in compares and converts names that protocols and
// file formats define as case-insensitive (vCard property and parameter names, HTTP header
// names, URL schemes, type words). Only the letters A-Z and a-z fold; every other byte, UTF-8
// included, stays as it is and compares exactly. The C library's toupper and tolower are not
// used: they follow the process locale, and in a Turkish locale "i" does not become "I".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string toUpperAscii(std::string text) {
    for (char& c : text)
        c = upperAscii(c);
    return text;
}

inline std::string toLowerAscii(std::string text) {
    for (char& c : text)
        c = lowerAscii(c);
    return text;
}

inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

inline bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}
