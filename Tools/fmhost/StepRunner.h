// Runs script steps: their calculations through a ScriptRunner (so with its variables), their
// records in the record table, their control flow as FileMaker runs it.
#pragma once

#include "RecordTable.h"
#include "ScriptLibrary.h"
#include "ScriptRunner.h"
#include "ScriptSteps.h"

#include <string>
#include <vector>

// What the steps tell the one running them.
class StepListener {
public:
    virtual ~StepListener() = default;
    // A step's outcome; false stops the script (--strict after a failed call).
    virtual bool report(const Statement& statement, const StatementOutcome& outcome) = 0;
    // Commit Records/Requests: the table goes to its file.
    virtual void commit() = 0;
    // A step did nothing, where FileMaker sets an error code of its own (Get ( LastError )).
    virtual void warn(int line, const std::string& message) = 0;
};

class StepRunner {
public:
    // Perform Script takes its scripts from `library`, which has loaded them.
    StepRunner(ScriptRunner& runner, RecordTable* table, const ScriptLibrary& library,
               StepListener& listener)
        : runner_(runner), table_(table), library_(library), listener_(listener) {}

    // Runs from the first step to the last or to Exit Script; false when the listener stopped
    // it. Throws ScriptError when a file cannot be read or scripts perform each other too deep.
    bool run(const std::vector<Step>& steps);

    // How deep scripts may perform scripts, as a recursion of FileMaker's ends somewhere.
    static constexpr int kMaxDepth = 100;

private:
    // The calculation run and reported; false when the listener stops the script.
    bool evaluate(const Statement& statement, StatementOutcome& outcome);
    // A record step reported with where it left the found set.
    bool reportRecord(const Step& step);
    bool setField(const Step& step);
    bool setFieldByName(const Step& step);
    bool showDialog(const Step& step);
    bool performScript(const Step& step);

    ScriptRunner& runner_;
    RecordTable* table_;
    const ScriptLibrary& library_;
    StepListener& listener_;
    // The result of the last Exit Script, for the script that performed it.
    fmx::host::Value exitResult_;
    int depth_ = 0;
};
