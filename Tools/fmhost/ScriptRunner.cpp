#include "ScriptRunner.h"

#include "CaseFolding.h"

void ScriptRunner::define(const std::string& name, const std::string& text) {
    variables_[foldCase(name)] = fmx::host::Value::text(text);
}

StatementOutcome ScriptRunner::run(const Statement& statement) {
    StatementOutcome outcome;
    ExpressionEvaluator evaluator(variables_, baseDirectory_, statement.localCount, context_,
                                  table_, &script_);
    const Expression& expression = statement.expression;
    if (expression.kind == Expression::Kind::call)
        outcome.call = expression.function.name;
    try {
        outcome.result = evaluator.evaluate(expression);
    } catch (FailedCall& failure) {
        outcome.result = std::move(failure.result);
        outcome.error = failure.error;
        outcome.failedCall = std::move(failure.function);
    }
    for (const auto& [name, count] : evaluator.calls())
        callCounts_[name] += count;
    if (statement.variable)
        variables_[foldCase(*statement.variable)] = outcome.seen();
    return outcome;
}

// $$variables are kept under a name beginning with "$", local ones without.
ScriptRunner::Frame ScriptRunner::enterScript(fmx::host::Value parameter) {
    Frame caller;
    for (auto variable = variables_.begin(); variable != variables_.end();) {
        if (variable->first.compare(0, 1, "$") == 0) {
            ++variable;
        } else {
            caller.locals.insert(*variable);
            variable = variables_.erase(variable);
        }
    }
    caller.values = std::move(script_);
    script_ = {std::move(parameter), fmx::host::Value()};
    return caller;
}

void ScriptRunner::leaveScript(Frame caller, fmx::host::Value result) {
    for (auto variable = variables_.begin(); variable != variables_.end();) {
        if (variable->first.compare(0, 1, "$") == 0)
            ++variable;
        else
            variable = variables_.erase(variable);
    }
    variables_.merge(caller.locals);
    script_ = std::move(caller.values);
    script_.result = std::move(result);
}
