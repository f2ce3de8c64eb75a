// fmhost's script language and output, run in-process against the plug-in's code.
#include "Output.h"
#include "PluginHarness.h"
#include "ScriptSession.h"
#include "Sha256.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

Outcome runJson(const std::string& script, RunOptions options = {}) {
    options.json = true;
    options.scriptName = "test.fmcalc";
    std::ostringstream out, err;
    ScriptSession session(options, out, err);
    const int exitCode = session.runScript(script);
    return {exitCode, out.str(), err.str()};
}

// The "result" object of the only statement of `script`.
std::string resultOf(const std::string& script) {
    const Outcome outcome = runJson(script);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::size_t begin = outcome.out.find("\"result\": ");
    const std::size_t end = outcome.out.rfind(", \"error\"");
    if (begin == std::string::npos || end == std::string::npos)
        return "no result in " + outcome.out;
    return outcome.out.substr(begin + 10, end - begin - 10);
}

std::string errorOf(const std::string& script) {
    const Outcome outcome = runJson(script);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    return outcome.err;
}

} // namespace

TEST(ScriptLanguage, LiteralsEscapesAndConcatenation) {
    PluginHarness host;
    EXPECT_EQ(resultOf(R"("a¶b\¶c\"d\\e\n")"), R"({"type": "text", "value": "a\rb¶c\"d\\e\\n"})");
    EXPECT_EQ(resultOf("-12.50"), R"({"type": "number", "value": -12.5})");
    EXPECT_EQ(resultOf(".5 & \"\""), R"({"type": "text", "value": "0.5"})");
    EXPECT_EQ(resultOf("TRUE"), R"({"type": "number", "value": 1})");
    EXPECT_EQ(resultOf("¶ & Char ( 9 ) & Char(1) & Char(0) & Char(128512)"),
              "{\"type\": \"text\", \"value\": \"\\r\\t\\u0001\xF0\x9F\x98\x80\"}");
    EXPECT_EQ(resultOf("$unset"), R"({"type": "none", "value": null})");
    // A column of a tab-separated line, as a FileMaker script takes it.
    EXPECT_EQ(resultOf("GetValue ( Substitute ( \"changed\" & Char(9) & \"u1\" & Char(9) & "
                       "\"t\" ; Char ( 9 ) ; ¶ ) ; 2 )"),
              R"({"type": "text", "value": "u1"})");
    EXPECT_EQ(
        resultOf("Substitute ( \"aaa\" ; \"a\" ; \"aa\" ) & Substitute ( \"x\" ; \"\" ; \"y\" )"),
        R"({"type": "text", "value": "aaaaaax"})");
}

TEST(ScriptLanguage, StatementsContinueWhileParenthesesAreOpen) {
    PluginHarness host;
    const Outcome outcome = runJson("// comment line\n"
                                    "$v = VorlixPlugin_Version (\n"
                                    "   \"long\" /* inline */\n"
                                    ")\n"
                                    "\n"
                                    "/* two\n lines */ $v & \"!\"\n"
                                    "VorlixPlugin_Version, vorlixplugin_version ( \"short\" )\n");
    EXPECT_EQ(outcome.exitCode, 1); // the last line holds two statements
    EXPECT_EQ(outcome.err, "test.fmcalc:8:21: expected the end of the statement\n");
    EXPECT_EQ(outcome.out, "");

    const Outcome fine = runJson("$v = VorlixPlugin_Version (\n\"long\"\n)\n/* a\nb */ $v & \"!\"\n"
                                 "vorlixplugin_version ( \"short\" )");
    EXPECT_EQ(fine.exitCode, 0) << fine.err;
    EXPECT_EQ(
        fine.out,
        R"({"line": 1, "call": "VorlixPlugin_Version", "var": "v", "result": {"type": "text", "value": "Talvero 0.10"}, "error": 0})"
        "\n"
        R"({"line": 5, "call": null, "var": null, "result": {"type": "text", "value": "Talvero 0.10!"}, "error": 0})"
        "\n"
        R"({"line": 6, "call": "VorlixPlugin_Version", "var": null, "result": {"type": "text", "value": "0.10"}, "error": 0})"
        "\n");
}

TEST(ScriptLanguage, ErrorsNameLineAndColumnAndNothingRuns) {
    PluginHarness host;
    EXPECT_EQ(errorOf("VorlixPlugin_Version\n\"abc"), "test.fmcalc:2:1: unterminated text\n");
    EXPECT_EQ(errorOf("\"é\" & Nope"), "test.fmcalc:1:7: unknown function \"Nope\"\n");
    EXPECT_EQ(errorOf("VorlixPlugin_Version ( 1 ; 2 )"),
              "test.fmcalc:1:1: VorlixPlugin_Version takes 0 to 1 arguments, not 2\n");
    EXPECT_EQ(errorOf("CardDav_SetTimeout"),
              "test.fmcalc:1:1: CardDav_SetTimeout takes 1 to 1 arguments, not 0\n");
    EXPECT_EQ(errorOf("VorlixPlugin_Version ( \"a\""),
              "test.fmcalc:1:27: missing \")\" at the end of the script\n");
    EXPECT_EQ(errorOf("x)"), "test.fmcalc:1:2: \")\" without \"(\"\n");
    EXPECT_EQ(errorOf("/* open"), "test.fmcalc:1:1: unterminated comment\n");
    EXPECT_EQ(errorOf("$ = 1"), "test.fmcalc:1:1: expected a variable name after \"$\"\n");
    EXPECT_EQ(errorOf("1 + 2"), "test.fmcalc:1:3: unexpected character \"+\"\n");
    EXPECT_EQ(errorOf("Char ( 1 ; 2 )"), "test.fmcalc:1:1: Char takes one argument\n");
    EXPECT_EQ(errorOf("Substitute ( 1 ; 2 )"),
              "test.fmcalc:1:1: Substitute takes three arguments\n");
    EXPECT_EQ(errorOf("$x = "), "test.fmcalc:1:6: expected a value\n");
    EXPECT_EQ(errorOf(std::string(500, '(') + "1" + std::string(500, ')')),
              "test.fmcalc:1:201: expression nested too deeply\n");
}

TEST(ScriptLanguage, FileContainersAreTypedByTheirFirstBytes) {
    PluginHarness host;
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "fmhost_files";
    fs::create_directories(dir);
    const std::pair<const char*, std::string> files[] = {
        {"a.jpg", "\xFF\xD8\xFF\xE0rest"},
        {"a.png", "\x89PNG\r\n\x1A\nrest"},
        {"a.gif", "GIF89arest"},
        {"a.bmp", "BMrest"},
        {"a.txt", "plain"},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : files) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        RunOptions options;
        options.baseDirectory = dir.string();
        const Outcome outcome = runJson(std::string("File ( \"") + name + "\" )", options);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        const char* type = bytes.empty() || bytes == "plain" ? "FILE" : nullptr;
        if (!type)
            type = name[2] == 'j'   ? "JPEG"
                   : name[2] == 'p' ? "PNGf"
                   : name[2] == 'g' ? "GIFf"
                                    : "BMPf";
        EXPECT_NE(outcome.out.find(std::string("{\"type\": \"") + type +
                                   "\", \"size\": " + std::to_string(bytes.size()) +
                                   ", \"sha256\": \"" + sha256Hex(bytes) + "\"}"),
                  std::string::npos)
            << outcome.out;
    }
    const Outcome missing = runJson("\n  File ( \"/nonexistent/x.jpg\" )");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("test.fmcalc:2:3: cannot read file \"/nonexistent/x.jpg\"", 0), 0u)
        << missing.err;
}

TEST(ScriptSession, StrictStopsAtTheFirstFailedCall) {
    PluginHarness host;
    const std::string script = "VorlixPlugin_Version\nVorlixPlugin_Version\nVorlixPlugin_Version\n";
    // Without an argument the version function makes five host calls: fail the second
    // statement's first one.
    fmx::host::failHostCall(6, 1);
    RunOptions options;
    options.strict = true;
    const Outcome outcome = runJson(script, options);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out.find("\"line\": 3"), std::string::npos);
    EXPECT_NE(
        outcome.out.find(
            R"({"line": 2, "call": "VorlixPlugin_Version", "var": null, "result": {"type": "none", "value": null}, "error": 7})"),
        std::string::npos)
        << outcome.out;

    fmx::host::failHostCall(6, 2);
    const Outcome lenient = runJson(script);
    EXPECT_EQ(lenient.exitCode, 0);
    EXPECT_NE(lenient.out.find("\"error\": -1}"), std::string::npos);
    EXPECT_NE(lenient.out.find("\"line\": 3"), std::string::npos);
}

TEST(ScriptSession, NestedCallErrorsCountWhenTheStatementIsNoCall) {
    PluginHarness host;
    fmx::host::failHostCall(1, 2);
    const Outcome outcome = runJson("\"v\" & VorlixPlugin_Version");
    EXPECT_EQ(
        outcome.out,
        R"({"line": 1, "call": null, "var": null, "result": {"type": "text", "value": "v"}, "error": -1})"
        "\n");
}

TEST(ScriptSession, ReadableOutputAndSavedPictures) {
    PluginHarness host;
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "fmhost_saved";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "p.png", std::ios::binary) << "\x89PNG\r\n\x1A\nxyz";
    RunOptions options;
    options.saveDirectory = (dir / "out").string();
    options.baseDirectory = dir.string();
    std::ostringstream out, err;
    ScriptSession session(options, out, err);
    EXPECT_EQ(session.runScript("\"a\" & ¶ & \"b\"\n$p = File(\"p.png\")\n\"\"\n"), 0);
    EXPECT_EQ(out.str(), "\"a\" & ¶ & \"b\"\n→ a\n  b\n\n"
                         "$p = File(\"p.png\")\n→ container: PNGf 11 bytes, FNAM \"p.png\"\n"
                         "  saved " +
                             (dir / "out" / "line2.png").string() +
                             "\n\n"
                             "\"\"\n→ (empty text)\n");
    std::ifstream saved(dir / "out" / "line2.png", std::ios::binary);
    std::stringstream bytes;
    bytes << saved.rdbuf();
    EXPECT_EQ(bytes.str(), "\x89PNG\r\n\x1A\nxyz");
}

TEST(ScriptSession, InteractivePromptWaitsForOpenParenthesesAndGoesOnAfterErrors) {
    PluginHarness host;
    std::istringstream in("VorlixPlugin_Version (\n\"long\" )\nNope\nVorlixPlugin_Version\n");
    std::ostringstream out, err;
    RunOptions options;
    options.json = true;
    ScriptSession session(options, out, err);
    EXPECT_EQ(session.runInteractive(in), 0);
    EXPECT_EQ(err.str(), "<stdin>:3:1: unknown function \"Nope\"\n");
    EXPECT_NE(out.str().find("   ...> {\"line\": 1, "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"value\": \"Talvero 0.10\""), std::string::npos);
    EXPECT_NE(out.str().find("{\"line\": 4, "), std::string::npos);
}

TEST(Output, JsonStringsAndDigests) {
    EXPECT_EQ(jsonString("a\"\\\r\n\t\x1f\xC3\xA9"), "\"a\\\"\\\\\\r\\n\\t\\u001f\xC3\xA9\"");
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
