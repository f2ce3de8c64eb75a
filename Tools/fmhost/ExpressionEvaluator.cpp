#include "ExpressionEvaluator.h"

#include "BuiltInFunctions.h"
#include "ContainerFile.h"
#include "NumberConversion.h"
#include "Operators.h"

#include <filesystem>

using fmx::host::Value;

ExpressionEvaluator::ExpressionEvaluator(ScriptVariables& variables,
                                         const std::string& baseDirectory, std::size_t localCount,
                                         fmx::host::CallContext context, const RecordTable* table,
                                         const ScriptValues* script)
    : variables_(variables), baseDirectory_(baseDirectory), context_(context), table_(table),
      script_(script), locals_(localCount) {}

Value ExpressionEvaluator::evaluate(const Expression& expression) {
    const std::vector<Expression>& operands = expression.operands;
    switch (expression.kind) {
    case Expression::Kind::literal:
        return expression.literal;
    case Expression::Kind::variable: {
        const auto it = variables_.find(expression.name);
        return it == variables_.end() ? Value() : it->second;
    }
    case Expression::Kind::local:
        return locals_[expression.slot];
    case Expression::Kind::field:
        return table_->get(expression.slot);
    case Expression::Kind::fieldByName:
        return fieldNamed(expression);
    case Expression::Kind::hostGet:
        return hostGet(expression);
    case Expression::Kind::call:
        return call(expression);
    case Expression::Kind::builtIn:
        return expression.builtIn->apply(arguments(expression));
    case Expression::Kind::fileOf:
        return file(expression);
    case Expression::Kind::negation:
        return negated(evaluate(operands[0]));
    case Expression::Kind::logicalNot:
        return truthValue(!isTrue(evaluate(operands[0])));
    case Expression::Kind::operation:
        return operation(expression);
    case Expression::Kind::ifThen:
    case Expression::Kind::caseOf:
        return choice(expression);
    case Expression::Kind::assignVariable:
        variables_[expression.name] = evaluate(operands[0]);
        return Value();
    case Expression::Kind::assignLocal:
        locals_[expression.slot] = evaluate(operands[0]);
        return Value();
    case Expression::Kind::sequence:
        for (const Expression& operand : operands)
            evaluate(operand);
        return Value();
    case Expression::Kind::let:
        evaluate(operands[0]);
        return evaluate(operands[1]);
    case Expression::Kind::loop:
        return loop(expression);
    }
    return Value();
}

// Left to right; the right side of "and" and "or" only when the left does not decide.
Value ExpressionEvaluator::operation(const Expression& expression) {
    Value result = evaluate(expression.operands[0]);
    for (std::size_t i = 0; i < expression.operators.size(); ++i) {
        const Operator op = expression.operators[i];
        if ((op == Operator::logicalAnd && !isTrue(result)) ||
            (op == Operator::logicalOr && isTrue(result)))
            result = truthValue(op == Operator::logicalOr);
        else
            result = applyOperator(op, result, evaluate(expression.operands[i + 1]));
    }
    return result;
}

// If ( test ; then {; else} ) and Case ( test ; result ... {; default} ): only the tests up to
// the first true one and its result are evaluated; without a default, an empty text.
Value ExpressionEvaluator::choice(const Expression& expression) {
    const std::vector<Expression>& operands = expression.operands;
    std::size_t i = 0;
    for (; i + 1 < operands.size(); i += 2) {
        if (isTrue(evaluate(operands[i])))
            return evaluate(operands[i + 1]);
    }
    return i < operands.size() ? evaluate(operands[i]) : Value::text("");
}

Value ExpressionEvaluator::loop(const Expression& expression) {
    const std::vector<Expression>& operands = expression.operands;
    for (std::size_t slot : expression.slotsToEmpty)
        locals_[slot] = Value();
    evaluate(operands[0]);
    for (long iterations = 0; isTrue(evaluate(operands[1])); ++iterations) {
        if (iterations == kMaxIterations)
            return Value::text("?");
        evaluate(operands[2]);
    }
    return evaluate(operands[3]);
}

Value ExpressionEvaluator::file(const Expression& expression) {
    // Scripts are UTF-8; u8path keeps the path so on Windows too.
    std::filesystem::path path = std::filesystem::u8path(textOf(evaluate(expression.operands[0])));
    if (path.is_relative() && !baseDirectory_.empty())
        path = std::filesystem::path(baseDirectory_) / path;
    try {
        return containerFromFile(path.u8string());
    } catch (const std::runtime_error& error) {
        throw ScriptError(expression.position, error.what());
    }
}

Value ExpressionEvaluator::call(const Expression& expression) {
    fmx::host::CallResult result =
        fmx::host::callFunction(expression.function, arguments(expression), context_);
    ++calls_[expression.function.name];
    if (result.error != 0)
        throw FailedCall{expression.function.name, std::move(result.value), result.error};
    return result.value;
}

// GetField ( "Contacts::Name" ): FileMaker's "?" for a field the table does not have.
Value ExpressionEvaluator::fieldNamed(const Expression& expression) {
    const std::string name = textOf(evaluate(expression.operands[0]));
    const auto field = table_ ? table_->fieldIndex(name) : std::nullopt;
    return field ? table_->get(*field) : Value::text("?");
}

Value ExpressionEvaluator::hostGet(const Expression& expression) const {
    if (expression.name == "scriptparameter" || expression.name == "scriptresult") {
        if (!script_)
            return Value::text("");
        return expression.name == "scriptparameter" ? script_->parameter : script_->result;
    }
    if (!table_)
        return Value::number(0);
    return Value::number(static_cast<double>(
        expression.name == "foundcount" ? table_->foundCount() : table_->recordNumber()));
}

std::vector<Value> ExpressionEvaluator::arguments(const Expression& expression) {
    std::vector<Value> values;
    values.reserve(expression.operands.size());
    for (const Expression& operand : expression.operands)
        values.push_back(evaluate(operand));
    return values;
}
