// Many writes in one call: one line per element for every outcome, and what the server holds
// afterwards, on either server; on the loopback server the requests it took (no listing; the
// changed cards' texts in one multiget), and a server that files new cards where it chooses.
#include "BookOnServer.h"
#include "CardFixtures.h"
#include "ClientCards.h"
#include "Functions/Sessions.h"
#include "Utils/VorlixUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>

namespace {

using loopback::Response;

std::string card(const std::string& uid) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nN:" + uid +
           ";;;;\r\nX-KEPT;X-TYPE=odd:as another client wrote it\r\nEND:VCARD\r\n";
}

std::string path(const std::string& name) {
    return "/home/book/" + name + ".vcf";
}

// The columns of each line: outcome, UID, ETag, href, code, reason.
std::vector<std::vector<std::string>> columns(const std::string& lines) {
    std::vector<std::vector<std::string>> table;
    for (const std::string& line : listEntries(lines))
        table.push_back(tabColumns(line));
    return table;
}

std::string methods(const loopback::HttpServer& server) {
    std::map<std::string, int> counted;
    for (const loopback::Request& request : server.requests())
        ++counted[request.method];
    std::string list;
    for (const auto& [method, count] : counted)
        list += method + " " + std::to_string(count) + " ";
    return list;
}

class CardBatch : public OnBothServers {};

TEST_P(CardBatch, EveryOutcomeOnItsLineAndTheServerHoldsWhatLanded) {
    std::map<std::string, std::string> tags, held;
    for (const char* name : {"a", "b", "c", "f", "r", "y"})
        tags[name] = book.put(name, card(std::string("u") + name));
    // Another client changes b after the script read it, and deletes y.
    book.put("b", replace(card("ub"), "FN:ub", "FN:Robert"));
    book.remove("y");
    for (const char* name : {"b", "f", "r"})
        held[name] = book.text(name);
    // The loopback server refuses two writes.
    if (book.store) {
        book.store->failNext("DELETE", book.path("f"), Response(500));
        book.store->failNext("PUT", book.path("r"), Response(403));
    }
    const auto href = [&](const std::string& name) {
        return R"("href":")" + book.path(name) + R"(","etag":")" +
               (tags.count(name) ? tags[name] : "t" + name) + "\"";
    };
    const std::string note = R"("card":{"note":"from FileMaker"})";
    const struct {
        std::string element;
        const char* outcome;
        std::string uid;
        const char* code;
        bool loopbackAlone;
    } table[] = {
        // Brackets, braces, commas and quotes inside a value are no element boundaries.
        {R"({"action":"create","card":{"uid":"n1","name":{"family":"Neu","given":"Nina"},)"
         R"("note":"a ], \"b\" {c},"}})",
         "created", "n1", "0", false},
        {R"({"action":"change",)" + href("a") + "," + note + "}", "saved", "ua", "0", false},
        {R"({"action":"change",)" + href("b") + "," + note + "}", "conflict", "ub", "19", false},
        {R"({"action":"delete",)" + href("c") + "}", "deleted", "", "0", false},
        {R"({"action":"delete",)" + href("x") + "}", "gone", "", "0", false},
        // Cards named by href alone, never listed, have no UID on their line.
        {R"({"action":"change",)" + href("y") + "," + note + "}", "gone", "", "23", false},
        {R"({"action":"delete",)" + href("f") + "}", "failed", "", "47", true},
        {R"({"action":"change",)" + href("r") + "," + note + "}", "refused", "ur", "43", true},
        {R"({"action":"delete","href":")" + book.path("a") + R"("})", "refused", "", "21", false},
        {R"({"action":"delete","uid":"never-listed","etag":"t"})", "refused", "never-listed", "3",
         false},
        {R"({"action":"rename"})", "refused", "", "21", false},
        {R"({"action":"create","card":{"uid":"n1","note":"twice"}})", "refused", "n1", "4", false},
    };
    std::string elements;
    std::vector<std::size_t> sent;
    for (std::size_t i = 0; i < std::size(table); ++i) {
        if (table[i].loopbackAlone && !book.store)
            continue;
        elements += (elements.empty() ? "[" : ",") + table[i].element;
        sent.push_back(i);
    }
    const CallResult written =
        call("CardDav_WriteCards", {Arg::text(elements + "]"), Arg::text(book.bookUrl)});
    EXPECT_EQ(written.error, 0) << written.text();
    const auto lines = columns(written.text());
    ASSERT_EQ(lines.size(), sent.size()) << written.text();
    for (std::size_t at = 0; at < lines.size(); ++at) {
        const auto& row = table[sent[at]];
        ASSERT_EQ(lines[at].size(), 6u) << at;
        EXPECT_EQ(lines[at][0], row.outcome) << at << ": " << row.element;
        EXPECT_EQ(lines[at][1], row.uid) << at;
        EXPECT_EQ(lines[at][4], row.code) << at << ": " << lines[at][5];
        EXPECT_EQ(lines[at][5].empty(), std::string(row.code) == "0") << at;
    }

    // What landed is on the server, with its new tag on the line; nothing else changed.
    const std::string created = book.text(lines[0][3]);
    EXPECT_EQ(lines[0][2], book.tag(lines[0][3]));
    EXPECT_TRUE(contains(created, "\r\nFN:Nina Neu\r\nN:Neu;Nina;;;\r\n")) << created;
    EXPECT_TRUE(contains(created, "\r\nNOTE:a ]\\, \"b\" {c}\\,\r\n")) << created;
    EXPECT_EQ(lines[1][2], book.tag("a"));
    // Radicale keeps the lines in an order of its own; the loopback store keeps the bytes sent.
    const std::string changed =
        card("ua").insert(card("ua").find("END:VCARD"), "NOTE:from FileMaker\r\n");
    if (book.store) {
        EXPECT_EQ(book.text("a"), changed);
    } else {
        const auto sorted = [](const std::string& text) {
            std::vector<std::string> lines = logicalLines(text);
            std::sort(lines.begin(), lines.end());
            return lines;
        };
        EXPECT_EQ(sorted(book.text("a")), sorted(changed));
    }
    for (const auto& [name, text] : held)
        EXPECT_EQ(book.text(name), text) << name;
    EXPECT_FALSE(book.holds("c"));
    EXPECT_FALSE(book.holds("y"));
    // The texts of the four changed cards in one multiget; one write for each element sent.
    if (book.wire) {
        EXPECT_EQ(methods(*book.wire), "DELETE 3 PUT 4 REPORT 1 ");
    }
    EXPECT_EQ(session().current_vcard_id, "") << "the current card is left alone";
}

INSTANTIATE_ON_BOTH_SERVERS(CardBatch);

// The plug-in pointed at a server of the test's making.
class CardBatchLoopback : public ::testing::Test {
protected:
    CallResult write(const std::string& elements, double from = 0, double count = 0) {
        return plugin.host.call("CardDav_WriteCards",
                                {Arg::text(elements), Arg::text(plugin.bookUrl()),
                                 Arg::number(from), Arg::number(count)});
    }

    LoopbackPlugin plugin;
};

} // namespace

TEST_F(CardBatchLoopback, CardsWrittenWithoutTagAreReadBackInOneRequestAndPiecesGoByIndex) {
    // A server that files new cards where it chooses, under UIDs of its own, answering without a
    // tag (as Google does).
    std::mutex mutex;
    int created = 0;
    plugin.server.setHandler([&](const loopback::Request& request) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (request.method == "PUT")
            return Response(201, {"Location: " + path("srv-" + std::to_string(++created))});
        std::string responses;
        for (int n = 1; n <= created; ++n)
            if (request.body.find(path("srv-" + std::to_string(n))) != std::string::npos)
                responses += "<d:response><d:href>" + path("srv-" + std::to_string(n)) +
                             "</d:href><d:propstat><d:prop><d:getetag>\"s-" + std::to_string(n) +
                             "\"</d:getetag><c:address-data>" + card("srv-" + std::to_string(n)) +
                             "</c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                             "</d:propstat></d:response>";
        return xmlResponse(207, "<d:multistatus xmlns:d=\"DAV:\" "
                                "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">" +
                                    responses + "</d:multistatus>");
    });
    const std::string elements = R"([{"action":"create","card":{"fields":{"displayname":"Zero"}}},)"
                                 R"({"action":"create","card":{"fields":{"displayname":"One"}}},)"
                                 R"({"action":"create","card":{"fields":{"displayname":"Two"}}}])";
    const CallResult piece = write(elements, 1, 5);
    const auto lines = columns(piece.text());
    ASSERT_EQ(lines.size(), 2u) << piece.text();
    std::set<std::string> uids;
    for (const auto& line : lines) {
        EXPECT_EQ(line[0], "created");
        EXPECT_EQ(line[1].rfind("srv-", 0), 0u);
        EXPECT_EQ(line[2], "s-" + line[1].substr(4));
        EXPECT_EQ(line[3], plugin.server.baseUrl() + path(line[1]));
        EXPECT_EQ(line[4], "0");
        const addresscard* known = session().book.card(line[1]);
        ASSERT_NE(known, nullptr);
        EXPECT_EQ(known->etag, line[2]);
        uids.insert(line[1]);
    }
    EXPECT_EQ(uids.size(), 2u);
    EXPECT_EQ(methods(plugin.server), "PUT 2 REPORT 1 ");
    EXPECT_NE(plugin.server.requests()[0].body.find("FN:One\r\n") == std::string::npos,
              plugin.server.requests()[1].body.find("FN:One\r\n") == std::string::npos);

    // Beyond the last element: nothing to do. No array: nothing at all.
    plugin.server.clearRequests();
    EXPECT_EQ(write(elements, 3, 1).text(), "");
    const CallResult notArray = write(R"({"action":"create"})");
    EXPECT_EQ(notArray.error, 21);
    EXPECT_EQ(notArray.text(), "ERROR");
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}
