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

// Whether a comma list (or a single value) holds `element`, ignoring case.
bool listHolds(std::string_view list, std::string_view element) {
    for (;;) {
        const std::size_t comma = list.find(',');
        if (equalsIgnoringAsciiCase(list.substr(0, comma), element))
            return true;
        if (comma == std::string_view::npos)
            return false;
        list.remove_prefix(comma + 1);
    }
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

bool listsType(const std::vector<RawDataPair>& params, std::string_view type) {
    return std::any_of(params.begin(), params.end(), [type](const RawDataPair& param) {
        const std::string_view name = parameterName(param);
        if (equalsIgnoringAsciiCase(name, "PREF"))
            return equalsIgnoringAsciiCase(type, "PREF");
        const std::string_view types = unquoted(param.value);
        return equalsIgnoringAsciiCase(name, "TYPE") &&
               (equalsIgnoringAsciiCase(types, type) || listHolds(types, type));
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
