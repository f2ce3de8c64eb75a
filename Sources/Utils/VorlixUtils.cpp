#include "Utils/VorlixUtils.h"

#include "Utils/AsciiCase.h"

#include <algorithm>
#include <cstddef>

std::vector<std::string> split(const std::string& text, char separator, int keepEmpty) {
    std::vector<std::string> pieces;
    std::string current;
    for (char c : text) {
        if (c != separator) {
            current += c;
            continue;
        }
        if (keepEmpty == 1 || !current.empty())
            pieces.push_back(current);
        current.clear();
    }
    if (!current.empty())
        pieces.push_back(current);
    return pieces;
}

std::string replace(std::string text, const std::string& pattern, const std::string& replacement) {
    if (pattern.empty())
        return text;
    // The result holds no occurrence of the pattern, also where a replacement joins pieces into
    // a new one. Text ending before the last hit minus (pattern length - 1) is unchanged and held
    // no occurrence, so the search resumes there instead of at the start.
    std::size_t from = 0;
    for (std::size_t at = text.find(pattern); at != std::string::npos;
         at = text.find(pattern, from)) {
        text.replace(at, pattern.size(), replacement);
        from = at >= pattern.size() ? at - pattern.size() + 1 : 0;
    }
    return text;
}

bool startswith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endswith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool str_cmp(const std::string& a, const std::string& b) {
    return equalsIgnoringAsciiCase(a, b);
}

std::string intToString(int value) {
    return std::to_string(value);
}
