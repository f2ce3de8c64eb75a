// Change detection against the loopback server: the listing report first, the getetag PROPFIND
// when the report settles nothing.
#include "LoopbackBook.h"

#include <gtest/gtest.h>

namespace {

class ChangeCheckLoopback : public ::testing::Test, protected LoopbackBook {
protected:
    void SetUp() override { addCard("c1", "t1"); }

    CallResult check(const std::string& uid, const std::string& tag) {
        return host.call("CardDav_CheckvCardIfChanged", {Arg::text(uid), Arg::text(tag)});
    }
    double lastError() { return host.call("CardDav_LastError").number(); }

    const std::string cardPath = "/alice/book/c1-file.vcf";
};

} // namespace

TEST_F(ChangeCheckLoopback, ReportListingTheCardDecidesAlone) {
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t2"}})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}})));
    server.enqueue(loopback::Response(404));

    const CallResult same = check("c1", "t1");
    EXPECT_EQ(same.text(), "Not changed!");
    EXPECT_EQ(same.error, 0);
    EXPECT_EQ(check("c1", "t1").text(), "Changed!");
    EXPECT_EQ(check("c1", "\"t1\"").text(), "Changed!") << "tags are compared without quotes";
    const CallResult gone = check("c1", "t1");
    EXPECT_EQ(gone.text(), "Deleted!");
    EXPECT_EQ(gone.error, 0);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u) << "no second request";
    EXPECT_EQ(requests[0].requestLine, "REPORT " + cardPath + " HTTP/1.1");
    EXPECT_EQ(session().book.card("c1")->etag, "t1") << "the entry is not updated";
}

TEST_F(ChangeCheckLoopback, UnsettledReportAsksTheCardForItsTag) {
    // A report the server refuses on a single card, then one that lists two cards, then one
    // that lists nothing.
    server.enqueue(loopback::Response(403));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}, {"/alice/book/x.vcf", "t1"}})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t9"}})));
    server.enqueue(multistatusAnswer(etagListing({})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}})));

    EXPECT_EQ(check("c1", "t1").text(), "Not changed!");
    EXPECT_EQ(check("c1", "t1").text(), "Changed!");
    const CallResult emptyListing = check("c1", "t1");
    EXPECT_EQ(emptyListing.text(), "Not changed!");
    EXPECT_EQ(emptyListing.error, 0);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 6u);
    for (std::size_t i = 1; i < requests.size(); i += 2) {
        EXPECT_EQ(requests[i].requestLine, "PROPFIND " + cardPath + " HTTP/1.1");
        EXPECT_EQ(requests[i].header("Depth"), std::optional<std::string>("0"));
        EXPECT_NE(requests[i].body.find("getetag"), std::string::npos);
    }
}

TEST_F(ChangeCheckLoopback, ServerListingNothingForOneCardIsAskedByPropfindUntilSetServer) {
    server.enqueue(multistatusAnswer(etagListing({})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}})));
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t2"}})));
    server.enqueue(loopback::Response(404));
    EXPECT_EQ(check("c1", "t1").text(), "Not changed!");
    EXPECT_EQ(check("c1", "t1").text(), "Changed!");
    const CallResult gone = check("c1", "t1");
    EXPECT_EQ(gone.text(), "Deleted!");
    EXPECT_EQ(gone.error, 0);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u) << "the report once, then the PROPFIND alone";
    EXPECT_EQ(requests[0].method, "REPORT");
    for (std::size_t i = 1; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].requestLine, "PROPFIND " + cardPath + " HTTP/1.1");

    // Another server (or the same one set again) is asked the report first again.
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    reconnect();
    addCard("c1", "t1");
    server.clearRequests();
    server.enqueue(multistatusAnswer(etagListing({{cardPath, "t1"}})));
    EXPECT_EQ(check("c1", "t1").text(), "Not changed!");
    requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "REPORT");
}

TEST_F(ChangeCheckLoopback, SecondAnswerIsJudgedLikeTheFirst) {
    server.enqueue(loopback::Response(500));
    server.enqueue(loopback::Response(404));
    const CallResult deleted = check("c1", "t1");
    EXPECT_EQ(deleted.text(), "Deleted!");
    EXPECT_EQ(deleted.error, 0);

    server.enqueue(loopback::Response(403));
    server.enqueue(loopback::Response(500));
    const CallResult failed = check("c1", "t1");
    EXPECT_EQ(failed.text(), "ERROR");
    EXPECT_EQ(failed.error, 47);
    EXPECT_EQ(lastError(), 47);

    server.enqueue(multistatusAnswer(etagListing({})));
    server.enqueue(multistatusAnswer("<html>not a listing</html>"));
    // A page that is no multistatus says nothing of the card: a failure, not a data error.
    const CallResult unreadable = check("c1", "t1");
    EXPECT_EQ(unreadable.text(), "ERROR");
    EXPECT_EQ(unreadable.error, -1);
    EXPECT_EQ(server.requestCount(), 6u);
}

TEST_F(ChangeCheckLoopback, MissingArgumentsOrUnlistedCardsSendNothing) {
    for (const auto& [uid, tag] :
         {std::pair<std::string, std::string>{"", "t1"}, {"c1", ""}, {"unknown", "t1"}}) {
        const CallResult result = check(uid, tag);
        EXPECT_EQ(result.text(), "ERROR") << uid << "/" << tag;
        EXPECT_EQ(result.error, 0);
        EXPECT_EQ(lastError(), 0);
    }
    EXPECT_EQ(server.requestCount(), 0u);

    session().root_address_url.clear();
    const CallResult noHome = check("c1", "t1");
    EXPECT_EQ(noHome.text(), "ERROR");
    EXPECT_EQ(noHome.error, 11);
}
