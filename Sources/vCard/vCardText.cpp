#include "vCard/vCardText.h"

#include "Utils/VorlixUtils.h"
#include "vCard/vCardItem.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace {

// `kind` is upper case.
bool isOneOf(const std::string& kind, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(),
                       [&kind](const char* name) { return kind == name; });
}

// Property kinds whose values are binary data or URIs rather than text.
bool holdsNonText(const std::string& kind, const std::vector<RawDataPair>& params) {
    if (isOneOf(kind, {"PHOTO", "LOGO", "SOUND", "KEY", "URL", "SOURCE", "IMPP", "RELATED",
                       "MEMBER", "FBURL", "CALURI", "CALADRURI"}))
        return true;
    return std::any_of(params.begin(), params.end(), [](const RawDataPair& param) {
        return str_cmp(param.key, "ENCODING") ||
               (str_cmp(param.key, "VALUE") && str_cmp(param.value, "uri"));
    });
}

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isValidUtf8(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (size - i < length || bytes[i + 1] < low || bytes[i + 1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if (!isContinuationByte(bytes[i + k]))
                return false;
        i += length;
    }
    return true;
}

} // namespace

std::string escapedSeparators(const std::string& name, const std::vector<RawDataPair>& params) {
    const std::string kind = toUpperAscii(name.substr(name.rfind('.') + 1));
    if (holdsNonText(kind, params) || isOneOf(kind, {"N", "ADR", "GEO"}))
        return "";
    if (kind == "ORG")
        return ",";
    if (isOneOf(kind, {"CATEGORIES", "NICKNAME"}))
        return ";";
    return ",;";
}

std::string escapeValue(const std::string& value, const std::string& separators,
                        LineBreaks lineBreaks) {
    // A table lookup per byte: values can be megabytes of base64.
    std::array<bool, 256> isStop{};
    isStop[static_cast<unsigned char>('\\')] = true;
    if (lineBreaks == LineBreaks::Escape)
        isStop[static_cast<unsigned char>('\r')] = isStop[static_cast<unsigned char>('\n')] = true;
    for (char separator : separators)
        isStop[static_cast<unsigned char>(separator)] = true;
    const auto nextStop = [&](std::size_t from) {
        while (from < value.size() && !isStop[static_cast<unsigned char>(value[from])])
            ++from;
        return from;
    };

    std::size_t at = nextStop(0);
    if (at == value.size())
        return value;
    std::string out;
    out.reserve(value.size() + value.size() / 16 + 2);
    std::size_t from = 0;
    for (; at < value.size(); at = nextStop(from)) {
        out.append(value, from, at - from);
        const char c = value[at];
        from = at + 1;
        if (c == '\\') {
            if (from < value.size() && !isLineBreak(value[from])) {
                out += c;
                out += value[from++];
            } else {
                out += "\\\\";
            }
        } else if (isLineBreak(c)) {
            out += "\\n";
            if (c == '\r' && from < value.size() && value[from] == '\n')
                ++from;
        } else {
            out += '\\';
            out += c;
        }
    }
    out.append(value, from, std::string::npos);
    return out;
}

std::vector<std::string> splitUnescaped(const std::string& value, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i;
        } else if (value[i] == separator) {
            pieces.emplace_back(value, start, i - start);
            start = i + 1;
        }
    }
    if (start < value.size())
        pieces.emplace_back(value, start, std::string::npos);
    return pieces;
}

std::string foldLine(const std::string& head, const std::string& value) {
    constexpr std::size_t longestLine = 76;
    constexpr std::size_t pieceSize = 72;
    if (head.size() + value.size() <= longestLine)
        return head + value;

    const bool keepCharactersWhole = isValidUtf8(value);
    std::string out;
    out.reserve(head.size() + value.size() + (value.size() / (pieceSize - 3) + 1) * 3);
    out += head;
    for (std::size_t start = 0; start < value.size();) {
        std::size_t end = std::min(start + pieceSize, value.size());
        // In valid UTF-8 a character is at most 4 bytes, so this backs up by 3 bytes at most.
        if (keepCharactersWhole)
            while (end < value.size() && isContinuationByte(value[end]))
                --end;
        out += "\r\n ";
        out.append(value, start, end - start);
        start = end;
    }
    return out;
}
