#include "vCard/vCardParameters.h"

#include "Utils/AsciiCase.h"
#include "vCard/vCardItem.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardWords.h"

#include <algorithm>

namespace {

bool isEncodingWord(std::string_view value) {
    return isOneOf(unquoted(value), {"BASE64", "B", "QUOTED-PRINTABLE", "8BIT", "7BIT"});
}

bool isQuotedPrintable(std::string_view name, std::string_view value) {
    return equalsIgnoringAsciiCase(name, "ENCODING") &&
           equalsIgnoringAsciiCase(unquoted(value), "QUOTED-PRINTABLE");
}

// A type word as vCard names types: letters, digits and '-' (iana-token and x-name).
bool isTypeWord(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-';
    });
}

// Appends the pieces of `list` cut at each comma (empty ones left out).
void appendCommaPieces(std::string_view list, std::vector<std::string_view>& values) {
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start)
            values.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
}

// Whether a quoted element is a list of type words: "work,voice".
bool listsTypeWords(std::string_view inside) {
    std::vector<std::string_view> pieces;
    appendCommaPieces(inside, pieces);
    return !pieces.empty() && inside.back() != ',' &&
           std::all_of(pieces.begin(), pieces.end(), isTypeWord);
}

void appendElement(std::string_view element, std::vector<std::string_view>& values) {
    const std::string_view inside = unquoted(element);
    if (inside.size() != element.size() && listsTypeWords(inside))
        appendCommaPieces(inside, values);
    else if (!inside.empty())
        values.push_back(inside);
}

} // namespace

std::string_view parameterName(std::string_view key, std::string_view value) {
    if (!key.empty())
        return key;
    return isEncodingWord(value) ? "ENCODING" : "TYPE";
}

std::string_view parameterName(const RawDataPair& param) {
    return parameterName(param.key, param.value);
}

std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::vector<std::string_view> parameterValues(std::string_view value) {
    std::vector<std::string_view> values;
    bool inQuotes = false;
    std::size_t start = 0;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] == '"')
            inQuotes = !inQuotes;
        else if (value[at] == '\\' && !inQuotes)
            ++at;
        else if (value[at] == ',' && !inQuotes) {
            appendElement(value.substr(start, at - start), values);
            start = at + 1;
        }
    }
    if (start < value.size())
        appendElement(value.substr(start), values);
    return values;
}

std::string typeParameterValue(std::string_view type) {
    return isTypeWord(type) ? std::string(type) : "\"" + std::string(type) + "\"";
}

bool listsType(const std::vector<RawDataPair>& params, std::string_view type) {
    return std::any_of(params.begin(), params.end(), [type](const RawDataPair& param) {
        const std::string_view name = parameterName(param);
        if (equalsIgnoringAsciiCase(name, "PREF"))
            return equalsIgnoringAsciiCase(type, "PREF");
        if (!equalsIgnoringAsciiCase(name, "TYPE"))
            return false;
        if (equalsIgnoringAsciiCase(unquoted(param.value), type))
            return true;
        const std::vector<std::string_view> types = parameterValues(param.value);
        return std::any_of(types.begin(), types.end(), [type](std::string_view listed) {
            return equalsIgnoringAsciiCase(listed, type);
        });
    });
}

bool declaresQuotedPrintable(std::string_view parameters) {
    std::string_view key, value;
    for (ParameterReader reader(parameters); reader.next(key, value);)
        if (isQuotedPrintable(parameterName(key, value), value))
            return true;
    return false;
}

bool declaresQuotedPrintable(const std::vector<RawDataPair>& params) {
    return std::any_of(params.begin(), params.end(), [](const RawDataPair& param) {
        return isQuotedPrintable(parameterName(param), param.value);
    });
}

std::string_view charsetOf(std::string_view parameters) {
    std::string_view key, value;
    for (ParameterReader reader(parameters); reader.next(key, value);)
        if (equalsIgnoringAsciiCase(key, "CHARSET"))
            return unquoted(value);
    return {};
}

bool describesQuotedPrintable(const RawDataPair& param) {
    return isQuotedPrintable(parameterName(param), param.value);
}

bool namesOtherCharsetThanUtf8(const RawDataPair& param) {
    return equalsIgnoringAsciiCase(param.key, "CHARSET") &&
           !isOneOf(unquoted(param.value), {"UTF-8", "UTF8"});
}

bool isBase64Encoding(std::string_view encoding) {
    return isOneOf(unquoted(encoding), {"B", "BASE64"});
}
