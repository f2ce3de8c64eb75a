// Runs a protocol case's script through fmhost's script engine, in this process, and reads back
// what fmhost reports of each statement (its --json lines).
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ReportedStatement {
    int line = 0;
    std::string variable; // without "$"; empty when the statement sets none
    std::string type;     // "text", "number", "container" or "none"
    std::string text;     // the text, or the number as JSON writes it
    double number = 0;
    long error = 0;
};

struct ScriptRun {
    int exitCode = 0;
    std::string output; // the JSON lines
    std::string errors; // what fmhost wrote to its error stream
    std::vector<ReportedStatement> statements;
};

// The plug-in must be loaded (a PluginHarness alive). `variables` are defined first, as
// fmhost --set does.
ScriptRun runScript(const std::string& script,
                    const std::vector<std::pair<std::string, std::string>>& variables);
