// Synchronisation against answers a real server gives only sometimes: no sync support, truncated
// change lists, cards left out of a multiget; and the requests each function sends.
#include "CardFixtures.h"
#include "Functions/CardDavState.h"

#include <gtest/gtest.h>

namespace {

using loopback::Response;

std::string card(const std::string& uid) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nEND:VCARD\r\n";
}

// A sync-collection answer: changed hrefs with their tags, removed ones, then the token.
std::string syncAnswer(const std::vector<std::pair<std::string, std::string>>& changed,
                       const std::vector<std::string>& removed, const std::string& token,
                       bool truncated = false) {
    std::string body = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\">";
    for (const auto& [href, tag] : changed)
        body += "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop><d:getetag>\"" + tag +
                "\"</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                "</d:response>";
    for (const std::string& href : removed)
        body += "<d:response><d:href>" + href +
                "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
    if (truncated)
        body += "<d:response><d:href>/home/book/</d:href><d:status>HTTP/1.1 507 Insufficient "
                "Storage</d:status><d:error><d:number-of-matches-within-limits/></d:error>"
                "</d:response>";
    return body + "<d:sync-token>" + token + "</d:sync-token></d:multistatus>";
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class SyncLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.selectBook(
            {{"/home/book/a.vcf", "ta", card("ua")}, {"/home/book/b.vcf", "tb", card("ub")}});
    }
    CallResult changes(const std::string& token) {
        return plugin.host.call("CardDav_GetChanges", {Arg::text(token)});
    }

    LoopbackPlugin plugin;
};

} // namespace

TEST_F(SyncLoopback, ServerWithoutSyncSaysSo) {
    const Response refusals[] = {
        Response(501), Response(405), Response(400),
        xmlResponse(403, "<d:error xmlns:d=\"DAV:\"><d:supported-report/></d:error>"),
        // A server that answers the report as if it were another one: no token.
        xmlResponse(207, "<d:multistatus xmlns:d=\"DAV:\"/>")};
    for (const Response& refusal : refusals) {
        plugin.server.enqueue(refusal);
        const CallResult refused = changes("t0");
        EXPECT_EQ(refused.text(), "ERROR: sync not supported") << refusal.status;
        EXPECT_EQ(refused.error, 18) << refusal.status;
    }
    // Other failures are failures of the request.
    plugin.server.enqueue(Response(500));
    EXPECT_EQ(changes("t0").error, 47);
    plugin.server.enqueue(
        xmlResponse(409, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>"));
    EXPECT_EQ(changes("t0").error, 17);
    EXPECT_EQ(plugin.host.call("CardDav_GetSyncToken").text(), "tok-0");
}

TEST_F(SyncLoopback, TruncatedAnswersAreFollowedUpAndUnknownCardsFetched) {
    plugin.server.enqueue(
        xmlResponse(207, syncAnswer({{"/home/book/a.vcf", "ta2"}, {"/home/book/n1", "tn"}},
                                    {"/home/book/b.vcf"}, "t1", true)));
    plugin.server.enqueue(xmlResponse(
        207, syncAnswer({{"/home/book/n2.card", "tm"}}, {"/home/book/gone.vcf"}, "t2")));
    plugin.server.enqueue(
        xmlResponse(207, listingAnswer({{"/home/book/a.vcf", "ta2", card("ua")},
                                        {"/home/book/n1", "tn", card("un1")},
                                        {"/home/book/n2.card", "tm", card("un2")}})));
    const CallResult synced = changes("tok-0");
    EXPECT_EQ(synced.error, 0);
    // In the server's order; the deletion of a card the cache never knew is not reported.
    EXPECT_EQ(synced.text(), "changed\tua\tta2\rchanged\tun1\ttn\rdeleted\tub\rchanged\tun2\ttm\r");

    const auto requests = plugin.server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].requestLine, "REPORT /home/book/ HTTP/1.1");
    EXPECT_NE(
        requests[0].body.find("<D:sync-token>tok-0</D:sync-token><D:sync-level>1</D:sync-level>"),
        std::string::npos)
        << requests[0].body;
    EXPECT_EQ(requests[0].header("Depth"), std::optional<std::string>("0"));
    EXPECT_NE(requests[1].body.find("<D:sync-token>t1</D:sync-token>"), std::string::npos);
    // One multiget for the changed cards, by their paths.
    EXPECT_NE(requests[2].body.find("<C:addressbook-multiget"), std::string::npos);
    EXPECT_EQ(occurrences(requests[2].body, "<D:href>"), 3u);
    EXPECT_NE(requests[2].body.find("<D:href>/home/book/n1</D:href>"), std::string::npos);

    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "ua\run1\run2\r");
    EXPECT_EQ(session().current_addressbook["un1"].url, plugin.bookUrl() + "n1");
    EXPECT_EQ(plugin.host.call("CardDav_GetSyncToken").text(), "t2");

    // The changes name the cards to fetch: the changed ones, not the deleted ones.
    plugin.server.clearRequests();
    plugin.server.enqueue(xmlResponse(207, listingAnswer({{"/home/book/n1", "tn", card("un1")}})));
    const CallResult fetched =
        plugin.host.call("CardDav_FetchvCards",
                         {Arg::text("changed\tun1\ttn\rdeleted\tub\rchanged\tg\tt\tgroup\r")});
    EXPECT_EQ(fetched.text(), "fetched\tun1\r");
    EXPECT_EQ(occurrences(plugin.server.lastRequest().body, "<D:href>"), 1u);
}

TEST_F(SyncLoopback, AFailedReadChangesNothing) {
    plugin.server.enqueue(
        xmlResponse(207, syncAnswer({{"/home/book/n1", "tn"}}, {"/home/book/a.vcf"}, "t1")));
    plugin.server.enqueue(Response(500));
    const CallResult failed = changes("tok-0");
    EXPECT_EQ(failed.text(), "ERROR");
    EXPECT_EQ(failed.error, 47);
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "ua\rub\r");
    EXPECT_EQ(plugin.host.call("CardDav_GetSyncToken").text(), "tok-0");
}

TEST_F(SyncLoopback, FetchedCardsInBatchesOpenWithoutARequest) {
    std::vector<ListedCard> listed;
    std::string uids;
    for (int i = 0; i < 250; ++i) {
        const std::string id = std::to_string(i);
        listed.push_back({"/home/book/c" + id + ".vcf", "t" + id, card("u" + id)});
        uids += "u" + id + "\r";
    }
    plugin.selectBook(listed);
    // The server leaves u7 out of its answer and has lost u8.
    plugin.server.setHandler([&](const loopback::Request& request) {
        std::vector<ListedCard> answer;
        std::string missing;
        for (const ListedCard& entry : listed) {
            if (request.body.find("<D:href>" + entry.href + "</D:href>") == std::string::npos ||
                entry.href == "/home/book/c7.vcf")
                continue;
            if (entry.href == "/home/book/c8.vcf")
                missing = "<d:response><d:href>" + entry.href +
                          "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
            else
                answer.push_back(entry);
        }
        std::string body = listingAnswer(answer);
        body.insert(body.rfind("</d:multistatus>"), missing);
        return xmlResponse(207, body);
    });
    const CallResult fetched =
        plugin.host.call("CardDav_FetchvCards", {Arg::text(uids + "nobody")});
    EXPECT_EQ(fetched.error, 0);
    const std::vector<std::string> lines = listEntries(fetched.text());
    ASSERT_EQ(lines.size(), 251u);
    EXPECT_EQ(lines[6], "fetched\tu6");
    EXPECT_EQ(lines[7], "missing\tu7");
    EXPECT_EQ(lines[8], "missing\tu8");
    EXPECT_EQ(lines[250], "missing\tnobody");
    const auto requests = plugin.server.requests();
    ASSERT_EQ(requests.size(), 3u) << "batches of at most 100";
    EXPECT_EQ(occurrences(requests[0].body, "<D:href>"), 100u);
    EXPECT_EQ(occurrences(requests[2].body, "<D:href>"), 50u);
    EXPECT_NE(requests[0].body.find("<C:address-data/>"), std::string::npos);

    plugin.server.clearRequests();
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u42")}).number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("displayname")}).text(), "u42");
    EXPECT_EQ(plugin.server.requestCount(), 0u);
    // A card not fetched is asked for as always.
    plugin.server.setHandler(
        [](const loopback::Request&) { return Response(200, {"ETag: \"t7\""}, card("u7")); });
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u7")}).number(), 1);
    EXPECT_EQ(plugin.server.requestCount(), 1u);
    // A save drops the fetched text: its tag is no longer the card's.
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u42")}).number(), 1);
    plugin.server.setHandler(
        [](const loopback::Request&) { return Response(204, {"ETag: \"n\""}); });
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    EXPECT_EQ(session().fetched_vcards.find("u42", "n"), nullptr);
}
