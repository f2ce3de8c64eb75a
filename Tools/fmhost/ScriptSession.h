// Runs fmhost scripts (whole files, or statement by statement at the interactive prompt) against
// the functions registered with the host, and reports each statement's outcome.
#pragma once

#include "ScriptRunner.h"

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

// fmhost's exit codes.
enum : int {
    kExitOk = 0,
    kExitScriptError = 1, // syntax error, unknown function, unreadable file, bad usage
    kExitCallFailed = 2,  // --strict: a call returned a non-zero error code
    kExitPluginError = 3  // the plug-in is missing, has no entry point, or refused init
};

struct RunOptions {
    bool json = false;
    bool strict = false;
    // --count-calls: after the script, how many calls of each registered function it made.
    bool countCalls = false;
    std::string saveDirectory; // --save-containers; empty: do not save
    std::string scriptName = "<stdin>";
    std::string baseDirectory; // for relative File ( ) paths
    // Text variables defined before the first statement (--set).
    std::vector<std::pair<std::string, std::string>> variables;
    // The host session the calls belong to (--session).
    fmx::ptrtype session = 0;
};

class ScriptSession {
public:
    ScriptSession(RunOptions options, std::ostream& out, std::ostream& err);

    // Checks the whole script, then runs it; the exit code.
    int runScript(const std::string& script);
    // Reads statements from `in` with a prompt, runs each when complete, and goes on after
    // errors; the exit code (kExitCallFailed when --strict stopped it).
    int runInteractive(std::istream& in);

private:
    // kExitOk, kExitCallFailed (--strict) or kExitScriptError (a file could not be read).
    int runStatements(const std::vector<Statement>& statements);
    void report(const ScriptError& error);
    void reportCallCounts();
    void saveContainer(const Statement& statement, const fmx::host::Value& result);

    RunOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    ScriptRunner runner_;
    bool firstBlock_ = true;
};

// Every registered function: prototype, minimum and maximum argument count, flags in hex.
void listFunctions(std::ostream& out);
