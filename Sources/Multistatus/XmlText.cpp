#include "Multistatus/XmlText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// The code point `&#...;` or `&#x...;` at `at` stands for, and its length: decimal or
// lower-case x hexadecimal digits, at most what a code point takes, a scalar value other than
// zero; 0 for anything else.
std::uint32_t numericReference(const char* at, const char* end, std::size_t& length) {
    const bool hex = end - at > 2 && at[2] == 'x';
    const char* digit = at + (hex ? 3 : 2);
    const char* const first = digit;
    std::uint32_t value = 0;
    for (; digit < end && digit - first < (hex ? 6 : 7); ++digit) {
        const char c = *digit;
        std::uint32_t d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'))
            d = (c | 0x20) - 'a' + 10;
        else
            break;
        value = value * (hex ? 16 : 10) + d;
    }
    if (digit == first || digit == end || *digit != ';' || value == 0 || value > 0x10FFFF ||
        (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    length = digit + 1 - at;
    return value;
}

// The predefined entities, as written and as they read.
constexpr std::pair<std::string_view, char> kPredefined[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};

// The predefined entity `at` starts with; null for none.
const std::pair<std::string_view, char>* predefinedAt(const char* at, const char* end) {
    for (const auto& entity : kPredefined)
        if (std::string_view(at, end - at).substr(0, entity.first.size()) == entity.first)
            return &entity;
    return nullptr;
}

// Writes the reference at `from` (checked by referenceLength) decoded at `to`; both move past it.
void decodeReference(const char*& from, const char* end, char*& to) {
    if (const auto* entity = predefinedAt(from, end)) {
        *to++ = entity->second;
        from += entity->first.size();
        return;
    }
    std::size_t length = 0;
    const std::uint32_t code = numericReference(from, end, length);
    from += length;
    if (code < 0x80) {
        *to++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *to++ = static_cast<char>(0xC0 | (code >> 6));
        *to++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *to++ = static_cast<char>(0xE0 | (code >> 12));
        *to++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *to++ = static_cast<char>(0xF0 | (code >> 18));
        *to++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *to++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *to++ = static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::size_t referenceLength(const char* at, const char* end) {
    if (const auto* entity = predefinedAt(at, end))
        return entity->first.size();
    std::size_t length = 0;
    if (end - at > 1 && at[1] == '#' && numericReference(at, end, length) != 0)
        return length;
    return 0;
}

std::string_view decodedInPlace(std::string_view text) {
    char* const start = const_cast<char*>(text.data());
    const char* const end = text.data() + text.size();
    std::size_t from = 0;
    std::size_t to = 0;
    // Only bytes before `from` are written, so what is still to be read is as it came.
    std::size_t nextReturn = text.find('\r');
    std::size_t nextReference = text.find('&');
    for (;;) {
        const std::size_t stop = std::min({nextReturn, nextReference, text.size()});
        std::memmove(start + to, start + from, stop - from);
        to += stop - from;
        from = stop;
        if (stop == text.size())
            break;
        if (stop == nextReturn) {
            start[to++] = '\n';
            from += from + 1 < text.size() && text[from + 1] == '\n' ? 2 : 1;
            nextReturn = text.find('\r', from);
        } else {
            const char* reference = start + from;
            char* decoded = start + to;
            decodeReference(reference, end, decoded);
            from = static_cast<std::size_t>(reference - start);
            to = static_cast<std::size_t>(decoded - start);
            nextReference = text.find('&', from);
        }
    }
    return text.substr(0, to);
}
