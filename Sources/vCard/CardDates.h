// Dates of a card (BDAY, ANNIVERSARY, X-ABDATE) in one form whatever the writer: ISO 8601
// YYYY-MM-DD, or --MM-DD for a date without a year.
#pragma once

#include <string>
#include <string_view>

// `value` as YYYY-MM-DD or --MM-DD when it is a date in one of the forms cards hold: 19900615,
// 1990-06-15, --0615, --06-15, or any of them with a time after a T (vCard 4 date-times).
// `omittedYear` is the year a writer puts in for a date without one (Apple's
// X-APPLE-OMIT-YEAR=1604): a date in that year reads as --MM-DD. Empty when `value` is no such
// date (a month or day out of range included).
std::string isoDate(std::string_view value, std::string_view omittedYear = {});

// Whether a script may write `value` as a date: empty (no date), or a date isoDate reads.
bool isWritableDate(std::string_view value);
