#include "vCard/vCardItem.h"

#include "vCard/vCardEncoding.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardText.h"
#include "vCard/vCardWords.h"

#include <algorithm>
#include <string_view>

namespace {

bool hasLineBreak(std::string_view text) {
    return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

// Whether a value as read holds a CR that the line reader did not put there: the only ones it
// puts into a value are those of the lines it joins, each before an LF.
bool holdsStrayCr(std::string_view value) {
    for (std::size_t at = value.find('\r'); at != std::string_view::npos;
         at = value.find('\r', at + 1))
        if (at + 1 == value.size() || value[at + 1] != '\n')
            return true;
    return false;
}

// Appends a value holding lines the reader joined, as it came. A joined line was read without
// its folds, and may now read as the card's BEGIN:VCARD or END:VCARD line (which no value
// holds), or, after a backslash, as a property line of its own: it is folded again before its
// colon, so that it is joined when read back.
void appendJoinedValue(std::string& out, std::string_view value) {
    for (std::size_t from = 0;;) {
        const std::size_t lineEnd = value.find("\r\n", from);
        const std::string_view line = value.substr(from, lineEnd - from);
        if (from > 0 && (isCardBegin(line) || isCardEnd(line) ||
                         (value[from - 3] == '\\' && looksLikePropertyLine(line)))) {
            const std::size_t colon = line.find(':');
            out.append(line.substr(0, colon)).append("\r\n ").append(line.substr(colon));
        } else {
            out.append(line);
        }
        if (lineEnd == std::string_view::npos)
            return;
        out.append("\r\n");
        from = lineEnd + 2;
    }
}

// Whether a parameter goes into a rewritten line. A line break cannot be written inside a
// parameter, nor a quote left open or a bare ':' (the head would end elsewhere when read back);
// such a parameter is left out rather than breaking the line (and the property) in two. A
// value that was quoted-printable is written as plain text, without its ENCODING; a rewritten
// value is UTF-8, so a CHARSET read with the line stays only where it names UTF-8.
bool isWritten(const RawDataPair& param, bool asPlainText, bool madeInMemory) {
    return !hasLineBreak(param.key) && !hasLineBreak(param.value) && staysInHead(param.key) &&
           staysInHead(param.value) && !(asPlainText && describesQuotedPrintable(param)) &&
           (madeInMemory || !namesOtherCharsetThanUtf8(param));
}

} // namespace

bool BasevCardItem::isOfKind(std::string_view kind) const {
    return equalsIgnoringAsciiCase(propertyKind(name), kind);
}

std::vector<std::string> BasevCardItem::getRawValues(char separator) const {
    return splitUnescaped(value, separator);
}

std::string BasevCardItem::getTypeValue(const std::string& paramName) const {
    for (const RawDataPair& param : params)
        if (equalsIgnoringAsciiCase(parameterName(param), paramName))
            return param.value;
    return "";
}

void BasevCardItem::setTypeValue(const std::string& paramName, std::string newValue) {
    const std::string key = toUpperAscii(paramName);
    for (RawDataPair& param : params) {
        if (!equalsIgnoringAsciiCase(parameterName(param), key))
            continue;
        if (param.value == newValue)
            return;
        param.value = std::move(newValue);
        if (param.key.empty() &&
            (param.value.empty() || !equalsIgnoringAsciiCase(parameterName(param), key)))
            param.key = key;
        changed = true;
        return;
    }
    params.push_back({key, std::move(newValue)});
    changed = true;
}

vCardItem::vCardItem(std::string propertyName, std::string propertyValue) {
    name = std::move(propertyName);
    value = std::move(propertyValue);
}

vCardItem::vCardItem(const PropertyLine& line) {
    name = toUpperAscii(std::string(line.name));
    std::string_view key, paramValue;
    for (ParameterReader reader(line.parameters); reader.next(key, paramValue);)
        params.push_back({std::string(key), std::string(paramValue)});
    receivedHead = line.head;
    const bool quotedPrintable = holdsQuotedPrintable(line);
    // Most values are plain ASCII on one line: the value as written, without decoding.
    const bool asWritten = !quotedPrintable && isAsciiOnOneLine(line.value);
    value = asWritten ? std::string(line.value) : decodedValue(line);
    if (!asWritten && (quotedPrintable || value != line.value)) {
        receivedValue = line.value;
        // A soft line break at the end of the value (before END:VCARD) is written with the
        // empty line it breaks onto, so that no line written after it joins the value.
        if (quotedPrintable && !receivedValue.empty() && receivedValue.back() == '=')
            receivedValue += "\r\n";
    }
    changed = hasLineBreak(line.head) || holdsStrayCr(line.value);
}

vCardItem vCardItem::verbatim(std::string lines) {
    vCardItem item;
    item.value = std::move(lines);
    item.keptVerbatim = true;
    return item;
}

std::string vCardItem::get(std::string component) const {
    if (component.empty() || innervalues.empty())
        return value;
    const auto found = innervalues.find(toLowerAscii(std::move(component)));
    return found == innervalues.end() ? "" : found->second;
}

void vCardItem::set(std::string newValue, std::string component) {
    if (!component.empty() && !innernames.empty()) {
        component = toLowerAscii(std::move(component));
        std::string part = escapeValue(newValue, ";,", LineBreaks::Keep);
        // A component of a line as read, given the text it holds, leaves the line as it was.
        const auto current = innervalues.find(component);
        if (unchanged() && current != innervalues.end() && current->second == part)
            return;
        std::string joined;
        for (std::size_t i = 0; i < innernames.size(); ++i) {
            std::string& text = innervalues[innernames[i]];
            if (innernames[i] == component)
                text = part;
            joined += text;
            if (i + 1 < innernames.size())
                joined += ';';
        }
        newValue = std::move(joined);
    }
    if (newValue == value)
        return;
    value = std::move(newValue);
    changed = true;
}

void vCardItem::setinnervalues(std::vector<std::string> names) {
    innernames = std::move(names);
    const std::vector<std::string> pieces = getRawValues(';');
    for (std::size_t i = 0; i < innernames.size(); ++i)
        innervalues[innernames[i]] = i < pieces.size() ? pieces[i] : "";
}

std::string vCardItem::toString() {
    std::string line;
    appendTo(line);
    return line;
}

bool vCardItem::appendTo(std::string& out) {
    const std::size_t start = out.size();
    if (keptVerbatim) {
        if (value.empty())
            return false;
        out += value;
    } else if (unchanged()) {
        out += receivedHead;
        out += ':';
        if (receivedValue.empty())
            appendFoldedValue(out, receivedHead.size() + 1, value);
        else if (holdsJoinedLines(receivedValue) || declaresQuotedPrintable(params))
            appendJoinedValue(out, receivedValue);
        else
            appendFoldedValue(out, receivedHead.size() + 1, receivedValue);
    } else {
        if (value.empty() || !isPropertyName(writtenName()))
            return false;
        appendRewritten(out);
    }
    // A property that reads as the end of the card would cut off everything after it, one that
    // reads as the start of a nested card would take in everything after it.
    const std::string_view written = std::string_view(out).substr(start);
    if (isCardEnd(written) || isCardBegin(written)) {
        out.resize(start);
        return false;
    }
    return true;
}

std::string_view vCardItem::writtenName() const {
    const std::string_view asRead =
        std::string_view(receivedHead).substr(0, receivedHead.find(';'));
    return !asRead.empty() && equalsIgnoringAsciiCase(asRead, name) ? asRead : name;
}

void vCardItem::appendRewritten(std::string& out) {
    const std::size_t start = out.size();
    const bool madeInMemory = receivedHead.empty();
    const bool asPlainText = declaresQuotedPrintable(params);
    out += writtenName();
    bool leftOut = false;
    for (RawDataPair& param : params) {
        if (madeInMemory) {
            param.key = toUpperAscii(std::move(param.key));
            param.value = toUpperAscii(std::move(param.value));
        }
        if (!isWritten(param, asPlainText, madeInMemory)) {
            leftOut = true;
            continue;
        }
        out += ';';
        if (!param.key.empty())
            out.append(param.key).append(1, '=');
        out += param.value;
    }
    out += ':';
    std::vector<RawDataPair> written;
    if (leftOut)
        std::copy_if(
            params.begin(), params.end(), std::back_inserter(written),
            [&](const RawDataPair& param) { return isWritten(param, asPlainText, madeInMemory); });
    appendFoldedValue(out, out.size() - start,
                      escapedValue(name, leftOut ? written : params, value));
}
