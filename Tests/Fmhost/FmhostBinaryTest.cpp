// The fmhost program as a user runs it: loading the plug-in, exit codes, --list and --json.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string writeScript(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

ProgramRun fmhost(const std::string& arguments) {
    // One file per test: CTest may run the tests side by side.
    const std::string errPath = ::testing::TempDir() + "fmhost_stderr_" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string command =
        std::string(TALVERO_BINARY_DIR) + "/bin/fmhost " + arguments + " 2>" + errPath;
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = readFile(errPath);
    return run;
}

} // namespace

TEST(FmhostBinary, JsonOutputOfTheVersionExample) {
    const ProgramRun run =
        fmhost("--json " + std::string(TALVERO_SOURCE_DIR) + "/Examples/version.fmcalc");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const char* const head = R"({"line": )";
    const char* const tail =
        R"(, "call": "VorlixPlugin_Version", "var": null, "result": {"type": "text", "value": )";
    std::string expected;
    const std::pair<int, const char*> lines[] = {{2, "0.10"},  {3, "0.10"},     {4, "Talvero 0.10"},
                                                 {5, "Linux"}, {6, "00100000"}, {7, ""}};
    for (const auto& [line, value] : lines)
        expected += head + std::to_string(line) + tail + "\"" + value + "\"}, \"error\": 0}\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err, "");
}

TEST(FmhostBinary, ReadsVariablesFromAScriptAndReportsContainers) {
    const std::string script =
        writeScript("fmhost_vars.fmcalc", "$v = VorlixPlugin_Version ( \"long\" )\n"
                                          "$v & \" on \" & VorlixPlugin_Version ( \"platform\" )\n"
                                          "File ( \"fmhost_vars.fmcalc\" )\n");
    const ProgramRun run = fmhost("--json " + script);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string first, second, third;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_EQ(
        first,
        R"({"line": 1, "call": "VorlixPlugin_Version", "var": "v", "result": {"type": "text", "value": "Talvero 0.10"}, "error": 0})");
    EXPECT_EQ(
        second,
        R"({"line": 2, "call": null, "var": null, "result": {"type": "text", "value": "Talvero 0.10 on Linux"}, "error": 0})");
    EXPECT_NE(third.find(R"({"type": "FNAM", "size": 18, "text": "fmhost_vars.fmcalc"})"),
              std::string::npos)
        << third;
}

TEST(FmhostBinary, SetDefinesVariablesAndGetValuePicksListValues) {
    const std::string script = writeScript(
        "fmhost_set.fmcalc", "$list = $server & \"¶b¶\" & $empty\nGetValue ( $list ; 1 )\n"
                             "GetValue ( $list ; 2 )\nGetValue ( $list ; 3 )\n"
                             "GetValue ( $list ; 0 )\n");
    const ProgramRun run = fmhost("--json --set server=http://h:1/a=b --set empty= " + script);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const char* const values[] = {"http://h:1/a=b", "b", "", ""};
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    for (const char* value : values) {
        std::getline(lines, line);
        EXPECT_NE(line.find(std::string("\"value\": \"") + value + "\"}"), std::string::npos)
            << line;
    }
    EXPECT_EQ(fmhost("--set novalue " + script).exitCode, 1);
}

TEST(FmhostBinary, ListsEveryFunctionWithRangeAndFlags) {
    const ProgramRun run = fmhost("--list");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(line.substr(line.size() - 4), "ff6f") << line;
    }
    // The 23 functions of the first table, then those added since.
    EXPECT_GE(count, 23 + 5);
    EXPECT_LT(run.out.find("CardDav_GetMapping( )"),
              run.out.find("CardDav_GetAddressbookETags( )"));
    // Prototypes are padded to one column.
    const std::size_t version = run.out.find("\nVorlixPlugin_Version( { versionFormat } ) ");
    const std::size_t groups = run.out.find("\nCardDav_SetvCardGroups(uid, csgroups ) ");
    ASSERT_NE(version, std::string::npos);
    ASSERT_NE(groups, std::string::npos);
    EXPECT_EQ(run.out.find("0..1  ff6f\n", version) - version,
              run.out.find("2..2  ff6f\n", groups) - groups);
}

TEST(FmhostBinary, ExitCodesNameTheirCause) {
    const std::string script = writeScript("fmhost_ok.fmcalc", "VorlixPlugin_Version\n");
    ProgramRun run = fmhost("--plugin /nonexistent/Talvero.fmx64 " + script);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("cannot load the plug-in /nonexistent/Talvero.fmx64"),
              std::string::npos);

    run = fmhost("--plugin " + std::string(TALVERO_BINARY_DIR) + "/bin/libFMWrapper.so " + script);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("does not export FMExternCallProc"), std::string::npos) << run.err;

    run = fmhost("--host-version 49 " + script);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("refused init with host version 49"), std::string::npos) << run.err;

    const std::string bad =
        writeScript("fmhost_bad.fmcalc", "VorlixPlugin_Version\n  Nope ( 1 )\n");
    run = fmhost(bad);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, bad + ":2:3: unknown function \"Nope\"\n");

    run = fmhost("--bogus");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Usage: fmhost"), std::string::npos);
}

// Several sessions at once, as FileMaker Server runs scripts: each run keeps its own last error.
TEST(FmhostBinary, ThreadsRunTheScriptInSessionsOfTheirOwn) {
    const std::string script = writeScript("fmhost_sessions.fmcalc",
                                           "If ( $session = 2 ; CardDav_GetvCard ( \"x\" ) ; 0 )\n"
                                           "$mine = $session & \":\" & CardDav_LastError\n");
    const ProgramRun run = fmhost("--json --threads 3 " + script);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const char* own : {"\"1:0\"", "\"2:11\"", "\"3:0\""})
        EXPECT_NE(run.out.find(own), std::string::npos) << own << "\n" << run.out;
    const ProgramRun readable = fmhost("--threads 2 " + script);
    EXPECT_LT(readable.out.find("== session 1"), readable.out.find("== session 2"));
    EXPECT_EQ(fmhost("--threads 2 --session 3 " + script).exitCode, 1);
    // One session named for the whole run.
    const ProgramRun one = fmhost("--json --session 2 " + script);
    EXPECT_NE(one.out.find("\":0\""), std::string::npos) << one.out;
}
