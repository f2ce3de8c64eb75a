// fmhost's command line.
#pragma once

#include "FMWrapper/FMXTypes.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern const char* const kUsage;

struct Options {
    std::string pluginPath; // empty: the plug-in beside fmhost
    fmx::int16 hostVersion = 62;
    bool json = false;
    bool strict = false;
    bool countCalls = false;
    bool list = false;
    bool help = false;
    std::string saveDirectory;
    std::string tablePath;             // --table: the record table's file
    std::optional<std::string> script; // a path, or "-" for standard input
    // --session N: the host session the script's calls belong to (0: FileMaker Pro's one).
    fmx::ptrtype session = 0;
    // --threads N: the script run N times at once, in the sessions 1 to N.
    int threads = 0;
    // --set NAME=VALUE: text variables defined before the script runs.
    std::vector<std::pair<std::string, std::string>> variables;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError.
Options parseOptions(int argc, const char* const* argv);
