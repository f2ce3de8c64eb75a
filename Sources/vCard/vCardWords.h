// Matching of the fixed words of vCard text (property names, parameter values, charsets), which
// are all compared ignoring ASCII case.
#pragma once

#include "Utils/AsciiCase.h"

#include <initializer_list>
#include <string_view>

// Whether `word` is `fixed` in any case. Writers mostly write the words as the standards do, in
// upper case: compared as bytes first, which costs a few loads where the case rule costs more.
inline bool isWord(std::string_view word, std::string_view fixed) {
    return word == fixed || equalsIgnoringAsciiCase(word, fixed);
}

inline bool isOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
    for (const std::string_view candidate : words)
        if (isWord(word, candidate))
            return true;
    return false;
}

// Whether a physical line is a card's BEGIN:VCARD or END:VCARD line, which the line reader takes
// as such wherever it stands, inside a value too.
inline bool isCardBegin(std::string_view line) {
    return isWord(line, "BEGIN:VCARD");
}

inline bool isCardEnd(std::string_view line) {
    return isWord(line, "END:VCARD");
}
