// The scripts that Perform Script names: NAME.fmscript in the folder of the script that runs
// them, each read and checked once, with its fields, before anything runs.
#pragma once

#include "RecordTable.h"
#include "ScriptSteps.h"

#include <map>
#include <string>
#include <vector>

class ScriptLibrary {
public:
    ScriptLibrary(std::string folder, const RecordTable* table)
        : folder_(std::move(folder)), table_(table) {}

    // Reads and checks every script `steps` perform, and the scripts those perform. Throws
    // ScriptError at the Perform Script step whose script cannot be read or is wrong.
    void load(const std::vector<Step>& steps);

    // A script `load` read.
    const std::vector<Step>& steps(const std::string& name) const { return scripts_.at(name); }

private:
    std::string folder_;
    const RecordTable* table_;
    std::map<std::string, std::vector<Step>> scripts_;
};
