#include "vCard/vCardText.h"

#include "vCard/vCardEncoding.h"
#include "vCard/vCardItem.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardWords.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Property kinds whose values are binary data, URIs or identifiers rather than text. A UID or a
// member is matched byte for byte against the UIDs of other cards: an escape would break it.
bool isNonTextKind(std::string_view kind) {
    return isOneOf(kind, {"PHOTO", "LOGO", "SOUND", "KEY", "URL", "SOURCE", "IMPP", "RELATED",
                          "MEMBER", "FBURL", "CALURI", "CALADRURI", "UID",
                          "X-ADDRESSBOOKSERVER-MEMBER", "ORG-DIRECTORY", "CONTACT-URI"});
}

// Whether a parameter makes a value something other than text: any ENCODING, or VALUE=uri.
bool marksNonText(std::string_view key, std::string_view value) {
    const std::string_view name = parameterName(key, value);
    return equalsIgnoringAsciiCase(name, "ENCODING") ||
           (equalsIgnoringAsciiCase(name, "VALUE") &&
            equalsIgnoringAsciiCase(unquoted(value), "uri"));
}

bool holdsNonText(std::string_view kind, const std::vector<RawDataPair>& params) {
    return isNonTextKind(kind) ||
           std::any_of(params.begin(), params.end(), [](const RawDataPair& param) {
               return marksNonText(param.key, param.value);
           });
}

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// `value` with each line break (CR LF, LF or CR) written "\n" and nothing else changed.
std::string withLineBreaksEscaped(const std::string& value) {
    // memchr: these values can be megabytes of base64 without a single line break.
    const auto* cr = static_cast<const char*>(std::memchr(value.data(), '\r', value.size()));
    const auto* lf = static_cast<const char*>(std::memchr(value.data(), '\n', value.size()));
    if (!cr && !lf)
        return value;
    std::size_t at = static_cast<std::size_t>((cr && (!lf || cr < lf) ? cr : lf) - value.data());
    std::string out(value, 0, at);
    out.reserve(value.size() + 8);
    for (; at < value.size(); ++at) {
        if (!isLineBreak(value[at])) {
            out += value[at];
            continue;
        }
        out += "\\n";
        if (value[at] == '\r' && at + 1 < value.size() && value[at + 1] == '\n')
            ++at;
    }
    return out;
}

// The separators escaped in a text value of this kind.
std::string textSeparators(std::string_view kind) {
    if (isOneOf(kind, {"N", "ADR", "GEO"}))
        return "";
    if (equalsIgnoringAsciiCase(kind, "ORG"))
        return ",";
    if (isOneOf(kind, {"CATEGORIES", "NICKNAME"}))
        return ";";
    return ",;";
}

} // namespace

bool holdsText(std::string_view name, std::string_view parameters) {
    if (isNonTextKind(propertyKind(name)))
        return false;
    std::string_view key, value;
    for (ParameterReader reader(parameters); reader.next(key, value);)
        if (marksNonText(key, value))
            return false;
    return true;
}

std::string escapedValue(std::string_view name, const std::vector<RawDataPair>& params,
                         const std::string& value) {
    const std::string_view kind = propertyKind(name);
    if (holdsNonText(kind, params))
        return withLineBreaksEscaped(value);
    return escapeValue(value, textSeparators(kind), LineBreaks::Escape);
}

std::string escapedSeparators(std::string_view name, const std::vector<RawDataPair>& params) {
    const std::string_view kind = propertyKind(name);
    return holdsNonText(kind, params) ? "" : textSeparators(kind);
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

void appendFoldedValue(std::string& line, std::size_t headLength, std::string_view value) {
    constexpr std::size_t longestLine = 76;
    constexpr std::size_t pieceSize = 72;
    if (headLength + value.size() <= longestLine) {
        line.append(value);
        return;
    }
    const bool keepCharactersWhole = isValidUtf8(value);
    line.reserve(line.size() + value.size() + (value.size() / (pieceSize - 3) + 1) * 3);
    for (std::size_t start = 0; start < value.size();) {
        std::size_t end = std::min(start + pieceSize, value.size());
        // In valid UTF-8 a character is at most 4 bytes, so this backs up by 3 bytes at most.
        if (keepCharactersWhole)
            while (end < value.size() && isContinuationByte(value[end]))
                --end;
        line += "\r\n ";
        line.append(value, start, end - start);
        start = end;
    }
}

std::string foldLine(std::string_view head, std::string_view value) {
    std::string line(head);
    appendFoldedValue(line, head.size(), value);
    return line;
}

std::string unescapedText(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            text += next == 'n' || next == 'N' ? '\r' : next;
        } else if (c == '\r' || c == '\n') {
            text += '\r';
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        } else {
            text += c;
        }
    }
    return text;
}

std::string escapedText(std::string_view text, std::string_view separators) {
    std::string value;
    value.reserve(text.size() + 8);
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\r' || c == '\n') {
            value += "\\n";
            if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
                ++at;
            continue;
        }
        if (c == '\\' || separators.find(c) != std::string_view::npos)
            value += '\\';
        value += c;
    }
    return value;
}
