#include "ScriptSession.h"

#include "ContainerFile.h"
#include "FieldReferences.h"
#include "Output.h"
#include "ScriptLexer.h"
#include "ScriptParser.h"
#include "StepParser.h"
#include "TableFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

ScriptKind scriptKindOf(const std::string& path) {
    const std::string extension = std::filesystem::u8path(path).extension().u8string();
    if (extension == ".fmcalc")
        return ScriptKind::calculations;
    if (extension == ".fmscript")
        return ScriptKind::steps;
    return ScriptKind::byContent;
}

ScriptSession::ScriptSession(RunOptions options, std::ostream& out, std::ostream& err)
    : options_(std::move(options)), out_(out), err_(err),
      runner_(options_.baseDirectory, {options_.session, 0}) {
    for (const auto& [name, text] : options_.variables)
        runner_.define(name, text);
}

int ScriptSession::runScript(const std::string& script) {
    int exitCode = kExitScriptError;
    if (loadTable()) {
        try {
            const bool steps = options_.kind == ScriptKind::steps ||
                               (options_.kind == ScriptKind::byContent && looksLikeSteps(script));
            exitCode = steps ? runSteps(parseSteps(script)) : runStatements(parseScript(script));
        } catch (const ScriptError& error) {
            report(error);
        }
        if (!saveTable() || tableUnwritten_)
            exitCode = kExitScriptError;
        if (table_ && !options_.json)
            out_ << "\n" << readableTable(*table_);
    }
    reportCallCounts();
    return exitCode;
}

int ScriptSession::runInteractive(std::istream& in) {
    if (!loadTable())
        return kExitScriptError;
    int nextLine = 1;
    std::string pending;
    int pendingLine = 1;
    std::string line;
    int exitCode = kExitOk;
    while (exitCode == kExitOk) {
        out_ << (pending.empty() ? "fmhost> " : "   ...> ") << std::flush;
        if (!std::getline(in, line))
            break;
        if (pending.empty())
            pendingLine = nextLine;
        pending += line + "\n";
        ++nextLine;
        try {
            std::vector<Statement> statements = parseScript(pending, pendingLine);
            pending.clear();
            if (runStatements(std::move(statements)) == kExitCallFailed)
                exitCode = kExitCallFailed;
        } catch (const ScriptError& error) {
            ScriptLexer lexer(pending, pendingLine);
            bool incomplete = false;
            try {
                lexer.tokenize();
            } catch (const ScriptError&) {
                incomplete = lexer.endedIncomplete();
            }
            if (!incomplete) {
                report(error);
                pending.clear();
            }
        }
    }
    if (exitCode == kExitOk)
        out_ << "\n";
    if (!saveTable())
        return kExitScriptError;
    return exitCode;
}

int ScriptSession::runStatements(std::vector<Statement> statements) {
    resolveFields(statements, table_.get());
    for (const Statement& statement : statements) {
        StatementOutcome outcome;
        try {
            outcome = runner_.run(statement);
        } catch (const ScriptError& error) {
            report(error);
            return kExitScriptError;
        }
        if (!report(statement, outcome))
            return kExitCallFailed;
    }
    return kExitOk;
}

int ScriptSession::runSteps(std::vector<Step> steps) {
    resolveFields(steps, table_.get());
    ScriptLibrary library(options_.baseDirectory, table_.get());
    library.load(steps);
    try {
        return StepRunner(runner_, table_.get(), library, *this).run(steps) ? kExitOk
                                                                            : kExitCallFailed;
    } catch (const ScriptError& error) {
        report(error);
        return kExitScriptError;
    }
}

bool ScriptSession::report(const Statement& statement, const StatementOutcome& outcome) {
    if (options_.json) {
        out_ << jsonLine(statement, outcome) << "\n";
    } else {
        out_ << (firstBlock_ ? "" : "\n") << readableBlock(statement, outcome);
        firstBlock_ = false;
    }
    out_.flush();
    if (!options_.saveDirectory.empty() && outcome.result.type() == fmx::host::ValueType::container)
        saveContainer(statement, outcome.result);
    return !(options_.strict && outcome.failedCall);
}

void ScriptSession::commit() {
    tableUnwritten_ = !saveTable() || tableUnwritten_;
}

void ScriptSession::warn(int line, const std::string& message) {
    err_ << options_.scriptName << ":" << line << ": " << message << std::endl;
}

bool ScriptSession::loadTable() {
    if (options_.tablePath.empty() || table_)
        return true;
    try {
        table_ = std::make_unique<RecordTable>(::loadTable(options_.tablePath));
    } catch (const std::exception& error) {
        err_ << "fmhost: the table " << options_.tablePath << " " << error.what() << std::endl;
        return false;
    }
    runner_.useTable(table_.get());
    return true;
}

bool ScriptSession::saveTable() {
    if (!table_ || !table_->changed())
        return true;
    try {
        ::saveTable(*table_, options_.tablePath);
    } catch (const std::exception& error) {
        err_ << "fmhost: the table " << options_.tablePath << " " << error.what() << std::endl;
        return false;
    }
    table_->markSaved();
    return true;
}

void ScriptSession::report(const ScriptError& error) {
    err_ << options_.scriptName << ":" << error.position.line << ":" << error.position.column
         << ": " << error.what() << std::endl;
}

// "fmhost: 5 plug-in calls: CardDav_Connect 1, CardDav_GetvCardJSON 4", on the error stream so
// that the script's output stays as it is.
void ScriptSession::reportCallCounts() {
    if (!options_.countCalls)
        return;
    long total = 0;
    std::string each;
    for (const auto& [name, count] : runner_.callCounts()) {
        total += count;
        each += (each.empty() ? ": " : ", ") + name + " " + std::to_string(count);
    }
    err_ << "fmhost: " << total << " plug-in calls" << each << std::endl;
}

void ScriptSession::saveContainer(const Statement& statement, const fmx::host::Value& result) {
    const fmx::host::Stream* picture = mainStream(result);
    if (!picture)
        return;
    namespace fs = std::filesystem;
    const fs::path path =
        fs::path(options_.saveDirectory) /
        ("line" + std::to_string(statement.line) + "." + fileExtension(picture->type));
    std::error_code ignored;
    fs::create_directories(options_.saveDirectory, ignored);
    std::ofstream file(path, std::ios::binary);
    file.write(picture->bytes.data(), static_cast<std::streamsize>(picture->bytes.size()));
    if (!file.flush())
        err_ << "fmhost: cannot write " << path.string() << std::endl;
    else if (!options_.json)
        out_ << "  saved " << path.string() << "\n";
}

void listFunctions(std::ostream& out) {
    const auto functions = fmx::host::registeredFunctions();
    std::size_t width = 0;
    for (const auto& function : functions)
        width = std::max(width, function.prototype.size());
    for (const auto& function : functions) {
        char flags[16];
        std::snprintf(flags, sizeof flags, "%04x", static_cast<unsigned>(function.flags));
        out << function.prototype << std::string(width + 2 - function.prototype.size(), ' ')
            << function.minArgs << ".." << function.maxArgs << "  " << flags << "\n";
    }
}
