// FileMaker's text and list functions on UTF-8 texts. Positions and lengths count characters
// (code points) from 1, as FileMaker counts them; a list's values are separated by carriage
// returns.
#pragma once

#include <string>
#include <vector>

std::size_t characterCount(const std::string& text);
// Left, Right and Middle: at most `count` characters; none for a count below 1. Middle starts at
// character `start` (1 when below).
std::string leftCharacters(const std::string& text, double count);
std::string rightCharacters(const std::string& text, double count);
std::string middleCharacters(const std::string& text, double start, double count);

// Position: where the `occurrence`-th match of `search` begins, ignoring case, looking forward
// from character `start`, or backward from it for a negative occurrence; 0 when there is none.
// Matches may overlap, as in PatternCount, which counts every match ignoring case.
double positionOf(const std::string& text, const std::string& search, double start,
                  double occurrence);
double patternCount(const std::string& text, const std::string& search);

// Every occurrence of `search` replaced (case counts); the text as it is for an empty search.
std::string substitute(const std::string& text, const std::string& search,
                       const std::string& replacement);

// ValueCount: "" has none, and a last carriage return ends the last value without adding one.
double valueCount(const std::string& list);
// GetValue: the n-th value, empty when there is no such value.
std::string valueOf(const std::string& list, double n);
// List: the values that are not empty, one per line.
std::string listOf(const std::vector<std::string>& values);
// SortValues ( values ): the values in text order, ignoring case (then byte by byte), each
// followed by a carriage return, as FileMaker gives them.
std::string sortedValues(const std::string& list);
