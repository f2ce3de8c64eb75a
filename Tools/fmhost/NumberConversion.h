// Numbers in calculations: how a text reads as a number and a number as a text, as FileMaker
// reads and writes them, and how results of arithmetic are rounded.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <optional>
#include <string>

// FileMaker's GetAsNumber: the digits of the text taken together, other characters skipped
// ("FY98" is 98, "$1,254.50" is 1254.5); the first "." is the decimal point, and a "-" before
// the first digit makes the number negative. None when the text holds no digit.
std::optional<double> numberInText(const std::string& text);

// Whether the whole text is one decimal number ("12", " -1.5 ", ".5"), which then compares with
// a number as a number.
bool isNumberText(const std::string& text);

// The value as a number: numbers as they are, texts by numberInText (0 without digits), empty
// values and containers 0.
double numberOf(const fmx::host::Value& value);

// The shortest decimal text that reads back as the number, without an exponent ("40000",
// "0.0001", "-2.5"); "?" when it is not finite.
std::string numberText(double value);

// The value as a text: a number (or boolean) by numberText, a container its file name.
std::string textOf(const fmx::host::Value& value);

// A result of arithmetic, rounded to 15 significant digits unless it is a whole number, so that
// binary fractions show as the decimals a FileMaker user expects (0.1 + 0.2 is 0.3).
double roundedResult(double value);
