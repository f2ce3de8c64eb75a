#include "TextFunctions.h"

#include "CaseFolding.h"

#include <algorithm>
#include <cmath>

namespace {

bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// A count or position from a calculation as a whole number within a text's reach; 0 for what is
// no number.
long long wholeNumber(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<long long>(std::trunc(std::clamp(value, -1e15, 1e15)));
}

// The byte offset of character `index` (from 0); the text's size beyond its end.
std::size_t byteOffset(const std::string& text, long long index) {
    std::size_t offset = 0;
    for (long long seen = 0; offset < text.size(); ++offset) {
        if (startsCharacter(text[offset]) && seen++ == index)
            return offset;
    }
    return offset;
}

double characterNumber(const std::string& text, std::size_t offset) {
    return static_cast<double>(std::count_if(text.begin(),
                                             text.begin() + static_cast<std::ptrdiff_t>(offset),
                                             startsCharacter) +
                               1);
}

} // namespace

std::size_t characterCount(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), startsCharacter));
}

std::string leftCharacters(const std::string& text, double count) {
    const long long n = wholeNumber(count);
    return n < 1 ? "" : text.substr(0, byteOffset(text, n));
}

std::string rightCharacters(const std::string& text, double count) {
    const long long n = wholeNumber(count);
    const auto length = static_cast<long long>(characterCount(text));
    return n < 1 ? "" : text.substr(byteOffset(text, std::max(0LL, length - n)));
}

std::string middleCharacters(const std::string& text, double start, double count) {
    const long long first = std::max(1LL, wholeNumber(start)) - 1;
    const long long n = wholeNumber(count);
    if (n < 1)
        return "";
    const std::size_t begin = byteOffset(text, first);
    return text.substr(begin, byteOffset(text, first + n) - begin);
}

double positionOf(const std::string& text, const std::string& search, double start,
                  double occurrence) {
    const long long wanted = wholeNumber(occurrence);
    if (search.empty() || wanted == 0)
        return 0;
    const std::string folded = foldCase(text);
    const std::string pattern = foldCase(search);
    const long long from = wholeNumber(start);
    if (wanted > 0) {
        std::size_t at = byteOffset(text, std::max(1LL, from) - 1);
        for (long long found = 1;; ++found, ++at) {
            at = folded.find(pattern, at);
            if (at == std::string::npos)
                return 0;
            if (found == wanted)
                return characterNumber(text, at);
        }
    }
    if (from < 1)
        return 0;
    std::size_t at = byteOffset(text, from - 1);
    for (long long found = -1;; --found, --at) {
        at = folded.rfind(pattern, at);
        if (at == std::string::npos)
            return 0;
        if (found == wanted)
            return characterNumber(text, at);
        if (at == 0)
            return 0;
    }
}

double patternCount(const std::string& text, const std::string& search) {
    if (search.empty())
        return 0;
    const std::string folded = foldCase(text);
    const std::string pattern = foldCase(search);
    double count = 0;
    for (std::size_t at = folded.find(pattern); at != std::string::npos;
         at = folded.find(pattern, at + 1))
        ++count;
    return count;
}

std::string substitute(const std::string& text, const std::string& search,
                       const std::string& replacement) {
    if (search.empty())
        return text;
    std::string replaced;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(search, from)) != std::string::npos;
         from = at + search.size())
        replaced.append(text, from, at - from).append(replacement);
    return replaced.append(text, from, std::string::npos);
}

double valueCount(const std::string& list) {
    if (list.empty())
        return 0;
    const auto returns = static_cast<double>(std::count(list.begin(), list.end(), '\r'));
    return list.back() == '\r' ? returns : returns + 1;
}

std::string valueOf(const std::string& list, double n) {
    if (!(n >= 1))
        return "";
    std::size_t start = 0;
    for (double index = 1; index < std::trunc(n); ++index) {
        start = list.find('\r', start);
        if (start == std::string::npos)
            return "";
        ++start;
    }
    const std::size_t end = list.find('\r', start);
    return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string listOf(const std::vector<std::string>& values) {
    std::string list;
    for (const std::string& value : values) {
        if (value.empty())
            continue;
        if (!list.empty())
            list += '\r';
        list += value;
    }
    return list;
}

std::string sortedValues(const std::string& list) {
    std::vector<std::pair<std::string, std::string>> values; // folded, as written
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find('\r', start), list.size());
        const std::string value = list.substr(start, end - start);
        values.emplace_back(foldCase(value), value);
        start = end + 1;
    }
    std::sort(values.begin(), values.end());
    std::string sorted;
    for (const auto& value : values)
        sorted += value.second + '\r';
    return sorted;
}
