#include "StepRunner.h"

#include "NumberConversion.h"
#include "Operators.h"

using fmx::host::Value;
using Kind = Step::Kind;

bool StepRunner::run(const std::vector<Step>& steps) {
    // Whether the step at `pc` was reached from a false If or Else If, not by the step before.
    bool branchTaken = false;
    for (std::size_t pc = 0; pc < steps.size();) {
        const Step& step = steps[pc];
        const bool arrivedByBranch = branchTaken;
        branchTaken = false;
        StatementOutcome outcome;
        switch (step.kind) {
        case Kind::setVariable:
            if (!evaluate(step.calculations[0], outcome))
                return false;
            break;
        case Kind::setField:
            if (!setField(step))
                return false;
            break;
        case Kind::setFieldByName:
            if (!setFieldByName(step))
                return false;
            break;
        case Kind::elseIf:
        case Kind::otherwise:
            // A branch that ran to its end goes on after End If.
            if (!arrivedByBranch) {
                pc = step.end + 1;
                continue;
            }
            if (step.kind == Kind::otherwise)
                break;
            [[fallthrough]];
        case Kind::ifThen:
            if (!evaluate(step.calculations[0], outcome))
                return false;
            if (!isTrue(outcome.seen())) {
                pc = step.next;
                branchTaken = true;
                continue;
            }
            break;
        case Kind::endLoop:
            pc = step.end + 1;
            continue;
        case Kind::exitLoopIf:
            if (!evaluate(step.calculations[0], outcome))
                return false;
            if (isTrue(outcome.seen())) {
                pc = step.end + 1;
                continue;
            }
            break;
        case Kind::exitScript:
            if (!step.calculations.empty() && !evaluate(step.calculations[0], outcome))
                return false;
            exitResult_ = outcome.seen();
            return true;
        case Kind::performScript:
            if (!performScript(step))
                return false;
            break;
        case Kind::showDialog:
            if (!showDialog(step))
                return false;
            break;
        case Kind::newRecord:
            table_->newRecord();
            if (!reportRecord(step))
                return false;
            break;
        case Kind::goToRecord: {
            const bool moved = table_->goTo(step.move);
            if (!reportRecord(step))
                return false;
            if (!moved && step.exitAfterLast && step.end != Step::kNone) {
                pc = step.end + 1;
                continue;
            }
            break;
        }
        case Kind::deleteRecord:
            if (!table_->deleteRecord())
                listener_.warn(step.line, "no current record: nothing deleted (FileMaker: 101)");
            if (!reportRecord(step))
                return false;
            break;
        case Kind::commit:
            listener_.commit();
            if (!reportRecord(step))
                return false;
            break;
        case Kind::endIf:
        case Kind::loop:
        case Kind::nothing:
            break;
        }
        ++pc;
    }
    return true;
}

bool StepRunner::evaluate(const Statement& statement, StatementOutcome& outcome) {
    outcome = runner_.run(statement);
    return listener_.report(statement, outcome);
}

bool StepRunner::reportRecord(const Step& step) {
    Statement statement;
    statement.line = step.line;
    statement.source = step.source;
    statement.step = step.name;
    StatementOutcome outcome;
    outcome.result = Value::text(table_->recordNumber() == 0
                                     ? "no record"
                                     : "record " + std::to_string(table_->recordNumber()) + " of " +
                                           std::to_string(table_->foundCount()));
    return listener_.report(statement, outcome);
}

bool StepRunner::setField(const Step& step) {
    const StatementOutcome outcome = runner_.run(step.calculations[0]);
    if (!table_->set(step.field, outcome.seen()))
        listener_.warn(step.line,
                       "no current record: " + step.fieldName + " was not set (FileMaker: 101)");
    return listener_.report(step.calculations[0], outcome);
}

bool StepRunner::setFieldByName(const Step& step) {
    StatementOutcome outcome = runner_.run(step.calculations[0]);
    if (outcome.failedCall)
        return listener_.report(step.calculations[0], outcome);
    const std::string name = textOf(outcome.result);
    outcome = runner_.run(step.calculations[1]);
    const auto field = table_->fieldIndex(name);
    if (!field)
        listener_.warn(step.line, "the table " + table_->name() + " has no field \"" + name +
                                      "\": nothing was set (FileMaker: 102)");
    else if (!table_->set(*field, outcome.seen()))
        listener_.warn(step.line, "no current record: " + name + " was not set (FileMaker: 101)");
    return listener_.report(step.calculations[1], outcome);
}

bool StepRunner::performScript(const Step& step) {
    StatementOutcome parameter;
    if (!step.calculations.empty() && !evaluate(step.calculations[0], parameter))
        return false;
    if (depth_ == kMaxDepth)
        throw ScriptError(step.position,
                          "scripts performed more than " + std::to_string(kMaxDepth) + " deep");
    ScriptRunner::Frame caller = runner_.enterScript(parameter.seen());
    exitResult_ = Value();
    ++depth_;
    const bool goOn = run(library_.steps(step.scriptName));
    --depth_;
    runner_.leaveScript(std::move(caller), std::move(exitResult_));
    exitResult_ = Value();
    return goOn;
}

// The dialog is printed: its title beside its message, the message as the step's result.
bool StepRunner::showDialog(const Step& step) {
    StatementOutcome title = runner_.run(step.calculations[0]);
    if (title.failedCall || step.calculations.size() == 1)
        return listener_.report(step.calculations[0], title);
    StatementOutcome message = runner_.run(step.calculations[1]);
    message.title = textOf(title.result);
    return listener_.report(step.calculations[1], message);
}
