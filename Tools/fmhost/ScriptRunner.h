// Runs statements against the registered functions, keeping the script's variables.
#pragma once

#include "ExpressionEvaluator.h"
#include "Script.h"

#include <optional>
#include <string>

struct StatementOutcome {
    std::optional<std::string> call; // the statement's function when it is a single call
    fmx::host::Value result;
    fmx::errcode error = 0;     // the call's code; otherwise the first non-zero code of its calls
    bool anyCallFailed = false; // some call of the statement returned a non-zero code
};

class ScriptRunner {
public:
    // Relative File ( ) paths are taken from `baseDirectory` (empty: the working directory);
    // the calls are made in `context` (the host session and file).
    explicit ScriptRunner(std::string baseDirectory, fmx::host::CallContext context = {})
        : baseDirectory_(std::move(baseDirectory)), context_(context) {}

    // Sets the variable $name to a text.
    void define(const std::string& name, const std::string& text);

    // Evaluates the statement and assigns its variable. Throws ScriptError when a file cannot
    // be read.
    StatementOutcome run(const Statement& statement);

    // The registered functions the statements run so far called.
    const CallCounts& callCounts() const { return callCounts_; }

private:
    std::string baseDirectory_;
    fmx::host::CallContext context_;
    ScriptVariables variables_;
    CallCounts callCounts_;
};
