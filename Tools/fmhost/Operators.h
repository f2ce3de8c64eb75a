// FileMaker's operators on values: arithmetic on numbers, & on texts, comparisons and logic
// giving 1 or 0. The evaluator decides whether the right side of and and or is needed at all.
#pragma once

#include "Script.h"

// `left op right`. Arithmetic reads texts as numbers
// (numberOf) and gives "?" for a division by zero or a result out of range. Comparisons are
// numeric when both sides are numbers, or one is a number and the other a text that is one;
// otherwise they compare texts, ignoring case.
fmx::host::Value applyOperator(Operator op, const fmx::host::Value& left,
                               const fmx::host::Value& right);

fmx::host::Value negated(const fmx::host::Value& value);

// FileMaker's truth: a number other than 0 (texts read as numbers), a container with content.
bool isTrue(const fmx::host::Value& value);

// 1 or 0, the number a FileMaker test gives.
fmx::host::Value truthValue(bool truth);
