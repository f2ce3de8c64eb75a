#include "NumberConversion.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<double> numberInText(const std::string& text) {
    std::string number;
    bool negative = false;
    bool point = false;
    bool digits = false;
    for (char c : text) {
        if (isDigit(c)) {
            number += c;
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
            number += c;
        } else if (c == '-' && !digits) {
            negative = true;
        }
    }
    if (!digits)
        return std::nullopt;
    // Only digits and one "." reach strtod, in the "C" locale's notation this host keeps.
    const double value = std::strtod(number.c_str(), nullptr);
    return negative ? -value : value;
}

bool isNumberText(const std::string& text) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return false;
    if (text[i] == '-' || text[i] == '+')
        ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i)
            ++digits;
    return digits > 0 && text.find_first_not_of(' ', i) == std::string::npos;
}

double numberOf(const fmx::host::Value& value) {
    switch (value.type()) {
    case fmx::host::ValueType::number:
    case fmx::host::ValueType::boolean:
        return value.asNumber();
    case fmx::host::ValueType::text:
        return numberInText(value.asText()).value_or(0);
    case fmx::host::ValueType::container:
    case fmx::host::ValueType::none:
        break;
    }
    return 0;
}

std::string numberText(double value) {
    if (!std::isfinite(value))
        return "?";
    if (value == 0)
        return "0"; // also for -0
    // The fewest significant digits that read back as the value, as "-d.ddde+XX".
    char scientific[40];
    for (int precision = 0; precision <= 16; ++precision) {
        std::snprintf(scientific, sizeof scientific, "%.*e", precision, value);
        if (std::strtod(scientific, nullptr) == value)
            break;
    }
    const std::string form = scientific;
    const std::size_t e = form.find('e');
    const int exponent = std::atoi(form.c_str() + e + 1);
    std::string digits;
    for (std::size_t i = 0; i < e; ++i) {
        if (isDigit(form[i]))
            digits += form[i];
    }
    std::string text = value < 0 ? "-" : "";
    if (exponent < 0) {
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (static_cast<std::size_t>(exponent) + 1 >= digits.size()) {
        text += digits + std::string(static_cast<std::size_t>(exponent) + 1 - digits.size(), '0');
    } else {
        text += digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
    }
    return text;
}

std::string textOf(const fmx::host::Value& value) {
    if (value.type() == fmx::host::ValueType::number ||
        value.type() == fmx::host::ValueType::boolean)
        return numberText(value.asNumber());
    return value.asText();
}

double roundedResult(double value) {
    if (!std::isfinite(value) || std::trunc(value) == value)
        return value;
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::strtod(text, nullptr);
}
