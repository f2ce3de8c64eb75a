// The table of external functions as the host's registry receives it, and registration refused
// or failing part way through init.
#include "PluginHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct ExpectedRow {
    fmx::int16 id;
    std::string prototype;
    fmx::int16 minArgs;
    fmx::int16 maxArgs;
};

// The one function table the plug-in is built from.
std::vector<ExpectedRow> functionTable() {
    std::ifstream file(TALVERO_SOURCE_DIR "/Resources/Functions.table");
    std::vector<ExpectedRow> rows;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        ExpectedRow row;
        fields >> row.id >> row.minArgs >> row.maxArgs;
        std::getline(fields >> std::ws, row.prototype);
        rows.push_back(row);
    }
    return rows;
}

// The function reference, as lines.
std::vector<std::string> referenceLines() {
    std::ifstream file(TALVERO_SOURCE_DIR "/docs/Reference.md");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

std::vector<fmx::int16> unregisteredIds() {
    std::vector<fmx::int16> ids;
    for (const auto& key : fmx::host::unregistrationLog())
        ids.push_back(key.functionId);
    return ids;
}

} // namespace

TEST(Registry, EveryFunctionIsRegisteredWithItsPrototypeRangeAndFlags) {
    PluginHarness host;
    const auto functions = fmx::host::registeredFunctions();
    const std::vector<ExpectedRow> table = functionTable();
    ASSERT_EQ(functions.size(), table.size());
    for (std::size_t i = 0; i < functions.size(); ++i) {
        const auto& row = functions[i];
        const ExpectedRow& expected = table[i];
        const std::string prototype = expected.prototype;
        EXPECT_EQ(row.pluginId, "Talv");
        EXPECT_EQ(row.functionId, expected.id);
        EXPECT_EQ(row.prototype, prototype);
        EXPECT_EQ(row.name, prototype.substr(0, prototype.find('(')));
        EXPECT_EQ(std::tie(row.minArgs, row.maxArgs), std::tie(expected.minArgs, expected.maxArgs))
            << prototype;
        EXPECT_EQ(row.flags, 0xFF6Fu);
        EXPECT_NE(row.handler, nullptr);
    }
    EXPECT_EQ(fmx::host::findFunction("VorlixPlugin_Version")->prototype,
              "VorlixPlugin_Version( { versionFormat } )");
}

// Each function has its section in the reference: its prototype with its argument range, and an
// example (a block of calculations the snippet test runs) that calls it.
TEST(Registry, TheReferenceDocumentsEveryFunctionWithItsArgumentsAndAnExample) {
    const std::vector<std::string> lines = referenceLines();
    for (const ExpectedRow& function : functionTable()) {
        const std::string range =
            function.minArgs == function.maxArgs
                ? std::to_string(function.minArgs)
                : std::to_string(function.minArgs) + "\u2013" + std::to_string(function.maxArgs);
        const auto documented =
            std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
                const std::size_t at = line.find("`" + function.prototype + "`");
                return at != std::string::npos && line.find(range, at) != std::string::npos;
            });
        EXPECT_NE(documented, lines.end())
            << function.prototype << " with " << range << " arguments";
        const std::string name = function.prototype.substr(0, function.prototype.find('('));
        bool inExample = false, called = false;
        for (auto line = documented;
             line != lines.end() && line->rfind("## ", 0) != 0 && line->rfind("### ", 0) != 0;
             ++line) {
            if (line->rfind("```", 0) == 0)
                inExample = *line == "```fmcalc";
            else if (inExample && line->find(name) != std::string::npos)
                called = true;
        }
        EXPECT_TRUE(called) << name << " has no example in its section";
    }
}

TEST(Registry, RefusalAtTheFifthRowUndoesTheFourBefore) {
    fmx::host::clearUnregistrationLog();
    fmx::host::refuseRegistration(5);
    PluginHarness host(62, false);
    EXPECT_EQ(host.initResult(), -2);
    EXPECT_EQ(unregisteredIds(), (std::vector<fmx::int16>{4, 3, 2, 1}));
    EXPECT_TRUE(fmx::host::registeredFunctions().empty());
}

TEST(Registry, RefusalAtTheFirstRowUnregistersNothing) {
    fmx::host::clearUnregistrationLog();
    fmx::host::refuseRegistration(1);
    PluginHarness host(62, false);
    EXPECT_EQ(host.initResult(), -2);
    EXPECT_TRUE(fmx::host::unregistrationLog().empty());
    EXPECT_TRUE(fmx::host::registeredFunctions().empty());
}

TEST(Registry, HostErrorAtAnyCallDuringInitLeavesNothingRegistered) {
    // Count the host calls of one init, then make each of them fail in turn.
    fmx::host::PluginConnection plugin(FMExternCallProc);
    const auto before = fmx::host::hostCallCount();
    ASSERT_EQ(plugin.init(62), 53);
    const auto callsPerInit = fmx::host::hostCallCount() - before;
    plugin.shutdown();
    ASSERT_GT(callsPerInit, 23u * 4);

    for (fmx::uint32 n = 1; n <= callsPerInit; ++n) {
        for (fmx::int32 code : {1, 2}) {
            fmx::host::failHostCall(n, code);
            EXPECT_EQ(plugin.init(62), -2) << "call " << n << " code " << code;
            EXPECT_TRUE(fmx::host::registeredFunctions().empty()) << "call " << n;
            fmx::host::resetFaults();
        }
    }
    fmx::host::clearUnregistrationLog();
}
