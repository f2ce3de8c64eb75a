#include "Engine/GroupStyle.h"

#include "Utils/AsciiCase.h"

namespace {

struct NamedStyle {
    const char* word;
    GroupStyle style;
};

constexpr NamedStyle kStyles[] = {{"cards", GroupStyle::Cards},
                                  {"categories", GroupStyle::Categories},
                                  {"auto", GroupStyle::Auto}};

} // namespace

std::optional<GroupStyle> groupStyleNamed(std::string_view word) {
    for (const NamedStyle& named : kStyles)
        if (equalsIgnoringAsciiCase(word, named.word))
            return named.style;
    return std::nullopt;
}

std::string groupStyleName(GroupStyle style) {
    for (const NamedStyle& named : kStyles)
        if (named.style == style)
            return named.word;
    return "";
}
