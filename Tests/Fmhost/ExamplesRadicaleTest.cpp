// The example scripts as Tools/demo.sh runs them: the built fmhost against a Radicale holding
// the demo address book (Examples/demo-book). Each runs without a failed call it does not expect,
// shows what it is there to show, and leaves the book as it found it.
#include "PeerClient.h"
#include "RadicaleServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

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

const fs::path kExamples = fs::path(TALVERO_SOURCE_DIR) / "Examples";

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
    // The last value the script gave $name.
    std::string variable(const std::string& name) const {
        std::string value;
        for (const Json& statement : statements)
            if (statement["var"] == name && statement["result"]["value"].is_string())
                value = statement["result"]["value"].get<std::string>();
        return value;
    }
    // The statements whose calls failed, as "name code" (a call's function, else its $variable),
    // leaving out those `expected` names.
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
    return card.find("X-ADDRESSBOOKSERVER-KIND:group") != std::string::npos;
}

std::string displayName(const std::string& card) {
    std::smatch match;
    return std::regex_search(card, match, std::regex("\nFN:([^\r\n]*)")) ? match[1].str() : "";
}

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

    // What another client does between the demo's two sync runs (Tools/demo.sh).
    void changeAsAnotherClient() {
        const fs::path folder = kExamples / "demo-book" / "other-client";
        putCards(folder);
        std::istringstream deleted(readFile(folder / "deleted"));
        for (std::string name; std::getline(deleted, name);)
            ASSERT_LT(peer_.remove(bookPath_ + name).status, 300) << name;
    }

    ExampleRun run(const std::string& script, const std::vector<std::string>& settings = {}) {
        const std::string errPath = ::testing::TempDir() + "examples_radicale_stderr";
        std::string command = std::string(TALVERO_BINARY_DIR) + "/bin/fmhost --json --count-calls";
        for (const std::string& setting :
             {"server=" + server_.baseUrl(), "user=" + server_.user(),
              "password=" + server_.password(), "examples=" + kExamples.string()})
            command += " --set " + shellQuoted(setting);
        for (const std::string& setting : settings)
            command += " --set " + shellQuoted(setting);
        command += " " + shellQuoted((kExamples / script).string()) + " 2>" + errPath;
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
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            result.statements.push_back(Json::parse(line));
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
    // group cards named in `leftGroups`: the plug-in has no function that deletes a group card.
    void expectBookAsBefore(const std::map<std::string, std::string>& before,
                            const std::set<std::string>& leftGroups, const std::string& script) {
        std::map<std::string, std::string> after = stored();
        for (auto card = after.begin(); card != after.end();) {
            const bool left = before.count(card->first) == 0 && isGroup(card->second) &&
                              leftGroups.count(displayName(card->second)) > 0 &&
                              card->second.find("X-ADDRESSBOOKSERVER-MEMBER") == std::string::npos;
            card = left ? after.erase(card) : std::next(card);
        }
        EXPECT_EQ(after, before) << script;
    }

    RadicaleServer server_;
    PeerClient peer_{server_.baseUrl(), server_.user(), server_.password()};
    const std::string bookPath_ = server_.homePath() + "contacts/";
};

// The settings answer 11 until the connection has found the address-book home.
const std::set<std::string> kBeforeConnecting = {"CardDav_SetServer 11", "CardDav_SetAuth 11"};

} // namespace

// Whether every text is among the results.
void expectShown(const ExampleRun& run, const std::vector<std::string>& texts,
                 const std::string& script) {
    const std::string results = run.results();
    for (const std::string& text : texts)
        EXPECT_NE(results.find(text), std::string::npos)
            << script << " shows no " << text << " in\n"
            << results;
}

TEST_F(ExamplesRadicale, EachExampleShowsItsWorkAndCleansUp) {
    const struct {
        const char* script;
        std::vector<std::string> shown; // texts among the results
        std::set<std::string> expectedFailures;
        std::set<std::string> leftGroups;
    } examples[] = {
        {"quickstart.fmcalc", {"Saved", "grace@example.org", "+1 555 0199", "Arlington"}, {}, {}},
        // Rows of every card of the demo book.
        {"import.fmcalc",
         {"Ada Lovelace | ada@example.org | +44 20 7946 0001 | London | Analytical Engines, Ltd. | "
          "Pioneers",
          "Grace Hopper | grace@example.org | +1 212 555 0100 | Washington |  | Pioneers",
          "2 records imported"},
         {},
         {}},
        {"newcard.fmcalc",
         {"Saved", "Katherine Johnson", "\"Pioneers\"", R"({"height":32,"size":223,"type":"png",)"},
         {},
         {"Talvero demo"}},
        {"groups.fmcalc",
         {"Logicians\\, and friends\r", "\nCodebreakers\r\n", "Not changed!", "Changed!",
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
        const ExampleRun run = this->run(example.script);
        ASSERT_EQ(run.exitCode, 0) << example.script << ": " << run.err;
        std::set<std::string> expected = kBeforeConnecting;
        expected.insert(example.expectedFailures.begin(), example.expectedFailures.end());
        EXPECT_EQ(run.failures(expected), std::vector<std::string>()) << example.script;
        expectShown(run, example.shown, example.script);
        expectBookAsBefore(before, example.leftGroups, example.script);
    }
    // The import reads the whole book with one call and opens each card with one more.
    const ExampleRun import = run("import.fmcalc");
    for (const char* calls : {"CardDav_FetchvCards 1,", "CardDav_GetvCardJSON 2,"})
        EXPECT_NE(import.err.find(calls), std::string::npos) << import.err;
    for (const auto& [name, card] : cardFiles(kExamples / "demo-book"))
        if (!isGroup(card))
            expectShown(import, {displayName(card) + " | "}, "import.fmcalc");
}

TEST_F(ExamplesRadicale, SyncBringsInAnotherClientsChangesAndMergesAConflict) {
    const ExampleRun initial = run("sync.fmcalc", {"token=", "table="});
    ASSERT_EQ(initial.exitCode, 0) << initial.err;
    EXPECT_EQ(initial.failures(kBeforeConnecting), std::vector<std::string>());
    expectShown(
        initial,
        {"changed Ada Lovelace", "changed Grace Hopper", "group changed: demo-group-pioneers"},
        "sync.fmcalc");
    const std::string token = initial.variable("token");
    const std::string table = initial.variable("table");
    ASSERT_NE(token, "");

    changeAsAnotherClient();
    const std::map<std::string, std::string> before = stored();
    const ExampleRun incremental = run("sync.fmcalc", {"token=" + token, "table=" + table});
    ASSERT_EQ(incremental.exitCode, 0) << incremental.err;
    // The push of the edited record meets the other client's change: HTTP 412.
    std::set<std::string> expected = kBeforeConnecting;
    expected.insert({"pushed -1", "pushed 19"});
    EXPECT_EQ(incremental.failures(expected), std::vector<std::string>());
    expectShown(incremental,
                {"conflict on Ada Lovelace: another client changed the card since the last sync "
                 "(HTTP 412); re-applied title on the server's card: Saved\r"
                 "deleted Grace Hopper\rchanged Ada Lovelace\rgroup changed: demo-group-pioneers\n",
                 // Both edits survive, and the deleted card's record is gone.
                 "\nAda Lovelace | ada@example.org | +44 20 7946 0001 | London | Edited in "
                 "FileMaker | Changed by another client since the last sync. | Pioneers\n",
                 "title put back: Saved"},
                "sync.fmcalc");
    EXPECT_NE(incremental.variable("token"), token);
    expectBookAsBefore(before, {}, "sync.fmcalc");
}
