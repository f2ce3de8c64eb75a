// Syntax of one logical property line: [group "."] name *(";" parameter) ":" value. A
// parameter is key=value or, in vCard 2.1, a bare value (TEL;CELL). Parameter values may be
// double-quoted, and a quoted value may hold ";", ":" and ",".
#pragma once

#include <cstddef>
#include <string_view>

// Finds the colon that ends the head (name and parameters) of a property line outside quoted
// parameter values. It can be fed the line in pieces, as the pieces of a folded line come.
class HeadScanner {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    // The position in `piece` of the colon that ends the head, or npos when the head goes on
    // past the piece. Once a colon is found the head is complete and nothing more is scanned.
    std::size_t scan(std::string_view piece);

private:
    bool inName = true;
    bool inQuotes = false;
};

struct PropertyLine {
    // Everything before the value's colon: group, name and parameters as written.
    std::string_view head;
    // The name as written, group prefix included (item1.EMAIL).
    std::string_view name;
    // The parameter text after the name's ';', as written; empty when there is none.
    std::string_view parameters;
    std::string_view value;
    // False when every colon after the parameters lies inside quotes (a quote left open): the
    // head then ends at the first colon after the name, quotes or not.
    bool colonOutsideQuotes = true;
};

// The end of the property name at the start of `line`: the position of the first ';' or ':',
// npos when there is none. Runs on every line of every card of a listing: a plain loop, where
// find_first_of would call memchr once per byte.
inline std::size_t nameEnd(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == ';' || line[i] == ':')
            return i;
    return std::string_view::npos;
}

// Whether `name` can begin a property line: not empty, not starting with a blank (the line would
// continue the one before it), without CR or LF (which would end it early) and without the ';'
// and ':' that end a name.
inline bool isPropertyName(std::string_view name) {
    if (name.empty() || name[0] == ' ' || name[0] == '\t')
        return false;
    for (const char c : name)
        if (c == '\r' || c == '\n' || c == ';' || c == ':')
            return false;
    return true;
}

// Splits a logical line into its parts; false when it holds no property: no colon, or no
// property name before the first ';' or ':'. `end` is nameEnd(line), when the caller knows it.
// Inline, like nameEnd: a listing splits the summary's lines of every card.
inline bool splitPropertyLine(std::string_view line, std::size_t end, PropertyLine& parts) {
    if (end == std::string_view::npos || !isPropertyName(line.substr(0, end)))
        return false;
    // A colon right after the name ends the head; only parameters can hold quoted colons.
    std::size_t colon = line[end] == ':' ? end : HeadScanner().scan(line);
    parts.colonOutsideQuotes = colon != HeadScanner::npos;
    if (!parts.colonOutsideQuotes) {
        colon = line.find(':', end);
        if (colon == std::string_view::npos)
            return false;
    }
    parts.head = line.substr(0, colon);
    parts.name = line.substr(0, end);
    parts.parameters = end < colon ? line.substr(end + 1, colon - end - 1) : "";
    parts.value = line.substr(colon + 1);
    return true;
}
inline bool splitPropertyLine(std::string_view line, PropertyLine& parts) {
    return splitPropertyLine(line, nameEnd(line), parts);
}

// Whether a physical line reads as the start of a property as writers make them: a name of
// letters, digits, '-', '_' and '.' (group prefix included), then ';' or ':', and a ':' after it.
// Lines continuing a value after a backslash (Android's vCard 2.1) are told from properties so.
bool looksLikePropertyLine(std::string_view line);
// Whether a parameter key or value keeps the head of a line as written: its double quotes pair
// up and it has no ':' outside them, so the head still ends at the colon after it.
bool staysInHead(std::string_view parameterText);

// The property name without its group: EMAIL for item1.EMAIL, and EMAIL for EMAIL.
inline std::string_view propertyKind(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

// Walks the parameters of a parameter text in order. Parameters are separated by ';' outside
// quotes. A piece without '=' is a bare parameter, handed out with an empty key; empty pieces and
// pieces with nothing before the '=' are skipped. Keys and values are handed out as written,
// quotes included.
class ParameterReader {
public:
    explicit ParameterReader(std::string_view parameters) : rest(parameters) {}

    bool next(std::string_view& key, std::string_view& value);

private:
    std::string_view rest;
};
