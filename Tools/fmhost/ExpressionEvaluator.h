// Evaluates one statement's expression tree: the host's functions and operators, Let and While
// variables in slots, $variables in the script's map, fields of the record table, and calls of
// registered functions.
#pragma once

#include "RecordTable.h"
#include "Script.h"

#include <map>
#include <string>
#include <vector>

// The script's $variables by folded name ($$variables with a leading "$").
using ScriptVariables = std::map<std::string, fmx::host::Value>;
// How many times each registered function was called, by its name.
using CallCounts = std::map<std::string, long>;

// A registered function returned a non-zero code. FileMaker then evaluates no further: the whole
// calculation gives "?". What the function returned is kept, for the developer's eyes only.
struct FailedCall {
    std::string function;
    fmx::host::Value result;
    fmx::errcode error = 0;
};

// What Get ( ScriptParameter ) and Get ( ScriptResult ) give in the running script.
struct ScriptValues {
    fmx::host::Value parameter;
    fmx::host::Value result;
};

class ExpressionEvaluator {
public:
    // FileMaker's limit of iterations of one While; beyond it the While gives "?".
    static constexpr long kMaxIterations = 50000;

    // Relative File ( ) paths are taken from `baseDirectory` (empty: the working directory);
    // calls are made in `context` (the host session and file). Fields are read from `table`,
    // whose field references the statement's expressions hold resolved (FieldReferences.h).
    ExpressionEvaluator(ScriptVariables& variables, const std::string& baseDirectory,
                        std::size_t localCount, fmx::host::CallContext context = {},
                        const RecordTable* table = nullptr, const ScriptValues* script = nullptr);

    // Throws ScriptError when a file cannot be read, FailedCall when a registered function
    // returns a non-zero code.
    fmx::host::Value evaluate(const Expression& expression);

    // The registered functions called so far, however deep in loops.
    const CallCounts& calls() const { return calls_; }

private:
    fmx::host::Value operation(const Expression& expression);
    fmx::host::Value choice(const Expression& expression);
    fmx::host::Value loop(const Expression& expression);
    fmx::host::Value file(const Expression& expression);
    fmx::host::Value call(const Expression& expression);
    fmx::host::Value fieldNamed(const Expression& expression);
    fmx::host::Value hostGet(const Expression& expression) const;
    std::vector<fmx::host::Value> arguments(const Expression& expression);

    ScriptVariables& variables_;
    const std::string& baseDirectory_;
    fmx::host::CallContext context_;
    const RecordTable* table_;
    const ScriptValues* script_;
    std::vector<fmx::host::Value> locals_;
    CallCounts calls_;
};
