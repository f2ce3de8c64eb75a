// Evaluates one statement's expression tree: the host's functions and operators, Let and While
// variables in slots, $variables in the script's map, and calls of registered functions, whose
// codes it keeps.
#pragma once

#include "Script.h"

#include <map>
#include <string>
#include <vector>

// The script's $variables by folded name ($$variables with a leading "$").
using ScriptVariables = std::map<std::string, fmx::host::Value>;
// How many times each registered function was called, by its name.
using CallCounts = std::map<std::string, long>;

class ExpressionEvaluator {
public:
    // FileMaker's limit of iterations of one While; beyond it the While gives "?".
    static constexpr long kMaxIterations = 50000;

    // Relative File ( ) paths are taken from `baseDirectory` (empty: the working directory);
    // calls are made in `context` (the host session and file).
    ExpressionEvaluator(ScriptVariables& variables, const std::string& baseDirectory,
                        std::size_t localCount, fmx::host::CallContext context = {});

    // Throws ScriptError when a file cannot be read.
    fmx::host::Value evaluate(const Expression& expression);

    // The first non-zero code of the calls made so far, and the last call's code.
    fmx::errcode firstFailure() const { return firstFailure_; }
    fmx::errcode lastCode() const { return lastCode_; }
    // The registered functions called so far, however deep in loops.
    const CallCounts& calls() const { return calls_; }

private:
    fmx::host::Value operation(const Expression& expression);
    fmx::host::Value choice(const Expression& expression);
    fmx::host::Value loop(const Expression& expression);
    fmx::host::Value file(const Expression& expression);
    fmx::host::Value call(const Expression& expression);
    std::vector<fmx::host::Value> arguments(const Expression& expression);

    ScriptVariables& variables_;
    const std::string& baseDirectory_;
    fmx::host::CallContext context_;
    std::vector<fmx::host::Value> locals_;
    fmx::errcode firstFailure_ = 0;
    fmx::errcode lastCode_ = 0;
    CallCounts calls_;
};
