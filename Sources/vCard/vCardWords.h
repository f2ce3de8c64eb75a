// Matching of the fixed words of vCard text (property names, parameter values, charsets), which
// are all compared ignoring ASCII case.
#pragma once

#include "Utils/AsciiCase.h"

#include <initializer_list>
#include <string_view>

inline bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
    for (const std::string_view candidate : words)
        if (equalsIgnoringAsciiCase(word, candidate))
            return true;
    return false;
}
