// Values that a property line holds encoded: quoted-printable text in a character set of its
// own, as vCard 2.1 writers send it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

struct PropertyLine;

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isValidUtf8(std::string_view text);

// Quoted-printable text decoded: "=" and two hex digits (either case) give that byte, "=" at
// the end of a line (a soft line break, before CR LF or LF) and at the end of the text give
// nothing, and any other "=" stays as it is.
std::string decodeQuotedPrintable(std::string_view text);

// Bytes of the character set `charset` (any case, empty when the line names none) as UTF-8,
// always valid: ISO-8859-1 and Windows-1252 are converted (both as Windows-1252, which is what
// writers that name ISO-8859-1 put there); bytes of any other charset, or of none, stay as they
// are when they are valid UTF-8 (ASCII included) and are otherwise taken for Windows-1252, the
// 8-bit text of Outlook and of phone exports that name no charset (or the wrong one).
std::string textToUtf8(std::string bytes, std::string_view charset);

// Whether a value holds physical lines that the line reader joined to it (after a soft line
// break or a backslash): the only line breaks, always CR LF, a logical line can hold.
inline bool holdsJoinedLines(std::string_view value) {
    return value.find('\n') != std::string_view::npos;
}

// Whether a value is ASCII on one line (without the LF of a joined line). Such a value, unless it
// is quoted-printable, is the same decoded as written; most values are. Eight bytes at a time:
// values of many kilobytes are asked too.
inline bool isAsciiOnOneLine(std::string_view text) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    std::size_t at = 0;
    for (std::uint64_t word = 0; text.size() - at >= sizeof word; at += sizeof word) {
        std::memcpy(&word, text.data() + at, sizeof word);
        // A LF is a zero byte once each byte is xored with it: subtracting one sets its high bit.
        const std::uint64_t lineFeeds = word ^ (ones * '\n');
        if (((word | ((lineFeeds - ones) & ~lineFeeds)) & highBits) != 0)
            return false;
    }
    for (; at < text.size(); ++at)
        if (static_cast<unsigned char>(text[at]) >= 0x80 || text[at] == '\n')
            return false;
    return true;
}

// The value of a property line as the card holds it, in UTF-8: each backslash continuation
// ("\" CR LF) read as the escaped line break "\n" it stands for; decoded when its parameters
// declare quoted-printable (and the head's colon lies outside quotes, as the line reader decides
// soft line breaks); then its 8-bit bytes read in its CHARSET as textToUtf8 reads them. Any
// other value exactly as written.
bool holdsQuotedPrintable(const PropertyLine& line);
std::string decodedValue(const PropertyLine& line);
// Replaces `value` with decodedValue(line), in the storage it has (`line` must not view it).
void assignDecodedValue(std::string& value, const PropertyLine& line);

// Whether `text` is ASCII alone, which every charset reads the same.
bool isAscii(std::string_view text);
