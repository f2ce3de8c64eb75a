// Many writes in one call against a card store on the loopback server: one line per element for
// every outcome, what the server holds afterwards, and the requests it took (no listing; the
// changed cards' texts in one multiget). The same against Radicale: CardBatchRadicaleTest.cpp.
#include "CardFixtures.h"
#include "CardStore.h"
#include "Functions/Sessions.h"
#include "Transport/HrefResolver.h"

#include <gtest/gtest.h>

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

class CardBatchLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        store.serveBook("/home/book/");
        for (const char* name : {"a", "b", "c", "f", "r"})
            store.put(path(name), card(std::string("u") + name), std::string("t") + name);
    }
    CallResult write(const std::string& elements, double from = 0, double count = 0) {
        return plugin.host.call("CardDav_WriteCards",
                                {Arg::text(elements), Arg::text(plugin.bookUrl()),
                                 Arg::number(from), Arg::number(count)});
    }
    std::string methods() const {
        std::map<std::string, int> counted;
        for (const loopback::Request& request : plugin.server.requests())
            ++counted[request.method];
        std::string list;
        for (const auto& [method, count] : counted)
            list += method + " " + std::to_string(count) + " ";
        return list;
    }

    LoopbackPlugin plugin;
    CardStore store{plugin.server};
};

} // namespace

TEST_F(CardBatchLoopback, EveryOutcomeOnItsLineAndTheServerHoldsWhatLanded) {
    store.failNext("DELETE", path("f"), Response(500));
    store.failNext("PUT", path("r"), Response(403));
    const std::string note = R"("card":{"note":"from FileMaker"})";
    const struct {
        std::string element;
        const char* outcome;
        std::string uid;
        const char* code;
    } table[] = {
        // Brackets, braces, commas and quotes inside a value are no element boundaries.
        {R"({"action":"create","card":{"uid":"n1","name":{"family":"Neu","given":"Nina"},)"
         R"("note":"a ], \"b\" {c},"}})",
         "created", "n1", "0"},
        {R"({"action":"change","href":")" + path("a") + R"(","etag":"ta",)" + note + "}", "saved",
         "ua", "0"},
        {R"({"action":"change","uid":"ub","href":")" + path("b") + R"(","etag":"stale",)" + note +
             "}",
         "conflict", "ub", "19"},
        {R"({"action":"delete","href":")" + path("c") + R"(","etag":"tc"})", "deleted", "", "0"},
        {R"({"action":"delete","href":")" + path("x") + R"(","etag":"tx"})", "gone", "", "0"},
        {R"({"action":"change","href":")" + path("y") + R"(","etag":"ty",)" + note + "}", "gone",
         "", "23"},
        {R"({"action":"delete","href":")" + path("f") + R"(","etag":"tf"})", "failed", "", "47"},
        {R"({"action":"change","href":")" + path("r") + R"(","etag":"tr",)" + note + "}", "refused",
         "ur", "43"},
        {R"({"action":"delete","href":")" + path("a") + R"("})", "refused", "", "21"},
        {R"({"action":"delete","uid":"never-listed","etag":"t"})", "refused", "never-listed", "3"},
        {R"({"action":"rename"})", "refused", "", "21"},
        {R"({"action":"create","card":{"uid":"n1","note":"twice"}})", "refused", "n1", "4"},
    };
    std::string elements = "[";
    for (const auto& row : table)
        elements += (elements.size() > 1 ? "," : "") + row.element;
    const CallResult written = write(elements + "]");
    EXPECT_EQ(written.error, 0) << written.text();
    const auto lines = columns(written.text());
    ASSERT_EQ(lines.size(), std::size(table)) << written.text();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 6u) << i;
        EXPECT_EQ(lines[i][0], table[i].outcome) << i << ": " << table[i].element;
        EXPECT_EQ(lines[i][1], table[i].uid) << i;
        EXPECT_EQ(lines[i][4], table[i].code) << i << ": " << lines[i][5];
        EXPECT_EQ(lines[i][5].empty(), std::string(table[i].code) == "0") << i;
    }

    // What landed is on the server, with its new tag on the line; nothing else changed.
    const std::string created = pathOf(lines[0][3]);
    EXPECT_EQ(lines[0][2], store.tag(created));
    EXPECT_NE(store.text(created).find("\r\nFN:Nina Neu\r\nN:Neu;Nina;;;\r\n"), std::string::npos)
        << store.text(created);
    EXPECT_NE(store.text(created).find("\r\nNOTE:a ]\\, \"b\" {c}\\,\r\n"), std::string::npos)
        << store.text(created);
    EXPECT_EQ(lines[1][2], store.tag(path("a")));
    EXPECT_EQ(store.text(path("a")),
              card("ua").insert(card("ua").find("END:VCARD"), "NOTE:from FileMaker\r\n"));
    for (const char* name : {"b", "f", "r"})
        EXPECT_EQ(store.text(path(name)), card(std::string("u") + name)) << name;
    EXPECT_FALSE(store.holds(path("c")));
    // The texts of the four changed cards in one multiget; one write for each element sent.
    EXPECT_EQ(methods(), "DELETE 3 PUT 4 REPORT 1 ");
    EXPECT_EQ(session().current_vcard_id, "") << "the current card is left alone";
}

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
    EXPECT_EQ(methods(), "PUT 2 REPORT 1 ");
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
