#include "ScriptLibrary.h"

#include "FieldReferences.h"
#include "StepParser.h"

#include <filesystem>
#include <fstream>
#include <iterator>

void ScriptLibrary::load(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (step.kind != Step::Kind::performScript || scripts_.count(step.scriptName) > 0)
            continue;
        const std::string file = step.scriptName + ".fmscript";
        std::filesystem::path path = std::filesystem::u8path(file);
        if (!folder_.empty())
            path = std::filesystem::u8path(folder_) / path;
        std::ifstream in(path, std::ios::binary);
        if (!in || std::filesystem::is_directory(path))
            throw ScriptError(step.position, "cannot read the script " + path.u8string());
        const std::string script((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
        // Taken in before it is checked, so that a script may perform itself.
        std::vector<Step>& performed = scripts_[step.scriptName];
        try {
            performed = parseSteps(script);
            resolveFields(performed, table_);
        } catch (const ScriptError& error) {
            throw ScriptError(step.position, file + ":" + std::to_string(error.position.line) +
                                                 ":" + std::to_string(error.position.column) +
                                                 ": " + error.what());
        }
        load(performed);
    }
}
