// fmhost's script language and output, run in-process against the plug-in's code.
#include "CardStore.h"
#include "CaseFolding.h"
#include "LoopbackBook.h"
#include "Mapping/DataMapping.h"
#include "NumberConversion.h"
#include "Output.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "ScriptSession.h"
#include "Sha256.h"
#include "TableFile.h"

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
std::string resultOf(const std::string& script, const RunOptions& options = {}) {
    const Outcome outcome = runJson(script, options);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::size_t begin = outcome.out.find("\"result\": ");
    const std::size_t end = outcome.out.rfind(", \"error\"");
    if (begin == std::string::npos || end == std::string::npos)
        return "no result in " + outcome.out;
    return outcome.out.substr(begin + 10, end - begin - 10);
}

// Expected "result" objects.
std::string number(const std::string& value) {
    return R"({"type": "number", "value": )" + value + "}";
}
std::string text(const std::string& value) {
    return R"({"type": "text", "value": )" + jsonString(value) + "}";
}

struct Case {
    const char* expression;
    std::string result;
};

void expectResults(const std::vector<Case>& cases, const RunOptions& options = {}) {
    for (const Case& c : cases)
        EXPECT_EQ(resultOf(c.expression, options), c.result) << c.expression;
}

// A table file in the test's temporary folder; its path.
std::string tableFile(const std::string& name, const std::string& json) {
    const std::string path = ::testing::TempDir() + "fmhost_" + name;
    std::ofstream(path, std::ios::binary) << json;
    return path;
}

// The records of a table file, each as its values joined by ":", joined by "|"; then, when the
// table has globals, " #" and their values.
std::string rowsOf(const std::string& path) {
    const RecordTable table = loadTable(path);
    std::string rows, globals;
    for (const auto& record : table.records()) {
        std::string row;
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (!table.fields()[i].global)
                row += (row.empty() ? "" : ":") + textOf(record[i]);
        }
        rows += (rows.empty() ? "" : "|") + row;
    }
    for (std::size_t i = 0; i < table.fields().size(); ++i) {
        if (table.fields()[i].global)
            globals += " #" + textOf(table.get(i));
    }
    return rows + globals;
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
    EXPECT_EQ(errorOf("CardDav_SetSessionIdleLimit"),
              "test.fmcalc:1:1: CardDav_SetSessionIdleLimit takes 1 argument, not 0\n");
    EXPECT_EQ(errorOf("VorlixPlugin_Version ( \"a\""),
              "test.fmcalc:1:27: missing \")\" at the end of the script\n");
    EXPECT_EQ(errorOf("x)"), "test.fmcalc:1:2: \")\" without \"(\"\n");
    EXPECT_EQ(errorOf("/* open"), "test.fmcalc:1:1: unterminated comment\n");
    EXPECT_EQ(errorOf("$ = 1"), "test.fmcalc:1:1: expected a variable name after \"$\"\n");
    EXPECT_EQ(errorOf("1 ^ 2"), "test.fmcalc:1:3: unexpected character \"^\"\n");
    EXPECT_EQ(errorOf("char ( 1 ; 2 )"), "test.fmcalc:1:1: Char takes 1 argument, not 2\n");
    EXPECT_EQ(errorOf("Substitute ( 1 ; 2 )"),
              "test.fmcalc:1:1: Substitute takes 3 arguments, not 2\n");
    EXPECT_EQ(errorOf("Substitute ( 1 ; [ 2 ] )"),
              "test.fmcalc:1:18: Substitute takes groups of 2 in brackets\n");
    EXPECT_EQ(errorOf("Case ( 1 )"), "test.fmcalc:1:1: Case takes at least 2 arguments, not 1\n");
    EXPECT_EQ(errorOf("( 1 ]"), "test.fmcalc:1:5: \"]\" without \"[\"\n");
    EXPECT_EQ(errorOf("Let ( [ a = 1\n"),
              "test.fmcalc:2:1: missing \"]\" at the end of the script\n");
    // A Let variable is known in the bindings after its own and in the result, nowhere else.
    EXPECT_EQ(errorOf("Let ( [ a = b ; b = 1 ] ; a )"),
              "test.fmcalc:1:13: unknown function \"b\"\n");
    EXPECT_EQ(errorOf("Let ( a = 1 ; a ) & a"), "test.fmcalc:1:21: unknown function \"a\"\n");
    EXPECT_EQ(errorOf("Let ( 1 = 1 ; 2 )"), "test.fmcalc:1:7: expected a variable name\n");
    EXPECT_EQ(errorOf("While ( i = 0 ; i < 1 ; i = i + 1 )"), "test.fmcalc:1:35: expected \";\"\n");
    EXPECT_EQ(errorOf("$x = "), "test.fmcalc:1:6: expected a value\n");
    EXPECT_EQ(errorOf(std::string(500, '(') + "1" + std::string(500, ')')),
              "test.fmcalc:1:65: expression nested too deeply\n");
    // Script steps: every If and Loop closed, only the steps fmhost runs, fields of a table.
    EXPECT_EQ(errorOf("If [ 1 ]\nEnd Loop"), "test.fmcalc:2:1: End Loop without Loop\n");
    EXPECT_EQ(errorOf("# open\nLoop\n"), "test.fmcalc:2:1: Loop without End Loop\n");
    EXPECT_EQ(errorOf("If [ 1 ]\nElse\nElse If [ 2 ]\nEnd If"),
              "test.fmcalc:3:1: Else If after Else\n");
    EXPECT_EQ(errorOf("Exit Loop If [ 1 ]"), "test.fmcalc:1:1: Exit Loop If outside a Loop\n");
    EXPECT_EQ(errorOf("If [ 1 ]\n  Perform Find [ ]\nEnd If"),
              "test.fmcalc:2:3: fmhost runs no script step \"Perform Find\"\n");
    EXPECT_EQ(errorOf("Perform Script [ “Nope” ]"),
              "test.fmcalc:1:1: cannot read the script Nope.fmscript\n");
    EXPECT_EQ(errorOf("Set Variable [ $x[2] ; 1 ]"),
              "test.fmcalc:1:18: fmhost has no repetitions\n");
    EXPECT_EQ(errorOf("If [ 1 ] 2\nEnd If"), "test.fmcalc:1:10: expected the end of the step\n");
    EXPECT_EQ(errorOf("Go to Record/Request/Page [ By Calculation: 2 ]"),
              "test.fmcalc:1:29: fmhost goes to the First, Last, Next or Previous record\n");
    EXPECT_EQ(errorOf("Set Field [ Contacts::Name ; 1 ]"),
              "test.fmcalc:1:1: no record table for Contacts::Name (fmhost --table FILE)\n");
}

TEST(ScriptLanguage, OperatorsBindAndCompareAsFileMakerDoes) {
    PluginHarness host;
    expectResults({
        {"1 + 2 * 3", number("7")},
        {"( 1 + 2 ) * 3", number("9")},
        {"10 - 2 - 3 & 12 / 4 / 3", text("51")}, // left to right; & after arithmetic
        {"- ( 1 + 1 ) * 3 - -1", number("-5")},
        {"0.1 + 0.2", number("0.3")},
        {"400 * 100 & \"|\" & 1 / 8 & \"|\" & 2 / 3", text("40000|0.125|0.666666666666667")},
        {"1 / 0", text("?")},
        {"\"FY98\" + 1 & \"|\" & \"abc\" * 2 & \"|\" & True + True", text("99|0|2")},
        {"( \"ABC\" = \"abc\" ) & ( \"émile\" = \"ÉMILE\" ) & ( \"a\" ≠ \"A\" ) & ( 1 <> 2 )",
         text("1101")},
        // Numbers compare as numbers, also with a text that is one; two texts as texts.
        {"( \"10\" < 9 ) & ( \"10\" < \"9\" ) & ( 10 > \" 9 \" ) & ( \"b\" > \"A\" )",
         text("0111")},
        {"( 2 ≤ 2 ) & ( 2 <= 1 ) & ( 3 ≥ 4 ) & ( 3 >= 3 ) & ( $unset = \"\" ) & ( $unset = 0 )",
         text("100110")},
        {"not 1 = 2", number("1")},
        {"not 0 and 0", number("0")},
        {"1 or 1 and 0", number("1")},
        {"( 1 xor 1 ) & ( 1 xor 0 ) & ( 0 OR 0 ) & ( 2 And \"x1\" )", text("0101")},
    });
}

TEST(ScriptLanguage, TextListAndChoiceFunctions) {
    PluginHarness host;
    expectResults({
        {"If ( 1 > 2 ; \"y\" ; \"n\" ) & If ( 0 ; \"y\" ) & IF ( 1 ; \"y\" )", text("ny")},
        {"Case ( 0 ; \"a\" ; 1 ; \"b\" ; \"c\" ) & Case ( 0 ; \"a\" ; \"d\" ) & Case ( 0 ; 1 )",
         text("bd")},
        {"ValueCount ( \"\" ) & ValueCount ( \"a¶b¶\" ) & ValueCount ( \"a¶¶b\" )", text("023")},
        {"List ( \"a\" ; \"\" ; 3 ; $unset )", text("a\r3")},
        {"SortValues ( \"b¶A¶a¶\" ) & SortValues ( \"\" )", text("A\ra\rb\r")},
        {"IsEmpty ( \"\" ) & IsEmpty ( 0 ) & IsEmpty ( $unset )", text("101")},
        {"Exact ( \"Ab\" ; \"Ab\" ) & Exact ( \"Ab\" ; \"ab\" ) & Exact ( 1 ; \"1\" )",
         text("101")},
        {"Length ( \"héllo\" & Char ( 128512 ) )", number("6")},
        {"GetAsNumber ( \"$1,254.50\" )", number("1254.5")},
        {"GetAsNumber ( \"-a5\" ) & \"|\" & GetAsNumber ( \"abc\" ) & \"|\" & GetAsText ( 12.50 )",
         text("-5||12.5")},
        {"Left ( \"héllo\" ; 2 ) & \"|\" & Right ( \"héllo\" ; 3 ) & \"|\" & "
         "Middle ( \"héllo\" ; 2 ; 3 ) & \"|\" & Middle ( \"abc\" ; 2 ; 99 ) & \"|\" & "
         "Left ( \"abc\" ; -1 ) & Right ( \"abc\" ; 9 )",
         text("hé|llo|éll|bc|abc")},
        {"Position ( \"Mississippi\" ; \"S\" ; 1 ; 2 ) & Position ( \"Mississippi\" ; \"ss\" ; "
         "11 ; -1 ) & Position ( \"aaa\" ; \"aa\" ; 1 ; 2 ) & Position ( \"éé\" ; \"É\" ; 2 ; 1 ) "
         "& Position ( \"abc\" ; \"x\" ; 1 ; 1 )",
         text("46220")},
        {"PatternCount ( \"Mississippi\" ; \"ISSI\" )", number("2")},
        {"Substitute ( \"abc\" ; [ \"a\" ; \"b\" ] ; [ \"b\" ; \"c\" ] )", text("ccc")},
    });
}

TEST(ScriptLanguage, LetAndWhileVariables) {
    PluginHarness host;
    expectResults({
        {"Let ( [ a = 1 ; ~b = a + 1 ; a = a + ~b ] ; a & ~b )", text("32")},
        {"Let ( a = 2 ; Let ( a = 3 ; a ) & a ) & LET ( X = 1 ; x )", text("321")},
        {"While ( [ i = 0 ; out = \"\" ] ; i < 5 ; [ i = i + 1 ; out = out & i ] ; out )",
         text("12345")},
        // A variable the logic sets first belongs to the loop, emptied each time it starts.
        {"While ( [ i = 3 ; out = \"\" ] ; i > 0 ; [ out = out & \"<\" & While ( j = 0 ; j < i "
         "- 1 ; [ j = j + 1 ; last = j ] ; last ) & \">\" ; i = i - 1 ] ; out )",
         text("<2><1><>")},
        // The logic changes a variable of an outer Let; the initial variables are the loop's.
        {"Let ( [ n = 0 ; i = 7 ] ; While ( i = 0 ; i < 3 ; [ i = i + 1 ; n = n + i ] ; i ) & n "
         "& i )",
         text("367")},
        {"While ( [ i = 0 ] ; i < 50000 ; [ i = i + 1 ] ; i )", number("50000")},
        {"While ( [ i = 0 ] ; True ; [ i = i + 1 ] ; i )", text("?")},
    });
    // $variables set in Let are the script's, and names ignore case.
    const Outcome outcome = runJson("Let ( [ $c = 3 ; $$g = 4 ] ; 1 )\n$C & $$G & $g");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(
        outcome.out.find(
            R"("line": 2, "call": null, "var": null, "result": {"type": "text", "value": "34"})"),
        std::string::npos)
        << outcome.out;
}

TEST(ScriptLanguage, JsonPathsTypesAndErrors) {
    PluginHarness host;
    RunOptions options;
    options.variables = {{"j", R"({"b":{"c":[10,{"d":"x"}]},"a":true,"n":1.50,"z":null})"}};
    expectResults(
        {
            {"JSONGetElement ( $j ; \"b.c[1].d\" )", text("x")},
            {"JSONGetElement ( $j ; \".b\" )", text(R"({"c":[10,{"d":"x"}]})")},
            {"JSONGetElement ( $j ; \"a\" ) & JSONGetElement ( $j ; \"z\" ) & \"|\" & "
             "JSONGetElement ( $j ; \"n\" ) & JSONGetElement ( $j ; \"b.none[3]\" )",
             text("1|1.5")},
            {"JSONGetElement ( \"[10,20]\" ; 1 ) & JSONGetElement ( \"[10,20]\" ; \"[0]\" )",
             text("2010")},
            {"JSONListKeys ( $j ; \"\" ) & \"|\" & JSONListKeys ( $j ; \"b.c\" )",
             text("a\rb\rn\rz|0\r1")},
            {"JSONSetElement ( \"\" ; \"b.c[1]\" ; 5 ; JSONNumber )",
             text(R"({"b":{"c":[null,5]}})")},
            {"JSONSetElement ( \"{\\\"z\\\":1}\" ; [ \"a\" ; \"[1]\" ; JSONArray ] ; [ \"a[+]\" ; "
             "\"x\" ; JSONString ] ; [ \"t\" ; \"true\" ; JSONBoolean ] ; [ \"o\" ; \"\" ; "
             "JSONObject ] ; [ \"r\" ; \"abc\" ; JSONRaw ] ; [ \"r2\" ; \"[2]\" ; JSONRaw ] ; [ "
             "\"n\" ; \"12.50\" ; JSONNumber ] ; [ \"u\" ; 1 ; JSONNull ] )",
             text(R"({"a":[1,"x"],"n":12.5,"o":{},"r":"abc","r2":[2],"t":true,"u":null,"z":1})")},
            {"JSONFormatElements ( \"{\\\"b\\\":1,\\\"a\\\":[2]}\" )",
             text("{\r\t\"a\": [\r\t\t2\r\t],\r\t\"b\": 1\r}")},
            {"JSONRaw & JSONString & JSONNumber & JSONObject & JSONArray & JSONBoolean & JSONNull",
             text("0123456")},
            {"JSONGetElement ( $j ; \"b[x]\" )", text("? Invalid path: b[x]")},
            {"JSONSetElement ( $j ; \"n.x\" ; 1 ; JSONNumber )",
             text("? The path n.x needs an object where the JSON holds a number")},
            {"JSONSetElement ( \"{}\" ; \"[+]\" ; 1 ; JSONNumber )",
             text("? The path [+] needs an array where the JSON holds an object")},
            {"JSONSetElement ( \"[]\" ; \"[1000000]\" ; 1 ; JSONNumber )",
             text("? Index beyond 1000000: [1000000]")},
        },
        options);
    // Invalid JSON: FileMaker's kind of message, with the place of the fault.
    const std::string syntaxError =
        R"({"type": "text", "value": "? * Line 1, Column 9\r  syntax error while parsing)";
    for (const char* bad : {"JSONGetElement ( \"{\\\"a\\\":tru}\" ; \"a\" )",
                            "JSONSetElement ( \"{}\" ; \"a\" ; \"{\\\"a\\\":tru}\" ; JSONObject )",
                            "JSONListKeys ( \"{\\\"a\\\":tru}\" ; \"\" )"})
        EXPECT_EQ(resultOf(bad).rfind(syntaxError, 0), 0u) << resultOf(bad);
    EXPECT_EQ(resultOf("JSONFormatElements ( \"[1,¶2,\" & Char ( 10 ) & \"x]\" )")
                  .rfind(R"({"type": "text", "value": "? * Line 3, Column 1\r  syntax error)", 0),
              0u);
    options.variables = {{"deep", std::string(100000, '[')}};
    EXPECT_EQ(resultOf("JSONFormatElements ( $deep )", options),
              text("? JSON nested more than 512 levels deep"));
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
            R"({"line": 2, "call": "VorlixPlugin_Version", "var": null, "result": {"type": "none", "value": null}, "error": 7, "seen": "?"})"),
        std::string::npos)
        << outcome.out;

    fmx::host::failHostCall(6, 2);
    const Outcome lenient = runJson(script);
    EXPECT_EQ(lenient.exitCode, 0);
    EXPECT_NE(lenient.out.find("\"error\": -1, \"seen\": \"?\"}"), std::string::npos);
    EXPECT_NE(lenient.out.find("\"line\": 3"), std::string::npos);
}

TEST(ScriptSession, LoopsCallRegisteredFunctionsAndReportTheFirstFailure) {
    PluginHarness host;
    const std::string script =
        "$versions = While (\n"
        "  [ i = 0 ; out = \"\" ] ;   // one value per call\n"
        "  i < 3 ;\n"
        "  [ i = i + 1 ;\n"
        "    /* a registered function in the logic */\n"
        "    out = List ( out ; i & \":\" & VorlixPlugin_Version ( \"short\" ) ) ] ;\n"
        "  out )\n";
    EXPECT_EQ(
        runJson(script).out,
        R"({"line": 1, "call": null, "var": "versions", "result": {"type": "text", "value": "1:0.10\r2:0.10\r3:0.10"}, "error": 0})"
        "\n");
    // The first call fails: the calculation ends there, as in FileMaker, and gives "?"; the
    // output shows what the call returned, and a strict run stops.
    fmx::host::failHostCall(1, 2);
    RunOptions options;
    options.strict = true;
    const Outcome outcome = runJson(script + "VorlixPlugin_Version\n", options);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(
        outcome.out,
        R"({"line": 1, "call": null, "var": "versions", "result": {"type": "none", "value": null}, "error": -1, "seen": "?"})"
        "\n");
}

TEST(ScriptSession, ImportsEveryCardOfABookAsRows) {
    LoopbackBook book;
    session().current_mapping = createDefaultRawDataMap(); // as CardDav_SetServer leaves it
    CardStore store(book.server);
    for (const auto& [uid, name] : {std::pair<std::string, std::string>{"u1", "Ada Lovelace"},
                                    {"u2", "Grace Hopper"},
                                    {"u3", "Hedy Lamarr"}}) {
        book.addCard(uid);
        store.put("/alice/book/" + uid + "-file.vcf",
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name +
                      "\r\nEND:VCARD\r\n",
                  "c-tag");
    }
    store.failNext("GET", "/alice/book/u2-file.vcf", loopback::Response(500));
    RunOptions options;
    options.tablePath =
        tableFile("import.json", R"({"table": "Contacts", "fields": ["UID", "Name"]})");
    const Outcome outcome =
        runJson("Set Variable [ $uids ; Value: CardDav_GetAddressbookvCards ]\n"
                "Set Variable [ $i ; Value: 0 ]\n"
                "Loop\n"
                "  Set Variable [ $i ; Value: $i + 1 ]\n"
                "  Exit Loop If [ $i > ValueCount ( $uids ) ]\n"
                "  Set Variable [ $uid ; Value: GetValue ( $uids ; $i ) ]\n"
                "  Set Variable [ $read ; Value: CardDav_GetvCard ( $uid ) ]\n"
                "  If [ CardDav_LastError = 0 ]\n"
                "    New Record/Request\n"
                "    Set Field [ Contacts::UID ; $uid ]\n"
                "    Set Field [ Contacts::Name ; CardDav_GetvCardItem ( \"displayname\" ) ]\n"
                "  Else\n"
                "    Set Variable [ $failed ; Value: $uid & \" \" & CardDav_LastError ]\n"
                "  End If\n"
                "End Loop\n",
                options);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(rowsOf(options.tablePath), "u1:Ada Lovelace|u3:Hedy Lamarr");
    EXPECT_NE(outcome.out.find(R"("var": "failed", "result": {"type": "text", "value": "u2 47"})"),
              std::string::npos)
        << outcome.out;
}

// Script steps on a table of two records and a global: what each script leaves in the table.
TEST(ScriptSteps, WhatEachScriptLeavesInTheTable) {
    PluginHarness host;
    resetPluginState(); // no connection: a server function fails with 11
    const struct {
        const char* script;
        const char* rows;
    } cases[] = {
        {"# every record once; a disabled step and options of no use without dialogs\n"
         "Set Error Capture [ On ]\n"
         "Go to Record/Request/Page [ First ]\n"
         "Loop\n"
         "  Set Field [ Contacts::Note ; Contacts::Name & \"!\" ]\n"
         "  // Set Field [ Contacts::Note ; \"disabled\" ]\n"
         "  Go to Record/Request/Page [ Next ; Exit after last: On ]\n"
         "End Loop\n"
         "Commit Records/Requests [ With dialog: Off ]",
         "Ada:Ada!|Grace:Grace! #t0"},
        {"If [ Get ( FoundCount ) = 3 ]\n  Set Field [ Contacts::Token ; \"three\" ]\n"
         "Else If [ Get ( FoundCount ) = 2 ]\n  Set Field [ Contacts::Token ; \"two\" ]\n"
         "Else\n  Set Field [ Contacts::Token ; \"other\" ]\nEnd If",
         "Ada:|Grace:x #two"},
        // Deleting makes the record after current, or the new last one.
        {"Delete Record/Request [ With dialog: Off ]\n"
         "Set Field [ Contacts::Note ; Get ( RecordNumber ) ]\n"
         "New Record/Request\nSet Field [ Contacts::Name ; \"Hedy\" ]\n"
         "Delete Record/Request\nSet Field [ Contacts::Note ; Contacts::Note & \" last\" ]",
         "Grace:1 last #t0"},
        // Exit after last leaves only a loop.
        {"Go to Record/Request/Page [ Last ]\nSet Field [ Contacts::Note ; \"L\" ]\n"
         "Go to Record/Request/Page [ Previous ]\nSet Field [ Contacts::Note ; \"P\" ]\n"
         "Go to Record/Request/Page [ Previous ; Exit after last: On ]\n"
         "Set Field [ Contacts::Token ; Get ( RecordNumber ) ]",
         "Ada:P|Grace:L #1"},
        {"Set Variable [ $i ; Value: 0 ]\nLoop\n  Set Variable [ $i ; $i + 1 ]\n"
         "  Exit Loop If [ $i ≥ 3 ]\nEnd Loop\nSet Field [ Contacts::Token ; $i ]\n"
         "Exit Script [ Text Result: $i ]\nSet Field [ Contacts::Token ; \"after\" ]",
         "Ada:|Grace:x #3"},
        {"Set Field By Name [ \"Contacts::\" & \"note\" ; GetField ( \"Contacts::Name\" ) & "
         "GetField ( \"Contacts::Nope\" ) ]",
         "Ada:Ada?|Grace:x #t0"},
        // A call that returns a code: the whole calculation is "?", evaluated no further, so a
        // failure never shows in a result; CardDav_LastError tells it.
        {"Set Field [ Contacts::Note ; Let ( $before = 1 ; \"\" ) & CardDav_GetvCard ( \"x\" ) & "
         "Let ( $after = 1 ; \"\" ) ]\n"
         "If [ not CardDav_GetvCard ( \"x\" ) ]\n  Set Field [ Contacts::Name ; \"seen\" ]\n"
         "End If\n"
         "Set Field [ Contacts::Token ; $before & $after & \"|\" & CardDav_LastError ]",
         "Ada:?|Grace:x #1|11"},
        // A performed script has local variables of its own; $$variables are shared.
        {"Set Variable [ $outer ; Value: \"o\" ]\n"
         "Perform Script [ Specified: From list ; “Performed” ; Parameter: \"p\" ]\n"
         "Set Field [ Contacts::Token ; Get ( ScriptResult ) & $inner & $outer & $$shared ]",
         "Ada:p|Grace:x #p!op"},
    };
    std::ofstream(::testing::TempDir() + "Performed.fmscript")
        << "Set Variable [ $inner ; Value: \"i\" ]\n"
           "Set Variable [ $$shared ; Value: Get ( ScriptParameter ) ]\n"
           "Set Field [ Contacts::Note ; Get ( ScriptParameter ) & $outer ]\n"
           "Exit Script [ Text Result: Get ( ScriptParameter ) & \"!\" ]\n"
           "Set Field [ Contacts::Note ; \"after\" ]\n";
    for (const auto& c : cases) {
        RunOptions options;
        options.baseDirectory = ::testing::TempDir();
        options.tablePath = tableFile("steps.json", R"({"table": "Contacts",
            "fields": ["Name", "Note"], "globals": {"Token": "t0"},
            "records": [{"Name": "Ada"}, {"Name": "Grace", "Note": "x"}]})");
        const Outcome outcome = runJson(c.script, options);
        EXPECT_EQ(outcome.exitCode, 0) << c.script << "\n" << outcome.err;
        EXPECT_EQ(rowsOf(options.tablePath), c.rows) << c.script;
    }
}

// A table file that does not read whole is refused before anything runs, and stays as it was.
TEST(ScriptSteps, TableFilesThatDoNotReadAreRefused) {
    PluginHarness host;
    const std::pair<const char*, const char*> files[] = {
        {"[1,", "is no JSON object with \"table\" and \"fields\""},
        {R"({"table": "C", "fields": [], "view": 1})", "holds the unknown key \"view\""},
        {R"({"table": "C", "fields": ["a", "A"]})", "names the field A twice"},
        {R"({"table": "C x", "fields": []})", "the table's name is no name of letters, digits"},
        {R"({"table": "C", "fields": ["a"], "records": [{"b": 1}]})",
         "record 1 names b, none of \"fields\""},
        {R"({"table": "C", "fields": ["a"], "records": [{"a": [1]}]})",
         "record 1's a is no text, number, null or container: [1]"},
    };
    for (const auto& [json, error] : files) {
        RunOptions options;
        options.tablePath = tableFile("bad.json", json);
        const Outcome outcome = runJson("New Record/Request", options);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find(error), std::string::npos) << outcome.err;
        std::ifstream file(options.tablePath);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), json);
    }
}

TEST(ScriptSteps, ReadableOutputShowsWhatTheScriptDidNotSee) {
    PluginHarness host;
    resetPluginState();
    RunOptions options;
    options.tablePath = tableFile("readable.json", R"({"table": "T", "fields": ["A"]})");
    std::ostringstream out, err;
    ScriptSession session(options, out, err);
    EXPECT_EQ(session.runScript("Set Variable [ $c ; Value: CardDav_GetvCard ( \"x\" ) ]\n"
                                "New Record/Request\nSet Field [ T::A ; \"a¶b\" ]\n"
                                "Show Custom Dialog [ \"Title\" ; $c ]\n"),
              0);
    EXPECT_EQ(out.str(), "Set Variable [ $c ; Value: CardDav_GetvCard ( \"x\" ) ]\n"
                         "→ ? (not seen by the script: CardDav_GetvCard returned 0)\n  error 11\n\n"
                         "New Record/Request\n→ record 1 of 1\n\n"
                         "Set Field [ T::A ; \"a¶b\" ]\n→ a\n  b\n\n"
                         "Show Custom Dialog [ \"Title\" ; $c ]\n→ [Title] ?\n\n"
                         "== T: 1 record\n  1. A: a¶b\n");
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
    std::istringstream in("VorlixPlugin_Version (\n\"long\" )\nNope\nVorlixPlugin_Version\nLet ( [ "
                          "a = 1 ;\n b = 2 ] ; a + b )\n");
    std::ostringstream out, err;
    RunOptions options;
    options.json = true;
    ScriptSession session(options, out, err);
    EXPECT_EQ(session.runInteractive(in), 0);
    EXPECT_EQ(err.str(), "<stdin>:3:1: unknown function \"Nope\"\n");
    EXPECT_NE(out.str().find("   ...> {\"line\": 1, "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"value\": \"Talvero 0.10\""), std::string::npos);
    EXPECT_NE(out.str().find("{\"line\": 4, "), std::string::npos);
    EXPECT_NE(
        out.str().find(
            R"(   ...> {"line": 5, "call": null, "var": null, "result": {"type": "number", "value": 3})"),
        std::string::npos)
        << out.str();
}

TEST(Calculation, NumbersAsTextsTextsAsNumbersAndCase) {
    const std::pair<double, const char*> written[] = {{40000, "40000"},
                                                      {-2.5, "-2.5"},
                                                      {0.0001, "0.0001"},
                                                      {-0.0, "0"},
                                                      {1e21, "1000000000000000000000"},
                                                      {1.5e-7, "0.00000015"},
                                                      {0.1 + 0.2, "0.30000000000000004"},
                                                      {1.0 / 0.0, "?"},
                                                      {123.456, "123.456"}};
    for (const auto& [value, text] : written)
        EXPECT_EQ(numberText(value), text) << value;
    EXPECT_EQ(roundedResult(0.1 + 0.2), 0.3);

    const std::pair<const char*, std::optional<double>> read[] = {
        {"$1,254.50", 1254.5}, {"FY98", 98}, {"-a5", -5},           {"5-3", 53},
        {"1.2.3", 1.23},       {".5", 0.5},  {"abc", std::nullopt}, {"-.", std::nullopt}};
    for (const auto& [text, value] : read)
        EXPECT_EQ(numberInText(text), value) << text;
    for (const char* number : {"12", " -1.5 ", ".5", "+3."})
        EXPECT_TRUE(isNumberText(number)) << number;
    for (const char* text : {"", "-", "1e3", "1 2", "1,5", "x1"})
        EXPECT_FALSE(isNumberText(text)) << text;

    // Capitals of Latin-1, Latin Extended-A, Greek and Cyrillic; the rest stays.
    EXPECT_EQ(foldCase("ÀÉÞ×ß ĀĹŸŽ İ ΑΩ ЁАЯ Z"), "àéþ×ß āĺÿž İ αω ёая z");
    EXPECT_TRUE(sameName("JSONGetElement", "jsongetelement"));
    EXPECT_FALSE(sameName("Let", "Lets"));
}

TEST(Output, JsonStringsAndDigests) {
    EXPECT_EQ(jsonString("a\"\\\r\n\t\x1f\xC3\xA9"), "\"a\\\"\\\\\\r\\n\\t\\u001f\xC3\xA9\"");
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}
