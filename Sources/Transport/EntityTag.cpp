#include "Transport/EntityTag.h"

#include "Utils/VorlixUtils.h"

namespace {

// `text` without its first and last character when it is a quoted string.
bool isQuoted(std::string_view text) {
    return text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
           text.substr(1, text.size() - 2).find('"') == std::string_view::npos;
}

} // namespace

std::string storedEntityTag(std::string_view raw) {
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = raw.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return "";
    raw = raw.substr(first, raw.find_last_not_of(blanks) + 1 - first);
    if (raw.size() > 2 && raw.substr(0, 2) == "W/" && isQuoted(raw.substr(2)))
        return "W/" + std::string(raw.substr(3, raw.size() - 4));
    if (isQuoted(raw)) {
        const std::string_view value = raw.substr(1, raw.size() - 2);
        // A strong tag that would read as a weak one keeps its quotes.
        return value.substr(0, 2) == "W/" ? std::string(raw) : std::string(value);
    }
    std::string stored;
    stored.reserve(raw.size());
    for (const char c : raw)
        if (c != '"')
            stored += c;
    return stored;
}

std::string quotedEntityTag(const std::string& tag) {
    std::string clean;
    for (const char c : tag)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            clean += c;
    if (startswith(clean, "\"") || startswith(clean, "W/\""))
        return clean;
    if (startswith(clean, "W/"))
        return "W/\"" + clean.substr(2) + "\"";
    return "\"" + clean + "\"";
}
