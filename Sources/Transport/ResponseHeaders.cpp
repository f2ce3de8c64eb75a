#include "Transport/ResponseHeaders.h"

#include "Utils/AsciiCase.h"

namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

// Calls `take` with each line of `headers` (its line end removed), in order.
template <class Take> void eachLine(std::string_view headers, Take&& take) {
    while (!headers.empty()) {
        const std::size_t end = headers.find('\n');
        std::string_view line = headers.substr(0, end);
        headers.remove_prefix(end == std::string_view::npos ? headers.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        take(line);
    }
}

bool isStatusLine(std::string_view line) {
    return startsWithIgnoringAsciiCase(line, "HTTP/");
}

} // namespace

std::string finalHeader(std::string_view headers, std::string_view name) {
    std::string_view value;
    bool found = false;
    eachLine(headers, [&](std::string_view line) {
        if (isStatusLine(line)) {
            value = {};
            found = false;
        } else if (!found && line.size() > name.size() && line[name.size()] == ':' &&
                   startsWithIgnoringAsciiCase(line, name)) {
            value = line.substr(name.size() + 1);
            found = true;
        }
    });
    return std::string(trimmed(value));
}

std::string finalReasonPhrase(std::string_view headers) {
    std::string_view phrase;
    eachLine(headers, [&](std::string_view line) {
        if (!isStatusLine(line))
            return;
        const std::size_t code = line.find(' ');
        const std::size_t text = code == std::string_view::npos ? code : line.find(' ', code + 1);
        phrase = text == std::string_view::npos ? std::string_view() : line.substr(text + 1);
    });
    return std::string(trimmed(phrase));
}
