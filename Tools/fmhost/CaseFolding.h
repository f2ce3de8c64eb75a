// Letter case as FileMaker ignores it: in function and variable names, in text comparisons and
// in Position and PatternCount. Folds A-Z and the capitals of Latin-1, Latin Extended-A, Greek
// and Cyrillic to small letters; every other character stays as it is. A folded text has the
// same length in bytes as the original, character by character, so that an offset found in the
// folded text is an offset of the original too. Not the C library's tolower, which follows the
// process locale.
#pragma once

#include <string>

std::string foldCase(const std::string& utf8);

// Whether two names are the same, ignoring case.
bool sameName(const std::string& a, const std::string& b);
