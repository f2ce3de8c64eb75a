#include "vCard/vCardPropertyLine.h"

std::size_t HeadScanner::scan(std::string_view piece) {
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const char c = piece[i];
        if (inName) {
            if (c == ':')
                return i;
            if (c == ';')
                inName = false;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ':' && !inQuotes) {
            return i;
        }
    }
    return npos;
}

bool looksLikePropertyLine(std::string_view line) {
    const std::size_t end = nameEnd(line);
    if (end == 0 || end == std::string_view::npos || line.find(':', end) == std::string_view::npos)
        return false;
    for (std::size_t i = 0; i < end; ++i) {
        const char c = line[i];
        const bool nameCharacter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                   (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!nameCharacter)
            return false;
    }
    return true;
}

bool staysInHead(std::string_view parameterText) {
    bool inQuotes = false;
    for (const char c : parameterText) {
        if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ':' && !inQuotes)
            return false;
    }
    return !inQuotes;
}

bool ParameterReader::next(std::string_view& key, std::string_view& value) {
    while (!rest.empty()) {
        bool inQuotes = false;
        std::size_t end = 0;
        for (; end < rest.size() && (inQuotes || rest[end] != ';'); ++end)
            if (rest[end] == '"')
                inQuotes = !inQuotes;
        const std::string_view piece = rest.substr(0, end);
        rest = end < rest.size() ? rest.substr(end + 1) : std::string_view();
        const std::size_t equals = piece.find('=');
        if (piece.empty() || equals == 0)
            continue;
        if (equals == std::string_view::npos) {
            key = {};
            value = piece;
        } else {
            key = piece.substr(0, equals);
            value = piece.substr(equals + 1);
        }
        return true;
    }
    return false;
}
