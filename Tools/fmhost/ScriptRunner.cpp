#include "ScriptRunner.h"

#include "ContainerFile.h"

#include <cmath>
#include <filesystem>

namespace {

// The n-th (from 1) value of a list whose values are separated by carriage returns, as
// FileMaker's GetValue gives it; empty when there is no such value.
std::string valueOf(const std::string& list, double n) {
    if (!(n >= 1))
        return "";
    std::size_t start = 0;
    for (double index = 1; index < std::trunc(n); ++index) {
        start = list.find('\r', start);
        if (start == std::string::npos)
            return "";
        ++start;
    }
    const std::size_t end = list.find('\r', start);
    return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

} // namespace

void ScriptRunner::define(const std::string& name, const std::string& text) {
    variables_[name] = fmx::host::Value::text(text);
}

StatementOutcome ScriptRunner::run(const Statement& statement) {
    StatementOutcome outcome;
    CallCodes codes;
    const Expression& expression = statement.expression;
    outcome.result = evaluate(expression, codes);
    outcome.anyCallFailed = codes.firstFailure != 0;
    outcome.error = codes.firstFailure;
    if (expression.kind == Expression::Kind::call) {
        // A call's arguments are evaluated before it, so the last code is its own.
        outcome.call = expression.function.name;
        outcome.error = codes.last;
    }
    if (statement.variable)
        variables_[*statement.variable] = outcome.result;
    return outcome;
}

fmx::host::Value ScriptRunner::evaluate(const Expression& expression, CallCodes& codes) {
    switch (expression.kind) {
    case Expression::Kind::literal:
        return expression.literal;
    case Expression::Kind::variable: {
        auto it = variables_.find(expression.name);
        return it == variables_.end() ? fmx::host::Value() : it->second;
    }
    case Expression::Kind::concatenation: {
        std::string text;
        for (const Expression& part : expression.operands)
            text += evaluate(part, codes).asText();
        return fmx::host::Value::text(std::move(text));
    }
    case Expression::Kind::characterOf: {
        const double code = std::trunc(evaluate(expression.operands[0], codes).asNumber());
        return fmx::host::Value::text(code >= 1 && code <= 0x10FFFF
                                          ? fmx::host::characterText(static_cast<char32_t>(code))
                                          : "");
    }
    case Expression::Kind::valueOf: {
        const std::string list = evaluate(expression.operands[0], codes).asText();
        return fmx::host::Value::text(
            valueOf(list, evaluate(expression.operands[1], codes).asNumber()));
    }
    case Expression::Kind::substitution: {
        std::string text = evaluate(expression.operands[0], codes).asText();
        const std::string search = evaluate(expression.operands[1], codes).asText();
        const std::string replacement = evaluate(expression.operands[2], codes).asText();
        if (search.empty())
            return fmx::host::Value::text(std::move(text));
        std::string replaced;
        std::size_t from = 0;
        for (std::size_t at; (at = text.find(search, from)) != std::string::npos;
             from = at + search.size())
            replaced.append(text, from, at - from).append(replacement);
        return fmx::host::Value::text(replaced.append(text, from, std::string::npos));
    }
    case Expression::Kind::fileOf: {
        std::filesystem::path path = evaluate(expression.operands[0], codes).asText();
        if (path.is_relative() && !baseDirectory_.empty())
            path = std::filesystem::path(baseDirectory_) / path;
        try {
            return containerFromFile(path.string());
        } catch (const std::runtime_error& error) {
            throw ScriptError(expression.position, error.what());
        }
    }
    case Expression::Kind::call:
        break;
    }
    std::vector<fmx::host::Value> args;
    for (const Expression& argument : expression.operands)
        args.push_back(evaluate(argument, codes));
    const fmx::host::CallResult result = fmx::host::callFunction(expression.function, args);
    codes.last = result.error;
    if (codes.firstFailure == 0)
        codes.firstFailure = result.error;
    return result.value;
}
