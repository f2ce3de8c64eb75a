// Runs fmhost scripts (whole files of calculations or of script steps, or calculation by
// calculation at the interactive prompt) against the functions registered with the host, on the
// record table when one is given, and reports each statement's or step's outcome.
#pragma once

#include "RecordTable.h"
#include "ScriptRunner.h"
#include "ScriptSteps.h"
#include "StepRunner.h"

#include <iosfwd>
#include <memory>
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

// What a script file holds: by its name, .fmcalc calculations and .fmscript script steps; any
// other script is taken as script steps when its first line is one (looksLikeSteps).
enum class ScriptKind { calculations, steps, byContent };

// The kind the name of a script file gives.
ScriptKind scriptKindOf(const std::string& path);

struct RunOptions {
    ScriptKind kind = ScriptKind::byContent;
    // The record table's file (TableFile.h), read before the script runs and written when it
    // commits and when it ends; empty: no table.
    std::string tablePath;
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

class ScriptSession : private StepListener {
public:
    ScriptSession(RunOptions options, std::ostream& out, std::ostream& err);

    // Checks the whole script, then runs it; the exit code.
    int runScript(const std::string& script);
    // Reads calculations from `in` with a prompt, runs each when complete, and goes on after
    // errors; the exit code (kExitCallFailed when --strict stopped it).
    int runInteractive(std::istream& in);

private:
    // kExitOk, kExitCallFailed (--strict) or kExitScriptError (a file could not be read).
    int runStatements(std::vector<Statement> statements);
    int runSteps(std::vector<Step> steps);
    // The table file read; false (with the reason reported) when it cannot be.
    bool loadTable();
    // The table written when it changed; false (with the reason reported) when it cannot be.
    bool saveTable();
    void report(const ScriptError& error);
    void reportCallCounts();
    void saveContainer(const Statement& statement, const fmx::host::Value& result);

    bool report(const Statement& statement, const StatementOutcome& outcome) override;
    void commit() override;
    void warn(int line, const std::string& message) override;

    RunOptions options_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<RecordTable> table_;
    ScriptRunner runner_;
    bool firstBlock_ = true;
    bool tableUnwritten_ = false; // a commit could not write the table
};

// Every registered function: prototype, minimum and maximum argument count, flags in hex.
void listFunctions(std::ostream& out);
