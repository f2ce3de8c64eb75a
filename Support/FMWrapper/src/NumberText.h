// The host's conversions between numbers and texts (rules in FMXData.h).
#pragma once

#include <string>

namespace fmxhost {

// The leading decimal number of a UTF-8 text; 0 when there is none.
double numberFromText(const std::string& text);
// The shortest decimal text that reads back as `value`; "?" when it is not finite.
std::string textFromNumber(double value);

} // namespace fmxhost
