#include "NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fmxhost {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double numberFromText(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t digitsStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    bool hasDigits = i > digitsStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        hasDigits = hasDigits || i > fractionStart;
    }
    if (!hasDigits)
        return 0;
    // Only the characters checked above reach strtod, which therefore reads them all (in the
    // "C" locale's notation, which this host always uses).
    const std::string number = text.substr(start, i - start);
    const double value = std::strtod(number.c_str(), nullptr);
    return std::isfinite(value) ? value : 0;
}

std::string textFromNumber(double value) {
    if (!std::isfinite(value))
        return "?";
    if (value == 0)
        return "0"; // also for -0
    char text[32];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}

} // namespace fmxhost
