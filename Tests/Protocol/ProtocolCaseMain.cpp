// Plays protocol cases: for each case file, a loopback server answers as the case says while
// fmhost's script engine runs the case's script against the plug-in (with $server the server's
// URL); then the requests the server received and the statements' outcomes are held against the
// case. Each case file given on the command line is one test, named after the file (without
// arguments: every *.case file of the cases folder).
#include "CaseCheck.h"
#include "CaseFile.h"
#include "CaseServer.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "ScriptRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace {

class ProtocolCaseTest : public ::testing::Test {
public:
    explicit ProtocolCaseTest(std::filesystem::path file) : file_(std::move(file)) {}

    void TestBody() override {
        resetPluginState();
        loopback::HttpServer server;
        ProtocolCase expected;
        try {
            expected = readCase(
                file_, {{"%SERVER%", server.baseUrl()}, {"%PORT%", std::to_string(server.port())}});
        } catch (const CaseError& error) {
            FAIL() << error.what();
        }
        CaseServer answers(server, expected.answers);
        PluginHarness host;
        const ScriptRun run = runScript(expected.script, {{"server", server.baseUrl()}});
        ASSERT_EQ(run.exitCode, 0) << file_.string() << ": the script did not run\n" << run.errors;

        std::vector<std::string> differences = requestDifferences(expected, server.requests());
        for (const std::string& difference : resultDifferences(expected, run.statements))
            differences.push_back(difference);
        if (differences.empty())
            return;
        std::ostringstream report;
        report << file_.string() << ": " << expected.title << "\n";
        for (const std::string& difference : differences)
            report << difference << "\n";
        report << "fmhost reported:\n" << run.output;
        ADD_FAILURE() << report.str();
    }

private:
    std::filesystem::path file_;
};

std::vector<std::filesystem::path> caseFiles(int argc, char** argv) {
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i)
        files.emplace_back(argv[i]);
    if (files.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(TALVERO_PROTOCOL_CASES))
            if (entry.path().extension() == ".case")
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (const std::filesystem::path& file : caseFiles(argc, argv))
        ::testing::RegisterTest(
            "Protocol", file.stem().string().c_str(), nullptr, nullptr, __FILE__, __LINE__,
            [file]() -> ::testing::Test* { return new ProtocolCaseTest(file); });
    return RUN_ALL_TESTS();
}
