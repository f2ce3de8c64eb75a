// Synchronisation against a CardDAV book on the loopback server with the quirks real servers
// have: multigets that leave cards out or spell their hrefs otherwise, capped or refused
// whole-book queries. Each test checks what the plug-in answered, what it keeps afterwards (the
// book it knows, the token) and the requests it sent. Refused, truncated and unreadable sync
// answers are protocol cases (Tests/Protocol/cases/sync-*.case).
#include "CardFixtures.h"
#include "CardStore.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using loopback::Response;

const std::string kBook = "/home/book/";

std::string card(const std::string& uid) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nN:" + uid +
           ";;;;\r\nEND:VCARD\r\n";
}

std::string group(const std::string& uid, const std::string& member) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid +
           "\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + member +
           "\r\nEND:VCARD\r\n";
}

std::string path(const std::string& name) {
    return kBook + name + ".vcf";
}

// The card `uid` as another client changed it.
std::string theirs(const std::string& uid) {
    const std::string text = card(uid);
    return text.substr(0, text.find("END:VCARD")) + "NOTE:theirs\r\nEND:VCARD\r\n";
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
        store.serveBook(kBook, quirks());
        store.put(path("a"), card("ua"), "ta");
        store.put(path("b"), card("ub"), "tb");
        select();
    }
    virtual BookQuirks quirks() const { return {}; }

    std::string url(const std::string& name) const { return plugin.server.baseUrl() + path(name); }
    CallResult call(const std::string& function, const std::vector<Arg>& args = {}) {
        return plugin.host.call(function, args);
    }
    void select() {
        ASSERT_EQ(call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}).error, 0);
        plugin.server.clearRequests();
    }
    CallResult changes(const std::string& token, const std::string& book = "") {
        return call("CardDav_GetChanges", {Arg::text(token), Arg::text(book)});
    }
    std::string token() { return call("CardDav_GetSyncToken").text(); }
    std::string known() { return call("CardDav_GetAddressbookvCards").text(); }
    // The methods of the requests since the last call, in order.
    std::string methods() {
        std::string list;
        for (const loopback::Request& request : plugin.server.requests())
            list += request.method + " ";
        plugin.server.clearRequests();
        return list;
    }
    std::string line(const std::string& kind, const std::string& uid, const std::string& name,
                     bool isGroup = false) {
        const std::string tag = kind == "changed" ? store.tag(path(name)) : "";
        return kind + "\t" + uid + "\t" + tag + "\t" + (isGroup ? "group" : "") + "\t" + url(name) +
               "\r";
    }

    LoopbackPlugin plugin;
    CardStore store{plugin.server};
};

class SyncWithoutCardData : public SyncLoopback {
protected:
    BookQuirks quirks() const override {
        BookQuirks without;
        without.syncSendsCardData = false;
        without.multigetSpelling = [this](const std::string& href) {
            // The same resources, written as some servers write them.
            if (href == path("c2"))
                return "HTTP://127.0.0.1:" + std::to_string(plugin.server.port()) + href;
            if (href == path("c3"))
                return kBook + "%63" + "3.vcf";
            return href;
        };
        return without;
    }
};

TEST_F(SyncWithoutCardData, ChangedCardsAreReadAHundredARequestAndOnlyTheServerSaysWhatIsGone) {
    const std::string start = token();
    for (int i = 0; i < 150; ++i)
        store.put(path("c" + std::to_string(i)), card("uc" + std::to_string(i)), "t");
    const CallResult synced = changes(start);
    EXPECT_EQ(synced.error, 0);
    EXPECT_EQ(listEntries(synced.text()).size(), 150u);
    EXPECT_EQ(methods(), "REPORT REPORT REPORT ") << "the sync, then two multigets";
    EXPECT_EQ(call("CardDav_GetvCard", {Arg::text("uc2")}).number(), 1);
    EXPECT_EQ(call("CardDav_GetvCard", {Arg::text("uc3")}).number(), 1);
    EXPECT_EQ(methods(), "") << "cards named otherwise in the answer are the cards asked for";

    // A card the multiget leaves out is no deleted card: the call fails, nothing is applied.
    const std::string before = token();
    store.put(path("a"), card("ua"), "ta2");
    store.put(path("x"), card("ux"), "tx");
    BookQuirks omitting = quirks();
    omitting.omittedFromMultiget = {path("x")};
    store.serveBook(kBook, omitting);
    const CallResult incomplete = changes(before);
    EXPECT_EQ(incomplete.text(), "ERROR");
    EXPECT_EQ(incomplete.error, -1);
    EXPECT_NE(call("CardDav_LastErrorDetail").text().find("left out 1 of the 2"),
              std::string::npos);
    EXPECT_EQ(token(), before);
    EXPECT_EQ(session().book.card("ua")->etag, "ta");
    EXPECT_EQ(session().book.card("ux"), nullptr);

    // A card removed between the sync answer and the multiget is gone, as the server says.
    store.serveBook(kBook, quirks());
    store.failNext("REPORT", kBook, Response(200)); // no report answered so: a failure
    EXPECT_EQ(changes(before).error, -1);
    store.remove(path("x"));
    const CallResult applied = changes(before);
    EXPECT_EQ(applied.error, 0);
    EXPECT_NE(applied.text().find(line("changed", "ua", "a")), std::string::npos);
    EXPECT_NE(applied.text().find("deleted\t\t\t\t" + url("x")), std::string::npos);
}

TEST_F(SyncLoopback, CompareETagsReconcilesWhatTheScriptHoldsWithOneListing) {
    store.put(path("a"), card("ua"), "ta2");
    store.put(path("c"), card("uc"), "tc");
    store.put(path("g"), group("ug", "ua"), "tg");
    // What a FileMaker table holds: href, tag and (for some) UID; one card the server lost.
    const std::string held = url("a") + "\tta\tua\r" + path("b") + "\t\"tb\"\r" + url("x") +
                             "\ttx\tux\r" + url("x") + "\ttx\tux\r";
    const CallResult compared = call("CardDav_CompareETags", {Arg::text(held)});
    EXPECT_EQ(compared.error, 0);
    EXPECT_EQ(compared.text(), line("changed", "ua", "a") + line("changed", "uc", "c") +
                                   line("changed", "ug", "g", true) + "deleted\tux\t\t\t" +
                                   url("x") + "\r");
    EXPECT_EQ(methods(), "PROPFIND REPORT ") << "the token, then one listing; no multiget";
    EXPECT_EQ(token(), store.token());
    EXPECT_EQ(known(), "ua\rub\ruc\r");
    EXPECT_EQ(session().book.card("ua")->etag, "ta2");
}

class WholeBook : public SyncLoopback {
protected:
    std::string fetchAll() { return call("CardDav_FetchvCards", {Arg::text("*")}).text(); }
    void addCards(int count) {
        for (int i = 0; i < count; ++i)
            store.put(path("c" + std::to_string(i)), card("uc" + std::to_string(i)), "t");
    }
};

TEST_F(WholeBook, OneRequestReadsEveryCardAndOpeningThemNeedsNone) {
    store.put(path("g"), group("ug", "ua"), "tg");
    EXPECT_EQ(fetchAll(), "fetched\tua\rfetched\tub\r");
    const std::vector<loopback::Request> requests = plugin.server.requests();
    ASSERT_EQ(requests.size(), 2u) << "the token, then the whole book in one report";
    EXPECT_EQ(requests[0].method, "PROPFIND");
    EXPECT_NE(requests[1].body.find("<C:addressbook-query"), std::string::npos);
    EXPECT_NE(requests[1].body.find("<C:address-data/>"), std::string::npos);
    plugin.server.clearRequests();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("ub")}).number(), 1);
    EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("displayname")}).text(), "ub");
    EXPECT_EQ(methods(), "");
    EXPECT_EQ(token(), store.token());
    EXPECT_EQ(call("CardDav_GetAddressbookGroups").text(), "ug\r");
}

TEST_F(WholeBook, RefusedCappedOrIncompleteAnswersAreCompletedAHundredARequest) {
    addCards(5);
    struct Case {
        const char* name;
        BookQuirks quirks;
        const char* requests;
    };
    BookQuirks capped;
    capped.queryLimit = 4;
    BookQuirks refused;
    refused.refuseWholeQuery = 403;
    BookQuirks tooLarge;
    tooLarge.refuseWholeQuery = 413;
    const Case cases[] = {
        // The first four cards came whole; the members name the other three, read by multiget.
        {"capped", capped, "PROPFIND REPORT PROPFIND REPORT "},
        {"refused", refused, "PROPFIND REPORT PROPFIND REPORT "},
        {"too large", tooLarge, "PROPFIND REPORT PROPFIND REPORT "},
    };
    for (const Case& c : cases) {
        store.serveBook(kBook, c.quirks);
        plugin.server.clearRequests();
        const std::vector<std::string> lines = listEntries(fetchAll());
        EXPECT_EQ(lines.size(), 7u) << c.name;
        for (const std::string& entry : lines)
            EXPECT_EQ(entry.rfind("fetched\t", 0), 0u) << c.name;
        const std::vector<loopback::Request> requests = plugin.server.requests();
        EXPECT_EQ(methods(), c.requests) << c.name;
        // The multiget names only what the report did not bring.
        const std::size_t named = occurrences(requests.back().body, "<D:href>");
        EXPECT_EQ(named, std::string(c.name) == "capped" ? 3u : 7u) << c.name;
    }

    // A member the reading leaves out is no card gone: the call fails and nothing is applied.
    const std::string before = token();
    store.put(path("c5"), card("uc5"), "t");
    capped.omittedFromMultiget = {path("c5")};
    store.serveBook(kBook, capped);
    EXPECT_EQ(call("CardDav_FetchvCards", {Arg::text("*")}).error, -1);
    EXPECT_EQ(token(), before);
    EXPECT_EQ(listEntries(known()).size(), 7u);

    // A card that comes without its text is read by multiget.
    store.serveBook(kBook);
    store.failNext("REPORT", kBook,
                   xmlResponse(207, "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>" +
                                        path("a") +
                                        "</d:href><d:propstat><d:prop><d:getetag>\"ta\"</d:getetag>"
                                        "</d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                                        "</d:propstat></d:response></d:multistatus>"));
    plugin.server.clearRequests();
    EXPECT_EQ(listEntries(fetchAll()).size(), 1u);
    EXPECT_EQ(methods(), "PROPFIND REPORT REPORT ");
    EXPECT_NE(session().book.keptText("ua"), nullptr);
}

TEST_F(SyncLoopback, NamedCardsAreReadAHundredARequestAndOnlyKeptTextsCountAsFetched) {
    std::string uids;
    for (int i = 0; i < 250; ++i) {
        store.put(path("c" + std::to_string(i)), card("u" + std::to_string(i)), "t");
        uids += "u" + std::to_string(i) + "\r";
    }
    select();
    // The selection above kept nothing: this server honours the listing's few properties.
    EXPECT_EQ(session().book.keptCards(), 0u);
    BookQuirks losing;
    losing.omittedFromMultiget = {path("c7")};
    store.serveBook(kBook, losing);
    store.remove(path("c8"));
    plugin.server.clearRequests();
    const CallResult fetched = call("CardDav_FetchvCards", {Arg::text(uids + "nobody")});
    EXPECT_EQ(fetched.error, 0);
    const std::vector<std::string> lines = listEntries(fetched.text());
    ASSERT_EQ(lines.size(), 251u);
    EXPECT_EQ(lines[6], "fetched\tu6");
    EXPECT_EQ(lines[7], "missing\tu7");
    EXPECT_EQ(lines[8], "missing\tu8");
    EXPECT_EQ(lines[250], "missing\tnobody");
    EXPECT_EQ(methods(), "REPORT REPORT REPORT ") << "batches of at most 100";
    EXPECT_EQ(session().book.card("u8"), nullptr) << "the server answered 404 for it";

    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("u42")}).number(), 1);
    EXPECT_EQ(methods(), "");
    // A save drops the kept text: its tag is no longer the card's.
    EXPECT_EQ(call("CardDav_SaveCard").text(), "Saved");
    EXPECT_EQ(session().book.keptText("u42"), nullptr);
}

TEST_F(SyncLoopback, AListingCutShortIsNeverTakenForTheBook) {
    store.put(path("c"), card("uc"), "tc");
    select();
    const std::string before = token();
    BookQuirks capped;
    capped.queryLimit = 2;
    store.serveBook(kBook, capped);
    const std::string held = url("a") + "\tta\r" + url("b") + "\ttb\r" + url("c") + "\ttc\r";
    const std::pair<const char*, std::vector<Arg>> calls[] = {
        {"CardDav_CompareETags", {Arg::text(held)}},
        {"CardDav_GetvCardGroups", {Arg::text("uc"), Arg::boolean(true)}},
        {"CardDav_SetGroupStyle", {Arg::text("categories")}},
        {"CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl())}},
        {"CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}},
    };
    for (const auto& [function, args] : calls) {
        EXPECT_EQ(call(function, args).error, 35) << function;
        const bool selected = std::string(function) == "CardDav_SelectAddressBook";
        // A failed selection knows nothing of the book, and no token stands for it.
        EXPECT_EQ(known(), selected ? "" : "ua\rub\ruc\r") << function;
        EXPECT_EQ(token(), selected ? "" : before) << function;
    }
    EXPECT_EQ(call("CardDav_GetGroupStyle").text(), "cards");
    EXPECT_TRUE(store.holds(path("a")) && store.holds(path("c")));
}

TEST_F(SyncLoopback, ASaveIsGuardedByTheTagOfItsOwnTextWhateverWasLearntSince) {
    const std::string start = token();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("ua")}).number(), 1);
    store.put(path("a"), theirs("ua"), "ta2");
    // A sync and a listing name the new tag; the card in memory is still the text read at ta.
    EXPECT_EQ(changes(start).error, 0);
    select();
    EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("etag")}).text(), "ta");
    EXPECT_NE(call("CardDav_GetvCardJSON").text().find("\"etag\":\"ta\""), std::string::npos);
    call("CardDav_SetvCardItem", {Arg::text("title"), Arg::text("mine")});
    EXPECT_EQ(call("CardDav_SaveCard").error, 19);
    EXPECT_EQ(store.text(path("a")), theirs("ua"));

    // Opened again it is read again, and then saved over what the other client wrote.
    plugin.server.clearRequests();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("ua")}).number(), 1);
    EXPECT_EQ(methods(), "GET ");
    call("CardDav_SetvCardItem", {Arg::text("title"), Arg::text("mine")});
    EXPECT_EQ(call("CardDav_SaveCard").text(), "Saved");
    EXPECT_NE(store.text(path("a")).find("NOTE:theirs\r\nTITLE"), std::string::npos);
}

TEST_F(SyncLoopback, AKeptTextServesOnlyWhileNothingSaysTheServersCardDiffers) {
    // A refused save is met in the test above; a check and a refused delete say it as well.
    const std::pair<const char*, std::vector<Arg>> events[] = {
        {"CardDav_CheckvCardIfChanged", {Arg::text("ua"), Arg::text("ta")}},
        {"CardDav_DeleteCard", {Arg::text("ua"), Arg::text("ta")}},
    };
    for (const auto& [event, args] : events) {
        store.put(path("a"), card("ua"), "ta");
        select();
        ASSERT_EQ(call("CardDav_FetchvCards", {Arg::text("ua")}).text(), "fetched\tua\r");
        store.put(path("a"), theirs("ua"), "ta2");
        call(event, args);
        plugin.server.clearRequests();
        ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("ua")}).number(), 1) << event;
        EXPECT_EQ(methods(), "GET ") << event;
        EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("note")}).text(), "theirs") << event;
    }
    // A card found gone is not opened from its text either.
    ASSERT_EQ(call("CardDav_FetchvCards", {Arg::text("ub")}).text(), "fetched\tub\r");
    store.remove(path("b"));
    EXPECT_EQ(call("CardDav_CheckvCardIfChanged", {Arg::text("ub"), Arg::text("tb")}).text(),
              "Deleted!");
    EXPECT_EQ(call("CardDav_GetvCard", {Arg::text("ub")}).error, 44);
}

TEST_F(SyncLoopback, OnlyATextProvenWholeIsKeptAndATrimmedOneIsNeverWrittenBack) {
    // A vCard 2.1 card with an agent card inside, listed with the few properties asked for: the
    // text holds the nested card, yet is shorter than the card.
    const std::string agent = "BEGIN:VCARD\r\nVERSION:2.1\r\nUID:uv\r\nFN:Vera\r\nAGENT:\r\n"
                              "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Agent\r\nEND:VCARD\r\n"
                              "TEL:+1 555 0100\r\nNOTE:after the agent\r\nEND:VCARD\r\n";
    store.put(path("v"), agent, "tv");
    select();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uv")}).number(), 1);
    EXPECT_EQ(methods(), "GET ");
    call("CardDav_SetvCardItem", {Arg::text("title"), Arg::text("Boss")});
    EXPECT_EQ(call("CardDav_SaveCard").text(), "Saved");
    EXPECT_NE(store.text(path("v")).find("TEL:+1 555 0100\r\nNOTE:after the agent\r\n"),
              std::string::npos);

    // Sent whole with its length, a text is kept and opened with no request.
    BookQuirks whole;
    whole.listingHonoursPartialData = false;
    store.serveBook(kBook, whole);
    select();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uv")}).number(), 1);
    EXPECT_EQ(methods(), "");
}

TEST_F(SyncLoopback, AnAnswerWithoutEndFailsAtTheAnswerCeilingWithNothingApplied) {
    ASSERT_EQ(call("CardDav_SetTimeout", {Arg::number(0), Arg::number(1)}).error, 0);
    const std::string stored = token();
    Response endless; // a listing whose responses never end
    endless.raw = "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\n\r\n"
                  "<d:multistatus xmlns:d=\"DAV:\">";
    endless.endlessAfterRaw = "<d:response><d:href>" + path("x") + "</d:href></d:response>";
    const std::tuple<const char*, std::vector<Arg>, const char*, std::string> calls[] = {
        {"CardDav_GetChanges", {Arg::text(stored)}, "REPORT", kBook},
        {"CardDav_GetvCard", {Arg::text("ua")}, "GET", path("a")},
        {"CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}, "REPORT", kBook},
    };
    for (const auto& [function, args, method, target] : calls) {
        store.failNext(method, target, endless);
        EXPECT_EQ(call(function, args).error, 28) << function;
        EXPECT_NE(call("CardDav_LastErrorDetail").text().find("ceiling of 1048576 bytes"),
                  std::string::npos);
        const bool selected = std::string(function) == "CardDav_SelectAddressBook";
        EXPECT_EQ(known(), selected ? "" : "ua\rub\r") << function;
        EXPECT_EQ(token(), selected ? "" : stored) << function;
    }
    EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("uniqueid")}).text(), "");
}

TEST_F(SyncLoopback, TheWholeBookInPiecesOneRequestEachAfterTheTokenAndTheMembers) {
    for (const char* name : {"c", "d", "e"})
        store.put(path(name), card(std::string("u") + name), std::string("t") + name);
    // Known from the selection, gone since.
    store.remove(path("a"));
    const auto piece = [&] {
        return call("CardDav_FetchvCards", {Arg::text("*"), Arg::text(""), Arg::number(3)});
    };
    EXPECT_EQ(piece().text(), "fetched\tub\rfetched\tuc\rfetched\tud\rmore\t1\r");
    EXPECT_EQ(methods(), "PROPFIND PROPFIND REPORT ");
    EXPECT_EQ(known(), "ua\rub\ruc\rud\r") << "known as read, the book not yet anew";

    // A failed piece, or one the server answers only in part, is asked for again.
    store.failNext("REPORT", kBook, Response(500));
    const CallResult failed = piece();
    EXPECT_EQ(failed.error, 47);
    EXPECT_EQ(failed.text(), "more\t1\r");
    BookQuirks losing;
    losing.omittedFromMultiget = {path("e")};
    store.serveBook(kBook, losing);
    EXPECT_EQ(piece().error, -1);
    store.serveBook(kBook);
    const CallResult last = piece();
    EXPECT_EQ(last.error, 0);
    EXPECT_EQ(last.text(), "fetched\tue\r");
    EXPECT_EQ(methods(), "REPORT REPORT REPORT ");
    EXPECT_EQ(known(), "ub\ruc\rud\rue\r");
    EXPECT_EQ(token(), store.token());
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("ub")}).number(), 1);
    EXPECT_EQ(methods(), "") << "each card read opens without a request";
}

// A UID from the server that holds a line break or a tab (quoted-printable or raw) cannot end its
// column or forge lines: every function that answers in lines shows it with percent escapes.
TEST_F(SyncLoopback, ServerValuesCannotForgeResultLines) {
    const std::string forged = "BEGIN:VCARD\r\nVERSION:2.1\r\nUID;ENCODING=QUOTED-PRINTABLE:x=0D=0A"
                               "deleted=09ua\r\nFN:X\r\nN:X;;;;\r\nEND:VCARD\r\n";
    store.put(path("x"), forged, "tx");
    const std::string shown = "x%0D%0Adeleted%09ua";
    const std::string start = token();
    select();
    const std::pair<const char*, std::vector<Arg>> calls[] = {
        {"CardDav_GetAddressbookvCards", {}},       {"CardDav_GetAddressbookETags", {}},
        {"CardDav_GetChanges", {Arg::text(start)}}, {"CardDav_FetchvCards", {Arg::text(shown)}},
        {"CardDav_CompareETags", {Arg::text("")}},
    };
    for (const auto& [function, args] : calls) {
        const std::string lines = call(function, args).text();
        EXPECT_NE(lines.find(shown), std::string::npos) << function << ": " << lines;
        EXPECT_EQ(occurrences(lines, "\r"), function == std::string("CardDav_GetChanges") ||
                                                    function == std::string("CardDav_FetchvCards")
                                                ? 1u
                                                : 3u)
            << function << ": " << lines;
    }
}

} // namespace
