#include "Operators.h"

#include "CaseFolding.h"
#include "NumberConversion.h"

#include <cmath>

using fmx::host::Value;
using fmx::host::ValueType;

namespace {

bool isNumeric(const Value& value) {
    return value.type() == ValueType::number || value.type() == ValueType::boolean;
}

bool comparesAsNumber(const Value& value, const Value& other) {
    return isNumeric(value) ||
           (isNumeric(other) && value.type() == ValueType::text && isNumberText(value.asText()));
}

// Below 0, 0 or above 0 as `left` sorts before, with or after `right`.
int compare(const Value& left, const Value& right) {
    if (comparesAsNumber(left, right) && comparesAsNumber(right, left)) {
        const double a = numberOf(left);
        const double b = numberOf(right);
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    return foldCase(textOf(left)).compare(foldCase(textOf(right)));
}

Value arithmetic(double result) {
    return std::isfinite(result) ? Value::number(roundedResult(result)) : Value::text("?");
}

} // namespace

Value applyOperator(Operator op, const Value& left, const Value& right) {
    switch (op) {
    case Operator::add:
        return arithmetic(numberOf(left) + numberOf(right));
    case Operator::subtract:
        return arithmetic(numberOf(left) - numberOf(right));
    case Operator::multiply:
        return arithmetic(numberOf(left) * numberOf(right));
    case Operator::divide: {
        const double divisor = numberOf(right);
        return divisor == 0 ? Value::text("?") : arithmetic(numberOf(left) / divisor);
    }
    case Operator::concatenate:
        return Value::text(textOf(left) + textOf(right));
    case Operator::equal:
        return truthValue(compare(left, right) == 0);
    case Operator::notEqual:
        return truthValue(compare(left, right) != 0);
    case Operator::less:
        return truthValue(compare(left, right) < 0);
    case Operator::lessOrEqual:
        return truthValue(compare(left, right) <= 0);
    case Operator::greater:
        return truthValue(compare(left, right) > 0);
    case Operator::greaterOrEqual:
        return truthValue(compare(left, right) >= 0);
    case Operator::logicalAnd:
        return truthValue(isTrue(left) && isTrue(right));
    case Operator::logicalOr:
        return truthValue(isTrue(left) || isTrue(right));
    case Operator::logicalXor:
        break;
    }
    return truthValue(isTrue(left) != isTrue(right));
}

Value negated(const Value& value) {
    return arithmetic(-numberOf(value));
}

bool isTrue(const Value& value) {
    if (value.type() == ValueType::container)
        return !value.streams().empty();
    return numberOf(value) != 0;
}

Value truthValue(bool truth) {
    return Value::number(truth ? 1 : 0);
}
