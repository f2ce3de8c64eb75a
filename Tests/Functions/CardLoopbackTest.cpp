// The card functions against answers a real server does not give on demand (refusals, errors,
// PUTs answered without a tag, other XML styles), driven by the loopback server; and the number
// of requests each function sends.
#include "CardFixtures.h"
#include "Functions/Sessions.h"
#include "TinyPictures.h"
#include "Utils/VorlixUtils.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using loopback::Response;

const std::string kCardText = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\n"
                              "N:Lovelace;Ada;;;\r\nEND:VCARD\r\n";

Response tagged(int status, const std::string& tag, const std::string& body = "") {
    return Response(status, {"ETag: \"" + tag + "\""}, body);
}

// The answer to the getetag PROPFIND for one card.
Response etagAnswer(const std::string& href, const std::string& tag) {
    return xmlResponse(207, "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>" + href +
                                "</d:href><d:propstat><d:prop><d:getetag>\"" + tag +
                                "\"</d:getetag></d:prop><d:status>HTTP/1.1 200 "
                                "OK</d:status></d:propstat></d:response></d:multistatus>");
}

class CardLoopback : public ::testing::Test {
protected:
    // u1 listed, fetched as the current card; the requests are then forgotten.
    void fetchU1() {
        plugin.selectBook({{"/home/book/c1.vcf", "t1", kCardText}});
        plugin.server.enqueue(tagged(200, "t2", kCardText));
        ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u1")}).number(), 1);
        plugin.server.clearRequests();
    }
    CallResult save() { return plugin.host.call("CardDav_SaveCard"); }
    std::string methods() {
        std::string list;
        for (const loopback::Request& request : plugin.server.requests())
            list += request.method + " ";
        return list;
    }

    LoopbackPlugin plugin;
};

} // namespace

TEST_F(CardLoopback, ListingInPerElementNamespaceStyleSkipsCardsWithoutUidAndKeepsTheLaterTwin) {
    const std::vector<ListedCard> cards = {
        {"/home/book/a.vcf", "ta", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Uid\r\nEND:VCARD\r\n"},
        {"/home/book/b.vcf", "tb", "BEGIN:VCARD\r\nUID:twin\r\nFN:First\r\nEND:VCARD\r\n"},
        {"/home/book/c.vcf", "tc", "BEGIN:VCARD\r\nUID:twin\r\nFN:Second\r\nEND:VCARD\r\n"},
        {"/home/book/g.vcf", "tg",
         "BEGIN:VCARD\r\nUID:g\r\nFN:Fam\xC3\xADlia\r\nX-ADDRESSBOOKSERVER-KIND:group\r\n"
         "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:twin\r\nEND:VCARD\r\n"}};
    plugin.server.enqueue(syncTokenAnswer("tok-1"));
    plugin.server.enqueue(xmlResponse(207, listingAnswer(cards, true)));
    const CallResult select =
        plugin.host.call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(select.error, 0);
    EXPECT_EQ(plugin.server.lastRequest().method, "REPORT");
    EXPECT_EQ(plugin.host.call("CardDav_GetSyncToken").text(), "tok-1");

    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "twin\r");
    const addresscard& twin = *session().book.card("twin");
    EXPECT_EQ(twin.fn, "Second");
    EXPECT_EQ(twin.etag, "tc");
    EXPECT_EQ(twin.cardid, "c");
    EXPECT_EQ(twin.url, plugin.server.baseUrl() + "/home/book/c.vcf");
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookGroups").text(), "Fam\xC3\xADlia\r");

    // Reading the cached lists sends nothing.
    EXPECT_EQ(plugin.server.requestCount(), 2u);
}

TEST_F(CardLoopback, FunctionsFailWithElevenWithoutAddressBookHome) {
    session().root_address_url.clear();
    // The automatic connection finds no home on this server either.
    session().connected = true;
    const CallResult cards = plugin.host.call("CardDav_GetAddressbookvCards");
    EXPECT_EQ(cards.error, 11);
    EXPECT_EQ(cards.text(), "ERROR");
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookGroups").text(), "ERROR");
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressBooks").text(), "ERROR");
    const CallResult select = plugin.host.call("CardDav_SelectAddressBook", {Arg::text("x")});
    EXPECT_EQ(select.error, 11);
    EXPECT_EQ(select.number(), 0);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u1")}).number(), 0);
    const CallResult item = plugin.host.call("CardDav_GetvCardItem", {Arg::text("etag")});
    EXPECT_EQ(item.error, 11);
    EXPECT_EQ(item.text(), "");
    EXPECT_EQ(plugin.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("x")}).type(),
              ValueType::none);
    EXPECT_EQ(plugin.host.call("CardDav_NewvCard", {Arg::text("x")}).type(), ValueType::none);
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").type(), ValueType::none);
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}

TEST_F(CardLoopback, GetvCardSendsOneGetAndHandlesRefusals) {
    plugin.selectBook({{"/home/book/c1.vcf", "t1", kCardText}});

    // An answer without a tag keeps the listing's.
    plugin.server.enqueue(Response(200, {}, kCardText));
    EXPECT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u1")}).number(), 1);
    EXPECT_EQ(methods(), "GET ");
    EXPECT_EQ(plugin.server.lastRequest().target, "/home/book/c1.vcf");
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("etag")}).text(), "t1");
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("cardid")}).text(), "c1");

    for (const auto& [status, code] : {std::pair{404, 44}, {403, 43}, {500, 47}, {401, 24}}) {
        plugin.server.enqueue(Response(status));
        const CallResult failed = plugin.host.call("CardDav_GetvCard", {Arg::text("u1")});
        EXPECT_EQ(failed.error, code) << status;
        EXPECT_EQ(failed.number(), 0) << status;
        EXPECT_EQ(session().current_vcard_id, "") << "the failed fetch left no card current";
        EXPECT_TRUE(session().current_vcard.items.empty());
    }
}

TEST_F(CardLoopback, ASaveThatDidNotHappenCarriesTheRequestsCode) {
    fetchU1();
    // The code of the request, so that a script testing codes sees it.
    const std::tuple<int, const char*, int> refusals[] = {
        {412, "Etag mismatch. Vcard already modifed on server!", 19},
        {404, "Unkown error. Server result code: 404", 23},
        {403, "Invalid vcard", 43},
        {500, "Unkown error. Server result code: 500", 47},
        {409, "Unkown error. Server result code: 409", -1},
        {400, "Unkown error. Server result code: 400", -1}};
    for (const auto& [status, text, code] : refusals) {
        plugin.server.enqueue(Response(status));
        const CallResult refused = save();
        EXPECT_EQ(refused.error, code) << status;
        EXPECT_EQ(refused.text(), text);
        EXPECT_EQ(session().book.card("u1")->etag, "t2") << "a refused save keeps the tag";
    }
}

TEST_F(CardLoopback, SaveAnsweredWithoutTagIsAConflictButKeepsTheServersTag) {
    fetchU1();
    plugin.server.enqueue(Response(204));
    plugin.server.enqueue(etagAnswer("/home/book/c1.vcf", "rev-5"));
    EXPECT_EQ(save().text(), "Server data conflict!");
    EXPECT_EQ(methods(), "PUT PROPFIND ");
    EXPECT_EQ(session().book.card("u1")->etag, "rev-5");

    // The next save goes out with that tag rather than failing on a stale one.
    plugin.server.enqueue(tagged(204, "rev-6"));
    EXPECT_EQ(save().text(), "Saved");
    EXPECT_EQ(plugin.server.lastRequest().header("If-Match"), "\"rev-5\"");
}

TEST_F(CardLoopback, SaveCardChecksTheCardBeforeSending) {
    EXPECT_EQ(save().text(), "Vcard not found");
    fetchU1();
    plugin.host.call("CardDav_SetvCardItem", {Arg::text("displayname"), Arg::text("")});
    EXPECT_EQ(save().text(),
              "Invalid vcard. requiered fileds: display_name, first_name, last_name");
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}

TEST_F(CardLoopback, ACardWhoseFetchFailedIsNeverSavedOverTheServersCopy) {
    plugin.selectBook({{"/home/book/c1.vcf", "t1", kCardText}});
    plugin.server.enqueue(Response(500));
    EXPECT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u1")}).error, 47);
    plugin.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("typed after")});
    plugin.server.clearRequests();
    // The listing's tag still matches the server's card: a PUT would replace it with one note.
    EXPECT_EQ(save().text(), "Vcard not found");
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}

TEST_F(CardLoopback, ACardWhoseUidCarriesAGroupPrefixIsSaved) {
    const std::string grouped = "BEGIN:VCARD\r\nVERSION:3.0\r\nitem1.uid:u1\r\nFN:Ada\r\n"
                                "N:Lovelace;Ada;;;\r\nEND:VCARD\r\n";
    plugin.selectBook({{"/home/book/c1.vcf", "t1", grouped}});
    plugin.server.enqueue(tagged(200, "t2", grouped));
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("u1")}).number(), 1);
    plugin.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("edited")});
    plugin.server.enqueue(tagged(204, "t3"));
    EXPECT_EQ(save().text(), "Saved");
    const std::string stored = plugin.server.lastRequest().body;
    EXPECT_NE(stored.find("\r\nitem1.uid:u1\r\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find(":edited\r\n"), std::string::npos) << stored;
}

TEST_F(CardLoopback, NewvCardPutsTheCardIntoABookNamedWithoutItsFinalSlash) {
    plugin.selectBook({});
    plugin.server.enqueue(tagged(201, "c-1"));
    std::string book = plugin.bookUrl();
    book.pop_back();
    EXPECT_EQ(plugin.host.call("CardDav_NewvCard", {Arg::text(book)}).error, 0);
    EXPECT_EQ(plugin.server.lastRequest().target.rfind("/home/book/", 0), 0u);
}

TEST_F(CardLoopback, NewvCardGivenTheCardSendsItInOnePut) {
    plugin.selectBook({});
    plugin.server.enqueue(tagged(201, "c-1"));
    const CallResult created = plugin.host.call(
        "CardDav_NewvCard",
        {Arg::text(""), Arg::text(""),
         Arg::text(R"({"uid":"U7","href":"https://elsewhere/x.vcf","etag":"old",)"
                   R"("name":{"family":"Hopper","given":"Grace"},)"
                   R"("emails":[{"value":"grace@navy.example","types":["work"]}]})")});
    EXPECT_EQ(created.text(), "U7");
    EXPECT_EQ(created.error, 0);
    EXPECT_EQ(methods(), "PUT ");
    const std::string body = plugin.server.lastRequest().body;
    for (const std::string line : {"UID:U7", "FN:Grace Hopper", "N:Hopper;Grace;;;"})
        EXPECT_NE(body.find(line + "\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find(":grace@navy.example\r\n"), std::string::npos) << body;
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("email2")}).text(),
              "grace@navy.example");
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("etag")}).text(), "c-1");

    // A card that names nobody, or an object that is none, is not sent.
    plugin.server.clearRequests();
    for (const char* json : {R"({"note":"nobody"})", "[1]", R"({"colour":"red"})"}) {
        const CallResult refused =
            plugin.host.call("CardDav_NewvCard", {Arg::text(""), Arg::text(""), Arg::text(json)});
        EXPECT_EQ(refused.error, 21) << json;
        EXPECT_EQ(refused.text(), "ERROR: Creation of vcard failed");
    }
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}

TEST_F(CardLoopback, NewvCardFollowsLocationAndTakesTheCardTheServerHolds) {
    // A server that files the card where it chooses, replaces its UID and names no tag.
    fetchU1();
    const std::string stored = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:server-7\r\nFN:New\r\n"
                               "N:New;;;;\r\nREV:2026-01-01T00:00:00Z\r\nEND:VCARD\r\n";
    plugin.server.enqueue(Response(201, {"Location: /home/book/server-7"}));
    plugin.server.enqueue(tagged(200, "s-1", stored));
    const CallResult created =
        plugin.host.call("CardDav_NewvCard", {Arg::text(plugin.bookUrl()), Arg::text("U1")});
    EXPECT_EQ(created.text(), "server-7");
    EXPECT_EQ(created.error, 0);
    EXPECT_EQ(methods(), "PUT GET ");
    EXPECT_EQ(plugin.server.lastRequest().target, "/home/book/server-7");
    const addresscard* card = session().book.card("server-7");
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->url, plugin.server.baseUrl() + "/home/book/server-7");
    EXPECT_EQ(card->etag, "s-1");
    EXPECT_EQ(session().book.cards().count("U1"), 0u);

    plugin.server.clearRequests();
    plugin.server.enqueue(tagged(204, "s-2"));
    EXPECT_EQ(save().text(), "Saved");
    EXPECT_EQ(plugin.server.lastRequest().target, "/home/book/server-7");
    EXPECT_EQ(plugin.server.lastRequest().body, stored);

    // A card that cannot be read back is not made current, and neither stays the card current
    // before: the edits meant for the new card would be saved over it.
    plugin.server.clearRequests();
    plugin.server.enqueue(Response(201));
    plugin.server.enqueue(Response(404));
    const CallResult unusable =
        plugin.host.call("CardDav_NewvCard", {Arg::text(plugin.bookUrl()), Arg::text("U2")});
    EXPECT_EQ(unusable.text(), "ERROR: Creation of vcard failed. Server issue.");
    EXPECT_EQ(unusable.error, 44);
    EXPECT_EQ(session().book.cards().count("U2"), 0u);
    // Nor does the card current before stay so: the edits meant for the new card would be saved
    // over it.
    EXPECT_EQ(session().current_vcard_id, "");
    plugin.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("for the new card")});
    EXPECT_EQ(save().text(), "Vcard not found");
    EXPECT_EQ(methods(), "PUT GET ");

    // A place on another server is not followed.
    plugin.server.enqueue(Response(201, {"Location: https://other.example/book/x.vcf"}));
    EXPECT_EQ(plugin.host.call("CardDav_NewvCard", {Arg::text(""), Arg::text("U3")}).error, 20);
    EXPECT_EQ(plugin.server.requestCount(), 3u);
}

TEST_F(CardLoopback, NewvCardFailures) {
    // No address book named or selected.
    const CallResult nowhere = plugin.host.call("CardDav_NewvCard", {Arg::text("")});
    EXPECT_EQ(nowhere.text(), "ERROR");
    EXPECT_EQ(nowhere.error, -1);
    EXPECT_EQ(plugin.server.requestCount(), 0u);

    // The PUT refused: the URL given stays selected.
    plugin.server.enqueue(Response(403));
    const CallResult refused = plugin.host.call("CardDav_NewvCard", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(refused.text(), "ERROR: Creation of vcard failed");
    EXPECT_EQ(refused.error, 43);
    EXPECT_EQ(session().book.url(), plugin.bookUrl());
    EXPECT_TRUE(session().book.cards().empty());

    // A name the server holds already is tried once more under another; then given up.
    plugin.server.clearRequests();
    plugin.server.setHandler([](const loopback::Request&) { return Response(412); });
    const CallResult taken = plugin.host.call("CardDav_NewvCard", {Arg::text("")});
    EXPECT_EQ(taken.text(), "ERROR: Creation of vcard failed");
    EXPECT_EQ(taken.error, -1);
    EXPECT_EQ(methods(), "PUT PUT ");
    EXPECT_NE(plugin.server.requests()[0].target, plugin.server.requests()[1].target);
    plugin.server.setHandler([](const loopback::Request&) { return Response(500); });
    EXPECT_EQ(plugin.host.call("CardDav_NewvCard", {Arg::text("")}).error, 47);
}

TEST_F(CardLoopback, DeleteAllCardsGoesOnAfterAFailureAndDeletesNothingWithoutListing) {
    plugin.server.enqueue(xmlResponse(207, listingAnswer({{"/home/book/1.vcf", "a", kCardText},
                                                          {"/home/book/2.vcf", "b", kCardText},
                                                          {"/home/book/3.vcf", "c", kCardText}})));
    plugin.server.enqueue(Response(204));
    plugin.server.enqueue(Response(404));
    plugin.server.enqueue(Response(200));
    const CallResult some =
        plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(some.number(), 0);
    EXPECT_EQ(some.error, 44) << "the failed DELETE's code";
    EXPECT_EQ(methods(), "REPORT DELETE DELETE DELETE ");
    EXPECT_EQ(plugin.server.lastRequest().target, "/home/book/3.vcf");

    plugin.server.clearRequests();
    plugin.server.enqueue(Response(500));
    const CallResult unlisted =
        plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(unlisted.number(), 0);
    EXPECT_EQ(unlisted.error, 47);
    EXPECT_EQ(methods(), "REPORT ");

    // A book on another server, or any book before a connection found the home, is never
    // asked: the user's credentials go only where the connection found the account.
    plugin.server.clearRequests();
    loopback::HttpServer elsewhere;
    const CallResult offServer = plugin.host.call("CardDav_DeleteAllCards",
                                                  {Arg::text(elsewhere.baseUrl() + "/home/book/")});
    EXPECT_EQ(offServer.number(), 0);
    EXPECT_EQ(offServer.error, 20);
    session().root_address_url.clear();
    const CallResult homeless =
        plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl())});
    EXPECT_EQ(homeless.number(), 0);
    EXPECT_EQ(homeless.error, 11);
    EXPECT_EQ(plugin.server.requestCount() + elsewhere.requestCount(), 0u);
}

TEST_F(CardLoopback, PhotoEncodingsAndACardWithoutFieldMap) {
    // Before any card was fetched or created there is no card to change: a known field name is
    // no failure, and nothing changes; an unknown one still is.
    const CallResult unmapped =
        plugin.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("x")});
    EXPECT_EQ(unmapped.number(), 1);
    EXPECT_EQ(unmapped.error, 0);
    const CallResult unknown =
        plugin.host.call("CardDav_SetvCardItem", {Arg::text("nonsense"), Arg::text("x")});
    EXPECT_EQ(unknown.number(), 0);
    EXPECT_EQ(unknown.error, 16);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("note")}).text(), "");

    const std::string card = "BEGIN:VCARD\r\nUID:u1\r\nFN:Ada\r\nPHOTO;ENCODING=b;TYPE=GIF:R0lG"
                             "\r\nEND:VCARD\r\n";
    plugin.selectBook({{"/home/book/c1.vcf", "t1", card}});
    plugin.server.enqueue(Response(200, {}, card));
    plugin.host.call("CardDav_GetvCard", {Arg::text("u1")});

    // A picture the host refuses gives no result and a failure code.
    fmx::host::refuseStreamAdds(true);
    const CallResult refused = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
    fmx::host::refuseStreamAdds(false);
    EXPECT_EQ(refused.error, -1);
    EXPECT_EQ(refused.type(), ValueType::none);

    // A container that holds no picture (HEIC, a PDF) is no photo: the card stays as it is.
    const CallResult document = plugin.host.call(
        "CardDav_SetvCardItem", {Arg::text("photo"), Arg::container({Stream{"FILE", "%PDF-1.7"}})});
    EXPECT_EQ(document.error, 34);
    EXPECT_EQ(session().current_vcard.get("photo"), "R0lG");

    // A photo in another encoding is not overwritten; its TYPE follows the container.
    session().current_vcard.setTypeValue("photo", "ENCODING", "QUOTED-PRINTABLE");
    const CallResult other =
        plugin.host.call("CardDav_SetvCardItem",
                         {Arg::text("PHOTO"), Arg::container({Stream{"PNGf", tinyPng(2, 2)}})});
    EXPECT_EQ(other.number(), 1);
    EXPECT_EQ(other.error, 6);
    EXPECT_EQ(session().current_vcard.get("photo"), "R0lG");
    EXPECT_EQ(session().current_vcard.getTypeValue("photo", "TYPE"), "PNG");
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")}).error, 6);
}

TEST_F(CardLoopback, HostFailuresEndInCodesWithTheFailureResult) {
    plugin.selectBook({{"/home/book/c1.vcf", "t1", kCardText}});
    fmx::host::failHostCall(1, 1);
    const CallResult outOfMemory = plugin.host.call("CardDav_GetAddressbookvCards");
    EXPECT_EQ(outOfMemory.error, 7);
    EXPECT_EQ(outOfMemory.text(), "ERROR");

    fmx::host::failHostCall(1, 2);
    const CallResult failed = plugin.host.call("CardDav_GetAddressbookGroups");
    EXPECT_EQ(failed.error, -1);
    EXPECT_EQ(failed.text(), "ERROR");
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), -1);
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}
