#include "vCard/CardDates.h"

#include <algorithm>
#include <cctype>

namespace {

bool allDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// "MMDD" or "MM-DD" as "MM-DD"; empty when it is neither or out of range.
std::string monthAndDay(std::string_view text) {
    if (text.size() == 5 && text[2] == '-')
        return monthAndDay(std::string(text.substr(0, 2)) + std::string(text.substr(3)));
    if (text.size() != 4 || !allDigits(text))
        return "";
    const int month = (text[0] - '0') * 10 + (text[1] - '0');
    const int day = (text[2] - '0') * 10 + (text[3] - '0');
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return "";
    return std::string(text.substr(0, 2)) + "-" + std::string(text.substr(2));
}

} // namespace

std::string isoDate(std::string_view value, std::string_view omittedYear) {
    const std::string_view date = value.substr(0, value.find_first_of("Tt"));
    std::string year;
    std::string rest;
    if (date.size() > 2 && date.substr(0, 2) == "--") {
        rest = monthAndDay(date.substr(2));
    } else if (date.size() >= 8 && allDigits(date.substr(0, 4))) {
        year = date.substr(0, 4);
        const std::string_view tail = date.substr(4);
        rest = tail.size() == 6 && tail[0] == '-' ? monthAndDay(tail.substr(1)) : monthAndDay(tail);
    }
    if (rest.empty())
        return "";
    if (year.empty() || (!omittedYear.empty() && year == omittedYear))
        return "--" + rest;
    return year + "-" + rest;
}

bool isWritableDate(std::string_view value) {
    return value.empty() || !isoDate(value).empty();
}
