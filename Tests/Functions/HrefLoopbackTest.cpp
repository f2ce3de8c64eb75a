// Cards are fetched, saved and deleted exactly where the listing says they live, and only on the
// address book's own server; a listing that did not arrive whole is no listing.
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

using loopback::Response;

std::string cardText(const std::string& uid) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nEND:VCARD\r\n";
}

std::vector<std::string> targets(const loopback::HttpServer& server) {
    std::vector<std::string> list;
    for (const loopback::Request& request : server.requests())
        list.push_back(request.method + " " + request.target);
    return list;
}

class HrefLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.host.call("CardDav_SetAuth",
                         {Arg::text("basic"), Arg::text("alice"), Arg::text("s3cret")});
        // Hrefs as servers write them: without ".vcf", with another extension, relative to the
        // book, and one naming a card on another server.
        plugin.selectBook({{"/home/book/c9", "t9", cardText("u9")},
                           {"/home/book/n1.card", "tn", cardText("un")},
                           {"rel.vcf", "tr", cardText("ur")},
                           {elsewhere.baseUrl() + "/home/book/x.vcf", "tx", cardText("ux")}});
    }

    LoopbackPlugin plugin;
    loopback::HttpServer elsewhere;
};

} // namespace

TEST_F(HrefLoopback, CardsAreReadWrittenAndDeletedAtTheirOwnHrefs) {
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "u9\run\rur\r");
    EXPECT_EQ(session().book.card("ur")->url, plugin.bookUrl() + "rel.vcf");

    for (const char* uid : {"u9", "un", "ur"}) {
        plugin.server.enqueue(Response(200, {"ETag: \"f\""}, cardText(uid)));
        EXPECT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text(uid)}).number(), 1) << uid;
    }
    plugin.server.enqueue(Response(204, {"ETag: \"s\""}));
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    plugin.server.enqueue(Response(204));
    EXPECT_EQ(plugin.host.call("CardDav_DeleteCard", {Arg::text("u9")}).number(), 1);
    EXPECT_EQ(targets(plugin.server),
              (std::vector<std::string>{"GET /home/book/c9", "GET /home/book/n1.card",
                                        "GET /home/book/rel.vcf", "PUT /home/book/rel.vcf",
                                        "DELETE /home/book/c9"}));
}

TEST_F(HrefLoopback, ACardOnAnotherServerGetsNoRequestAndNoCredentials) {
    EXPECT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("ux")}).error, 3);
    EXPECT_EQ(
        plugin.host.call("CardDav_CheckvCardIfChanged", {Arg::text("ux"), Arg::text("tx")}).text(),
        "ERROR");

    // Emptying the book deletes its own three cards, not the one the listing points elsewhere.
    plugin.server.enqueue(xmlResponse(
        207, listingAnswer({{"/home/book/c9", "t9", cardText("u9")},
                            {elsewhere.baseUrl() + "/home/book/x.vcf", "tx", cardText("ux")}})));
    const CallResult emptied =
        plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(emptied.number(), 1);
    EXPECT_EQ(targets(plugin.server),
              (std::vector<std::string>{"REPORT /home/book/", "DELETE /home/book/c9"}));
    EXPECT_EQ(elsewhere.requestCount(), 0u);
}

TEST_F(HrefLoopback, ListingThatIsNoCompleteMultistatusIsAFailure) {
    std::string listing = listingAnswer(
        {{"/home/book/c9", "t9", cardText("u9")}, {"/home/book/c8", "t8", cardText("u8")}});
    // A whole HTTP answer whose body stops inside the second response (a proxy that gave up).
    const std::string cut = listing.substr(0, listing.find("/home/book/c8"));

    plugin.server.enqueue(syncTokenAnswer("tok-1"));
    plugin.server.enqueue(xmlResponse(207, cut));
    const CallResult select =
        plugin.host.call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(select.number(), 1);
    EXPECT_EQ(select.error, -1);
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), -1);
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "");

    plugin.server.clearRequests();
    plugin.server.enqueue(xmlResponse(207, cut));
    const CallResult emptied =
        plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(emptied.number(), 0);
    EXPECT_EQ(emptied.error, -1);
    EXPECT_EQ(targets(plugin.server), std::vector<std::string>{"REPORT /home/book/"});
}
