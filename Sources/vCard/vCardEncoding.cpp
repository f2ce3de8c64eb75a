#include "vCard/vCardEncoding.h"

#include "Utils/AsciiCase.h"
#include "Utils/HexDigits.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardWords.h"

#include <cstdint>
#include <cstring>

namespace {

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Windows-1252 as Unicode. Its bytes 0x80 to 0x9F differ from ISO-8859-1; the five it leaves
// undefined keep their ISO-8859-1 meaning.
std::string windows1252ToUtf8(const std::string& bytes) {
    static constexpr std::uint16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        appendUtf8(out, byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : byte);
    }
    return out;
}

// The position of the first byte from `from` on that is not ASCII, `size` when there is none.
// Eight bytes at a time: photos are megabytes of base64 and nothing else.
std::size_t endOfAscii(const unsigned char* bytes, std::size_t from, std::size_t size) {
    for (std::uint64_t word = 0; size - from >= sizeof word; from += sizeof word) {
        std::memcpy(&word, bytes + from, sizeof word);
        if ((word & 0x8080808080808080u) != 0)
            break;
    }
    while (from < size && bytes[from] < 0x80)
        ++from;
    return from;
}

} // namespace

bool isAscii(std::string_view text) {
    return endOfAscii(reinterpret_cast<const unsigned char*>(text.data()), 0, text.size()) ==
           text.size();
}

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = endOfAscii(bytes, 0, size); i < size; i = endOfAscii(bytes, i, size)) {
        const unsigned char lead = bytes[i];
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

std::string decodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c;
            continue;
        }
        const std::string_view rest = text.substr(i + 1);
        if (rest.empty())
            break;
        if (rest.substr(0, 2) == "\r\n") {
            i += 2;
        } else if (rest[0] == '\n') {
            i += 1;
        } else if (rest.size() >= 2 && hexDigitValue(rest[0]) >= 0 && hexDigitValue(rest[1]) >= 0) {
            out += static_cast<char>(hexDigitValue(rest[0]) * 16 + hexDigitValue(rest[1]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string textToUtf8(std::string bytes, std::string_view charset) {
    if (isOneOf(charset,
                {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1", "WINDOWS-1252", "CP1252"}) ||
        !isValidUtf8(bytes))
        return windows1252ToUtf8(bytes);
    return bytes;
}

bool holdsQuotedPrintable(const PropertyLine& line) {
    return !line.parameters.empty() && line.colonOutsideQuotes &&
           declaresQuotedPrintable(line.parameters);
}

std::string decodedValue(const PropertyLine& line) {
    std::string value;
    assignDecodedValue(value, line);
    return value;
}

void assignDecodedValue(std::string& value, const PropertyLine& line) {
    const bool quotedPrintable = holdsQuotedPrintable(line);
    value.assign(line.value);
    if (!quotedPrintable && isAsciiOnOneLine(line.value))
        return;
    if (holdsJoinedLines(value))
        for (std::size_t at = value.find("\\\r\n"); at != std::string::npos;
             at = value.find("\\\r\n", at + 2))
            value.replace(at + 1, 2, "n");
    if (quotedPrintable)
        value = decodeQuotedPrintable(value);
    else if (isAscii(value))
        return;
    value = textToUtf8(std::move(value), charsetOf(line.parameters));
}
