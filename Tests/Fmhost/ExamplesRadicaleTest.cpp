// The example scripts as Tools/demo.sh runs them, the FileMaker scripts of README.md and docs/*.md,
// and the reference's examples with the results they show: the built fmhost, as faithful to
// FileMaker as it is, against a Radicale holding the demo address book (Examples/demo-book). Each
// runs without a failed call it does not expect, does its work, and leaves the book as it found it,
// or as its job is to change it.
#include "PeerClient.h"
#include "RadicaleServer.h"
#include "StepParser.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

const fs::path kSource = TALVERO_SOURCE_DIR;
const fs::path kExamples = kSource / "Examples";

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct ExampleRun {
    int exitCode = -1;
    std::string err;
    std::vector<Json> statements; // fmhost's --json lines

    // Every statement's result text, one after another.
    std::string results() const {
        std::string all;
        for (const Json& statement : statements)
            if (statement["result"]["value"].is_string())
                all += statement["result"]["value"].get<std::string>() + "\n";
        return all;
    }
    // The message of the last dialog with `title`.
    std::string dialog(const std::string& title) const {
        std::string message = "no dialog " + title;
        for (const Json& statement : statements)
            if (statement.value("title", "") == title)
                message = statement["result"]["value"].get<std::string>();
        return message;
    }
    // The calls that returned a non-zero code, as "name code", leaving out those `expected`.
    std::vector<std::string> failures(const std::set<std::string>& expected) const {
        std::vector<std::string> failed;
        for (const Json& statement : statements) {
            const Json& name = statement["call"].is_string() ? statement["call"] : statement["var"];
            const std::string failure = (name.is_string() ? name.get<std::string>() : "line") +
                                        " " + std::to_string(statement["error"].get<int>());
            if (statement["error"] != 0 && expected.count(failure) == 0)
                failed.push_back(failure + " (line " + statement["line"].dump() + ")");
        }
        return failed;
    }
};

// The cards of a demo-book folder, by file name.
std::map<std::string, std::string> cardFiles(const fs::path& folder) {
    std::map<std::string, std::string> cards;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".vcf")
            cards[entry.path().filename().string()] = readFile(entry.path());
    return cards;
}

bool isGroup(const std::string& card) {
    return card.find("KIND:group") != std::string::npos;
}

std::string property(const std::string& card, const std::string& name) {
    std::smatch match;
    return std::regex_search(card, match, std::regex("\n" + name + "[;:]([^\r\n]*)"))
               ? match[1].str()
               : "";
}

// A copy of an example table, with the picture its records name, in a folder of the test's own.
std::string tableCopy(const std::string& name) {
    const fs::path folder =
        fs::path(::testing::TempDir()) /
        ("examples_" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(folder);
    fs::copy_file(kExamples / name, folder / name, fs::copy_options::overwrite_existing);
    fs::copy_file(kExamples / "portrait.png", folder / "portrait.png",
                  fs::copy_options::overwrite_existing);
    return (folder / name).string();
}

Json records(const std::string& table) {
    return Json::parse(readFile(table))["records"];
}

// The settings answer 11 until the connection has found the address-book home.
const std::set<std::string> kBeforeConnecting = {"CardDav_SetServer 11", "CardDav_SetAuth 11"};

class ExamplesRadicale : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(peer_.createAddressBook(bookPath_, "Contacts").status, 201) << server_.log();
        putCards(kExamples / "demo-book");
    }

    void putCards(const fs::path& folder) {
        for (const auto& [name, card] : cardFiles(folder))
            ASSERT_LT(peer_.put(bookPath_ + name, card).status, 300) << name;
    }

    // What another client does between the demo's import and its sync (Tools/demo.sh).
    void changeAsAnotherClient() {
        const fs::path folder = kExamples / "demo-book" / "other-client";
        putCards(folder);
        std::istringstream deleted(readFile(folder / "deleted"));
        for (std::string name; std::getline(deleted, name);)
            ASSERT_LT(peer_.remove(bookPath_ + name).status, 300) << name;
    }

    // fmhost --json with the account's settings and `settings`, on `table` when given.
    ExampleRun run(const fs::path& script, const std::string& table = "",
                   const std::vector<std::string>& settings = {}) {
        // One file per test: CTest may run the tests side by side.
        const std::string errPath = ::testing::TempDir() + "examples_radicale_stderr_" +
                                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string command = std::string(TALVERO_BINARY_DIR) + "/bin/fmhost --json --count-calls";
        for (const std::string& setting :
             {"server=" + server_.baseUrl(), "user=" + server_.user(),
              "password=" + server_.password(), "examples=" + kExamples.string()})
            command += " --set " + shellQuoted(setting);
        for (const std::string& setting : settings)
            command += " --set " + shellQuoted(setting);
        if (!table.empty())
            command += " --table " + shellQuoted(table);
        command += " " + shellQuoted(script.string()) + " 2>" + errPath;
        ExampleRun result;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return result;
        std::string out;
        std::array<char, 4096> buffer;
        for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), n);
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = readFile(errPath);
        std::remove(errPath.c_str());
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            result.statements.push_back(Json::parse(line));
        return result;
    }

    // Runs and checks that nothing failed but the calls `expected` to.
    ExampleRun runClean(const fs::path& script, const std::string& table = "",
                        const std::set<std::string>& expected = {}) {
        ExampleRun result = run(script, table);
        EXPECT_EQ(result.exitCode, 0) << script << ": " << result.err;
        std::set<std::string> allowed = kBeforeConnecting;
        allowed.insert(expected.begin(), expected.end());
        EXPECT_EQ(result.failures(allowed), std::vector<std::string>()) << script;
        return result;
    }

    // The book as Radicale stores it: each card's file by name.
    std::map<std::string, std::string> stored() const {
        const fs::path folder = fs::path(server_.folder()) / "collections" / "collection-root" /
                                server_.user() / "contacts";
        std::map<std::string, std::string> cards;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string()[0] != '.')
                cards[entry.path().filename().string()] = readFile(entry.path());
        return cards;
    }

    // Everything the book held before is there as it was, and nothing else is, but for empty
    // group cards named in `leftGroups`, which the scripts leave behind.
    void expectBookAsBefore(const std::map<std::string, std::string>& before,
                            const std::set<std::string>& leftGroups, const std::string& script) {
        std::map<std::string, std::string> after = stored();
        for (auto card = after.begin(); card != after.end();) {
            const bool left = before.count(card->first) == 0 && isGroup(card->second) &&
                              leftGroups.count(property(card->second, "FN")) > 0 &&
                              card->second.find("MEMBER") == std::string::npos;
            card = left ? after.erase(card) : std::next(card);
        }
        EXPECT_EQ(after, before) << script;
    }

    // The stored card whose FN is `name`.
    std::string storedCard(const std::string& name) const {
        for (const auto& [file, card] : stored())
            if (property(card, "FN") == name)
                return card;
        return "";
    }

    // Puts the book back as `before` held it: new cards removed, changed or removed ones put back.
    void restoreBook(const std::map<std::string, std::string>& before) {
        for (const auto& [name, card] : stored()) {
            if (before.count(name) == 0) {
                ASSERT_LT(peer_.remove(bookPath_ + name).status, 300) << name;
            }
        }
        const std::map<std::string, std::string> now = stored();
        for (const auto& [name, card] : before) {
            if (now.count(name) == 0 || now.at(name) != card) {
                ASSERT_LT(peer_.put(bookPath_ + name, card).status, 300) << name;
            }
        }
    }

    RadicaleServer server_;
    PeerClient peer_{server_.baseUrl(), server_.user(), server_.password()};
    const std::string bookPath_ = server_.homePath() + "contacts/";
};

// Whether every text is among the results.
void expectShown(const ExampleRun& run, const std::vector<std::string>& texts,
                 const std::string& script) {
    const std::string results = run.results();
    for (const std::string& text : texts)
        EXPECT_NE(results.find(text), std::string::npos)
            << script << " shows no " << text << " in\n"
            << results;
}

// A reference example: calculations, each but the first `preambleLines` followed by the result it
// shows ("→ text", continued on lines indented by two blanks; "→ ? (error N)"; "(empty)"; "⇥" a
// tab; "…" any text).
struct ShownExample {
    std::string script;                  // the calculations, shown results blanked out
    std::map<int, std::string> expected; // by the statement's line
};

ShownExample shownExample(const std::string& preamble, const std::string& block) {
    ShownExample example{preamble, {}};
    int number = static_cast<int>(std::count(preamble.begin(), preamble.end(), '\n'));
    int statement = 0;
    bool inResult = false;
    std::istringstream lines(block);
    for (std::string line; std::getline(lines, line);) {
        ++number;
        const bool continued = inResult && line.rfind("  ", 0) == 0;
        inResult = line.rfind("→", 0) == 0 || continued;
        if (inResult) {
            std::string& shown = example.expected[statement];
            shown += continued ? "\n" + line.substr(2) : line.substr(std::string("→ ").size());
            line.clear();
        } else if (!line.empty()) {
            statement = number;
        }
        example.script += line + "\n";
    }
    return example;
}

// What the reference shows for a statement's result and code.
std::string shownResult(const Json& statement) {
    if (statement["error"] != 0)
        return "? (error " + statement["error"].dump() + ")";
    const Json& value = statement["result"]["value"];
    std::string text = value.is_string() ? value.get<std::string>() : value.dump();
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    text =
        std::regex_replace(std::regex_replace(text, std::regex("\r"), "\n"), std::regex("\t"), "⇥");
    return text.empty() ? "(empty)" : text;
}

bool matchesShown(const std::string& actual, const std::string& shown) {
    std::string pattern;
    for (std::size_t at = 0; at < shown.size();) {
        if (shown.compare(at, std::string("…").size(), "…") == 0) {
            pattern += "[^\n]*";
            at += std::string("…").size();
            continue;
        }
        const char c = shown[at++];
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
            pattern += '\\';
        pattern += c;
    }
    return std::regex_match(actual, std::regex(pattern));
}

} // namespace

TEST_F(ExamplesRadicale, EachCalculationExampleShowsItsWorkAndCleansUp) {
    const struct {
        const char* script;
        std::vector<std::string> shown; // texts among the results
        std::set<std::string> expectedFailures;
        std::set<std::string> leftGroups;
    } examples[] = {
        {"quickstart.fmcalc", {"Saved", "grace@example.org", "+1 555 0199", "Arlington"}, {}, {}},
        {"groups.fmcalc",
         {"Logicians, and friends\r", "\nCodebreakers\r\n", "Not changed!", "Changed!",
          "Not changed!"},
         {},
         {"Codebreakers", "Logicians\\, and friends"}},
        {"mapping.fmcalc",
         {"mobile,TEL,CELL", "+1 555 0142", "Los Angeles"},
         {"CardDav_SetMapping 31", "CardDav_SetServer 11"},
         {}},
    };
    for (const auto& example : examples) {
        const std::map<std::string, std::string> before = stored();
        const ExampleRun run = runClean(kExamples / example.script, "", example.expectedFailures);
        expectShown(run, example.shown, example.script);
        expectBookAsBefore(before, example.leftGroups, example.script);
    }
}

// The import fills the table; a user edits a title in FileMaker while another client changes the
// same card; the sync meets the other client's change (19), merges both edits, and brings in the
// other client's deletion.
TEST_F(ExamplesRadicale, ImportThenSyncMergesAnotherClientsChange) {
    const std::string table = tableCopy("Contacts.json");
    const std::map<std::string, std::string> before = stored();
    const ExampleRun import = runClean(kExamples / "import.fmscript", table);
    EXPECT_EQ(import.dialog("Import"), "2 records imported");
    expectBookAsBefore(before, {}, "import.fmscript");
    // The whole book in one call, each card opened with one more.
    for (const char* calls : {"CardDav_FetchvCards 1,", "CardDav_GetvCardJSON 2,"})
        EXPECT_NE(import.err.find(calls), std::string::npos) << import.err;
    const Json imported = records(table);
    ASSERT_EQ(imported.size(), 2u);
    EXPECT_EQ(imported[0]["Organisation"], "Analytical Engines, Ltd.");
    EXPECT_EQ(imported[1]["City"], "Washington");
    EXPECT_EQ(imported[1]["Groups"], "Pioneers");
    const std::string token = Json::parse(readFile(table))["globals"]["SyncToken"];
    EXPECT_NE(token, "");

    runClean(kExamples / "demo-book" / "edit-title.fmscript", table);
    changeAsAnotherClient();
    const ExampleRun sync = runClean(kExamples / "sync.fmscript", table, {"CardDav_SaveCard 19"});
    EXPECT_EQ(sync.dialog("Sync"), "pushed Ada Lovelace, merged with another client's change\r"
                                   "changed Ada Lovelace\rdeleted Grace Hopper");
    // Both edits are on the server and in the record; Grace's record is gone.
    const std::string ada = storedCard("Ada Lovelace");
    EXPECT_EQ(property(ada, "TITLE"), "Edited in FileMaker");
    EXPECT_EQ(property(ada, "NOTE"), "Changed by another client since the last sync.");
    const Json synced = records(table);
    ASSERT_EQ(synced.size(), 1u);
    EXPECT_EQ(synced[0]["Title"], "Edited in FileMaker");
    EXPECT_EQ(synced[0]["Note"], "Changed by another client since the last sync.");
    EXPECT_NE(Json::parse(readFile(table))["globals"]["SyncToken"], token);

    const std::map<std::string, std::string> merged = stored();
    EXPECT_EQ(runClean(kExamples / "sync.fmscript", table).dialog("Sync"), "Nothing changed.");
    expectBookAsBefore(merged, {}, "sync.fmscript");
}

// A new contact with a photo and two groups, one of them new; its deletion refused while another
// client's change is unseen, then done.
TEST_F(ExamplesRadicale, NewContactWithPhotoAndGroupsThenDeleted) {
    const std::string table = tableCopy("NewContact.json");
    const std::map<std::string, std::string> before = stored();
    EXPECT_EQ(runClean(kExamples / "newcard.fmscript", table).dialog("New contact"),
              "Katherine Johnson saved, in Pioneers, Talvero demo");
    const std::string card = storedCard("Katherine Johnson");
    EXPECT_EQ(property(card, "TITLE"), "Research mathematician");
    EXPECT_EQ(property(card, "EMAIL"), "katherine@example.org");
    EXPECT_NE(card.find("PHOTO;ENCODING=B;TYPE=PNG:iVBORw0KGgo"), std::string::npos) << card;
    Json record = records(table)[0];
    const std::string uid = record["UID"];
    EXPECT_NE(storedCard("Pioneers").find("urn:uuid:" + uid), std::string::npos);
    EXPECT_NE(storedCard("Talvero demo").find("urn:uuid:" + uid), std::string::npos);
    const std::string href = record["Href"];
    EXPECT_EQ(record["ETag"], std::regex_replace(peer_.get(href).etag, std::regex("\""), ""));

    // Another client changes the card: the record's ETag is stale, and nothing is deleted.
    const PeerResponse changed = peer_.put(
        href, std::regex_replace(card, std::regex("\r\nTITLE:[^\r]*"), "\r\nTITLE:Changed"));
    ASSERT_LT(changed.status, 300);
    const ExampleRun refused =
        runClean(kExamples / "delete.fmscript", table, {"CardDav_DeleteCard 19"});
    EXPECT_EQ(refused.dialog("Not deleted").rfind("Another client changed Katherine Johnson", 0),
              0u);
    EXPECT_NE(storedCard("Katherine Johnson"), "");
    ASSERT_EQ(records(table).size(), 1u);

    // With the tag a sync would have brought in, the card and the record go.
    Json file = Json::parse(readFile(table));
    file["records"][0]["ETag"] = std::regex_replace(changed.etag, std::regex("\""), "");
    std::ofstream(table, std::ios::binary | std::ios::trunc) << file.dump();
    EXPECT_EQ(runClean(kExamples / "delete.fmscript", table).dialog("Deleted"),
              "Katherine Johnson");
    EXPECT_EQ(records(table).size(), 0u);
    expectBookAsBefore(before, {"Talvero demo"}, "newcard.fmscript, delete.fmscript");
}

// Every FileMaker script of the README and of docs/*.md, found by its form (a code block that
// begins with a script step), run as written after a preamble that makes the account and the
// book known, on a record of Ada Lovelace: no call fails, the fields it sets are filled, and the
// book is as it was but for the note a snippet writes back. Then every example of the reference
// (a block of calculations), each giving the results it shows.
TEST_F(ExamplesRadicale, EveryDocumentedScriptRunsAsWritten) {
    std::vector<fs::path> documents = {kSource / "README.md"};
    if (fs::is_directory(kSource / "docs"))
        for (const auto& entry : fs::directory_iterator(kSource / "docs"))
            if (entry.path().extension() == ".md")
                documents.push_back(entry.path());
    std::vector<std::pair<std::string, std::string>> snippets; // where, script
    std::vector<std::pair<std::string, std::string>> examples; // where, calculations shown
    for (const fs::path& document : documents) {
        std::istringstream lines(readFile(document));
        std::string line, block, fence;
        bool inBlock = false;
        int number = 0, start = 0;
        while (std::getline(lines, line)) {
            ++number;
            if (line.rfind("```", 0) == 0) {
                const std::string where =
                    document.filename().string() + ":" + std::to_string(start);
                if (inBlock && fence == "fmcalc")
                    examples.emplace_back(where, block);
                else if (inBlock && looksLikeSteps(block))
                    snippets.emplace_back(where, block);
                inBlock = !inBlock;
                fence = line.substr(3);
                block.clear();
                start = number + 1;
            } else if (inBlock) {
                block += line + "\n";
            }
        }
    }
    ASSERT_GE(snippets.size(), 4u);
    // One example at least for each function of the reference.
    ASSERT_GE(examples.size(), 39u);

    const std::string ada = bookPath_ + "ada-lovelace.vcf";
    const std::string original = readFile(kExamples / "demo-book" / "ada-lovelace.vcf");
    const std::string preamble =
        "Set Variable [ $ok ; Value: CardDav_SetServer ( $server ) ]\n"
        "Set Variable [ $ok ; Value: CardDav_SetAuth ( \"basic\" ; $user ; $password ) ]\n"
        "Set Variable [ $ok ; Value: CardDav_SelectAddressBook ( GetValue ( "
        "CardDav_GetAddressBooks ; 1 ) ) ]\n";
    const std::string note = "Written back from FileMaker.";
    for (const auto& [where, snippet] : snippets) {
        // The snippet's fields, on one record.
        Json record = {{"UID", "demo-ada-lovelace"},
                       {"ETag", std::regex_replace(peer_.get(ada).etag, std::regex("\""), "")},
                       {"User", server_.user()},
                       {"Password", server_.password()},
                       {"Note", note}};
        std::set<std::string> fields;
        std::set<std::string> filled;
        const std::regex field("Contacts::(\\w+)"), setField("Set Field \\[ Contacts::(\\w+)");
        for (std::sregex_iterator it(snippet.begin(), snippet.end(), field), end; it != end; ++it)
            fields.insert((*it)[1]);
        for (std::sregex_iterator it(snippet.begin(), snippet.end(), setField), end; it != end;
             ++it)
            filled.insert((*it)[1]);
        for (const auto& [name, value] : record.items())
            fields.insert(name);
        const fs::path folder = fs::path(::testing::TempDir()) / "readme_snippets";
        fs::create_directories(folder);
        const std::string table = (folder / "Contacts.json").string();
        std::ofstream(table, std::ios::binary | std::ios::trunc)
            << Json{{"table", "Contacts"}, {"fields", fields}, {"records", {record}}}.dump();
        std::ofstream(folder / "snippet.fmscript", std::ios::binary | std::ios::trunc)
            << preamble << snippet;

        const std::map<std::string, std::string> before = stored();
        const ExampleRun result =
            run(folder / "snippet.fmscript", table, {"uid=demo-ada-lovelace"});
        EXPECT_EQ(result.exitCode, 0) << where << ": " << result.err;
        EXPECT_EQ(result.failures(kBeforeConnecting), std::vector<std::string>()) << where;
        const Json after = records(table)[0];
        for (const std::string& name : filled)
            EXPECT_NE(after[name], "") << where << " left Contacts::" << name << " empty";
        // Only Ada's card may have changed, and only by the note.
        std::map<std::string, std::string> now = stored();
        if (now["ada-lovelace.vcf"] != before.at("ada-lovelace.vcf")) {
            EXPECT_EQ(property(now["ada-lovelace.vcf"], "NOTE"), note) << where;
            now["ada-lovelace.vcf"] = before.at("ada-lovelace.vcf");
            ASSERT_LT(peer_.put(ada, original).status, 300);
        }
        EXPECT_EQ(now, before) << where;
    }

    // Each example of the reference shows what it gives; what it changes is undone after it.
    const std::string calculationPreamble = "CardDav_SetServer ( $server )\n"
                                            "CardDav_SetAuth ( \"basic\" ; $user ; $password )\n"
                                            "$book = GetValue ( CardDav_GetAddressBooks ; 1 )\n"
                                            "CardDav_SelectAddressBook ( $book )\n";
    const int preambleLines = 4;
    for (const auto& [where, block] : examples) {
        const ShownExample example = shownExample(calculationPreamble, block);
        const fs::path script = fs::path(::testing::TempDir()) / "reference_example.fmcalc";
        std::ofstream(script, std::ios::binary | std::ios::trunc) << example.script;
        const std::map<std::string, std::string> before = stored();
        const ExampleRun result = run(script);
        EXPECT_EQ(result.exitCode, 0) << where << ": " << result.err;
        std::set<int> seen;
        for (const Json& statement : result.statements) {
            const int line = statement["line"];
            const auto shown = example.expected.find(line);
            if (shown == example.expected.end()) {
                // Only the preamble's settings may answer 11, as they do before connecting.
                const bool preamble = line <= preambleLines && statement["error"] == 11;
                EXPECT_TRUE(statement["error"] == 0 || preamble)
                    << where << " line " << line << " failed with " << statement["error"];
                continue;
            }
            seen.insert(line);
            EXPECT_TRUE(matchesShown(shownResult(statement), shown->second))
                << where << " line " << line << " shows\n"
                << shown->second << "\nbut gives\n"
                << shownResult(statement);
        }
        EXPECT_EQ(seen.size(), example.expected.size()) << where << ": a shown result no call gave";
        restoreBook(before);
    }
}
