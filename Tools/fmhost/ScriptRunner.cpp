#include "ScriptRunner.h"

#include "CaseFolding.h"

void ScriptRunner::define(const std::string& name, const std::string& text) {
    variables_[foldCase(name)] = fmx::host::Value::text(text);
}

StatementOutcome ScriptRunner::run(const Statement& statement) {
    StatementOutcome outcome;
    ExpressionEvaluator evaluator(variables_, baseDirectory_, statement.localCount, context_);
    const Expression& expression = statement.expression;
    outcome.result = evaluator.evaluate(expression);
    for (const auto& [name, count] : evaluator.calls())
        callCounts_[name] += count;
    outcome.anyCallFailed = evaluator.firstFailure() != 0;
    outcome.error = evaluator.firstFailure();
    if (expression.kind == Expression::Kind::call) {
        // A call's arguments are evaluated before it, so the last code is its own.
        outcome.call = expression.function.name;
        outcome.error = evaluator.lastCode();
    }
    if (statement.variable)
        variables_[foldCase(*statement.variable)] = outcome.result;
    return outcome;
}
