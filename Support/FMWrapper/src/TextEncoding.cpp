#include "TextEncoding.h"

namespace fmxhost {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// Decodes the UTF-8 character at `bytes[i]` and advances `i` past it; a malformed sequence
// (bad lead byte, missing continuation, overlong form, surrogate, beyond U+10FFFF) yields
// U+FFFD and advances by one byte.
char32_t nextUtf8(std::string_view bytes, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    int length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (bytes.size() - i < static_cast<std::size_t>(length)) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return c;
}

// Decodes the character at `units[i]` and advances `i` past it; an unpaired surrogate yields
// U+FFFD.
char32_t nextUtf16(std::u16string_view units, std::size_t& i) {
    const char16_t unit = units[i++];
    if (unit < 0xD800 || unit > 0xDFFF)
        return unit;
    if (unit <= 0xDBFF && i < units.size() && units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
        const char16_t low = units[i++];
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    return kReplacement;
}

} // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u16string utf16FromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();)
        appendUtf16(out, nextUtf8(bytes, i));
    return out;
}

std::u16string utf16FromLatin1(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char byte : bytes)
        out += static_cast<char16_t>(static_cast<unsigned char>(byte));
    return out;
}

std::string utf8FromUtf16(std::u16string_view units, std::size_t limit) {
    std::string out;
    std::string character;
    for (std::size_t i = 0; i < units.size();) {
        character.clear();
        appendUtf8(character, nextUtf16(units, i));
        if (character.size() > limit - out.size())
            break;
        out += character;
    }
    return out;
}

std::string latin1FromUtf16(std::u16string_view units, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < units.size() && out.size() < limit; ++i)
        out += units[i] <= 0xFF ? static_cast<char>(units[i]) : '?';
    return out;
}

} // namespace fmxhost
