#include "Transport/EntityTag.h"

#include "Utils/VorlixUtils.h"

std::string storedEntityTag(std::string_view raw) {
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = raw.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return "";
    raw = raw.substr(first, raw.find_last_not_of(blanks) + 1 - first);
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
