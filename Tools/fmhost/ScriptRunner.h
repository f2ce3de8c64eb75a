// Runs statements against the registered functions, keeping the script's variables.
#pragma once

#include "ExpressionEvaluator.h"
#include "Script.h"

#include <optional>
#include <string>

struct StatementOutcome {
    std::optional<std::string> call; // the statement's function when it is a single call
    // The statement's value; after a failed call, what that call returned.
    fmx::host::Value result;
    fmx::errcode error = 0; // the failed call's code
    // The function that returned a non-zero code: the script saw "?", not `result`.
    std::optional<std::string> failedCall;
    std::optional<std::string> title; // Show Custom Dialog's title

    // What the script saw.
    fmx::host::Value seen() const { return failedCall ? fmx::host::Value::text("?") : result; }
};

class ScriptRunner {
public:
    // Relative File ( ) paths are taken from `baseDirectory` (empty: the working directory);
    // the calls are made in `context` (the host session and file); fields are those of `table`.
    explicit ScriptRunner(std::string baseDirectory, fmx::host::CallContext context = {},
                          const RecordTable* table = nullptr)
        : baseDirectory_(std::move(baseDirectory)), context_(context), table_(table) {}

    // What a script performed by the running one sets aside of it: its local variables and
    // its parameter and last script result.
    struct Frame {
        ScriptVariables locals;
        ScriptValues values;
    };
    // A performed script begins: local variables of its own (the $$variables stay), and
    // `parameter`. The running script's part comes back, to be handed to leaveScript.
    Frame enterScript(fmx::host::Value parameter);
    // Back in the script that performed it, whose Get ( ScriptResult ) is now `result`.
    void leaveScript(Frame caller, fmx::host::Value result);

    // The table whose fields the statements read from now on.
    void useTable(const RecordTable* table) { table_ = table; }

    // Sets the variable $name to a text.
    void define(const std::string& name, const std::string& text);

    // Evaluates the statement and assigns its variable what the script saw: "?" when a call
    // returned a non-zero code, which also ends the evaluation. Throws ScriptError when a file
    // cannot be read.
    StatementOutcome run(const Statement& statement);

    // The registered functions the statements run so far called.
    const CallCounts& callCounts() const { return callCounts_; }

private:
    std::string baseDirectory_;
    fmx::host::CallContext context_;
    const RecordTable* table_;
    ScriptVariables variables_;
    ScriptValues script_;
    CallCounts callCounts_;
};
