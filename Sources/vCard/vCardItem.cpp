#include "vCard/vCardItem.h"

#include "Utils/VorlixUtils.h"
#include "vCard/vCardText.h"

namespace {

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// A reader takes a line that starts with a blank for the continuation of the line before, and a
// line break would end the line early: such a name cannot start a property line.
bool isWritableName(const std::string& name) {
    return !name.empty() && name[0] != ' ' && name[0] != '\t' && !hasLineBreak(name);
}

std::vector<RawDataPair> writableParams(const std::vector<RawDataPair>& params) {
    std::vector<RawDataPair> writable;
    for (const RawDataPair& param : params)
        if (!hasLineBreak(param.key) && !hasLineBreak(param.value))
            writable.push_back(param);
    return writable;
}

} // namespace

std::vector<std::string> BasevCardItem::getRawValues(char separator) const {
    return splitUnescaped(value, separator);
}

std::string BasevCardItem::getTypeValue(const std::string& paramName) const {
    for (const RawDataPair& param : params)
        if (str_cmp(param.key, paramName))
            return param.value;
    return "";
}

void BasevCardItem::setTypeValue(const std::string& paramName, std::string newValue) {
    const std::string key = toUpperAscii(paramName);
    for (RawDataPair& param : params) {
        if (str_cmp(param.key, key)) {
            param.value = std::move(newValue);
            return;
        }
    }
    params.push_back({key, std::move(newValue)});
}

vCardItem::vCardItem(std::string propertyName, std::string propertyValue) {
    name = std::move(propertyName);
    value = std::move(propertyValue);
}

std::string vCardItem::get(std::string component) const {
    if (component.empty() || innervalues.empty())
        return value;
    const auto found = innervalues.find(toLowerAscii(std::move(component)));
    return found == innervalues.end() ? "" : found->second;
}

void vCardItem::set(std::string newValue, std::string component) {
    if (component.empty() || innernames.empty()) {
        value = std::move(newValue);
        return;
    }
    component = toLowerAscii(std::move(component));
    std::string joined;
    for (std::size_t i = 0; i < innernames.size(); ++i) {
        std::string& part = innervalues[innernames[i]];
        if (innernames[i] == component)
            part = escapeValue(newValue, ";,", LineBreaks::Keep);
        joined += part;
        if (i + 1 < innernames.size())
            joined += ';';
    }
    value = std::move(joined);
}

void vCardItem::setinnervalues(std::vector<std::string> names) {
    innernames = std::move(names);
    const std::vector<std::string> pieces = getRawValues(';');
    for (std::size_t i = 0; i < innernames.size(); ++i)
        innervalues[innernames[i]] = i < pieces.size() ? pieces[i] : "";
}

std::string vCardItem::toString() {
    if (value.empty() || !isWritableName(name))
        return "";
    std::string head = name;
    bool leftOut = false;
    for (RawDataPair& param : params) {
        param.key = toUpperAscii(std::move(param.key));
        param.value = toUpperAscii(std::move(param.value));
        // A line break cannot be written inside a parameter; such a parameter is left out
        // rather than breaking the line (and the property) in two.
        if (hasLineBreak(param.key) || hasLineBreak(param.value)) {
            leftOut = true;
            continue;
        }
        head += ';';
        head += param.key;
        head += '=';
        head += param.value;
    }
    head += ':';
    const std::string separators =
        escapedSeparators(name, leftOut ? writableParams(params) : params);
    std::string line = foldLine(head, escapeValue(value, separators, LineBreaks::Escape));
    // A property that reads as the end of the card would cut off everything after it.
    if (str_cmp(line, "END:VCARD"))
        return "";
    return line;
}
