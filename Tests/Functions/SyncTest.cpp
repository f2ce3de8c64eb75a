// Synchronisation against a book of either server (both speak sync-collection and multiget), with
// another client changing the book between the plug-in's syncs; on the loopback server also the
// requests each sync took.
#include "BookOnServer.h"
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

// Ada and Bob, and the group Family holding Ada, the book selected.
class Sync : public OnBothServers {
protected:
    void SetUp() override {
        storeAdaBobAndFamily(book);
        book.select();
    }
    CallResult changes(const std::string& token, const std::string& bookUrl = "") {
        return call("CardDav_GetChanges", {Arg::text(token), Arg::text(bookUrl)});
    }
    std::string token() { return call("CardDav_GetSyncToken").text(); }
    std::string known() { return call("CardDav_GetAddressbookvCards").text(); }
    // A change line as the plug-in writes it for the card stored as `name`.
    std::string line(const std::string& kind, const std::string& uid, const std::string& name,
                     bool isGroup = false) {
        const std::string tag = kind == "changed" ? book.tag(name) : "";
        return kind + "\t" + uid + "\t" + tag + "\t" + (isGroup ? "group" : "") + "\t" +
               book.bookUrl + name + ".vcf";
    }
    // On the loopback server, the methods of the requests since the last look; elsewhere "".
    std::string sent(const std::string& methods) { return book.wire ? methods : ""; }
};

TEST_P(Sync, SelectionGivesATokenAndTheKnownTags) {
    EXPECT_FALSE(token().empty());
    // Cards, then group cards: UID, tag, last change (which neither server puts in its
    // listings), the group flag, the href.
    EXPECT_EQ(listEntries(call("CardDav_GetAddressbookETags").text()),
              (std::vector<std::string>{
                  "uid-ada\t" + book.tag("ada") + "\t\t\t" + book.bookUrl + "ada.vcf",
                  "uid-bob\t" + book.tag("bob") + "\t\t\t" + book.bookUrl + "bob.vcf",
                  "grp-a\t" + book.tag("family") + "\t\tgroup\t" + book.bookUrl + "family.vcf"}));
}

TEST_P(Sync, InitialSyncListsEveryCardAndGroupAndReadsNothingTwice) {
    const CallResult initial = changes("");
    EXPECT_EQ(initial.error, 0);
    EXPECT_EQ(sortedEntries(initial.text()),
              (std::vector<std::string>{line("changed", "grp-a", "family", true),
                                        line("changed", "uid-ada", "ada"),
                                        line("changed", "uid-bob", "bob")}));
    EXPECT_FALSE(token().empty());
    // The server sends the cards with the changes: fetching them reads nothing again.
    EXPECT_EQ(sortedEntries(call("CardDav_FetchvCards", {Arg::text(initial.text())}).text()),
              (std::vector<std::string>{"fetched\tuid-ada", "fetched\tuid-bob"}));
    EXPECT_EQ(session().book.keptCards(), 3u);
}

TEST_P(Sync, ChangesOfAnotherClientComeInOneRequestAndTheBookFollows) {
    const std::string start = token();
    // Nothing changed: nothing to report.
    const CallResult unchanged = changes(start);
    EXPECT_EQ(unchanged.error, 0);
    EXPECT_EQ(unchanged.text(), "");

    book.put("ada", makeCard("uid-ada", "Ada Lovelace"));
    book.remove("bob");
    book.put("cy", makeCard("uid-cy", "Cy"));
    book.put("family", groupCard("grp-a", "Family", {"uid-cy"}));
    book.methods();

    const CallResult changed = changes(start);
    EXPECT_EQ(changed.error, 0);
    EXPECT_EQ(sortedEntries(changed.text()),
              (std::vector<std::string>{
                  line("changed", "grp-a", "family", true), line("changed", "uid-ada", "ada"),
                  line("changed", "uid-cy", "cy"), line("deleted", "uid-bob", "bob")}));
    EXPECT_EQ(book.methods(), sent("REPORT ")) << "the cards came with the changes";
    if (book.store) {
        EXPECT_EQ(token(), book.store->token());
    }
    // The other functions see the new state without a selection.
    EXPECT_EQ(known(), "uid-ada\ruid-cy\r");
    EXPECT_EQ(session().book.card("uid-ada")->etag, book.tag("ada"));
    EXPECT_EQ(call("CardDav_GetvCardGroups", {Arg::text("uid-cy")}).text(), "Family\r");
    // The documented sync pattern reads nothing twice: the changed cards' texts are kept.
    EXPECT_EQ(sortedEntries(call("CardDav_FetchvCards", {Arg::text(changed.text())}).text()),
              (std::vector<std::string>{"fetched\tuid-ada", "fetched\tuid-cy"}));
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uid-cy")}).number(), 1);
    EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("displayname")}).text(), "Cy");
    EXPECT_EQ(book.methods(), "");

    // The new token: nothing since, in one request.
    EXPECT_NE(token(), start);
    EXPECT_EQ(changes(token()).text(), "");
    EXPECT_EQ(book.methods(), sent("REPORT "));
}

// A script that stored its token, and another client that added three cards, changed two (one of
// them the group card) and deleted two, before the script's next run in a new session: every one
// of the seven changes is reported, with a selection first or with the book named instead.
TEST_P(Sync, ANewSessionLearnsEveryChangeSinceItsStoredToken) {
    book.put("dan", makeCard("uid-dan", "Dan"));
    book.select();
    const std::string stored = token();

    book.put("eve", makeCard("uid-eve", "Eve"));
    book.put("fay", makeCard("uid-fay", "Fay"));
    book.put("gus", makeCard("uid-gus", "Gus"));
    book.put("ada", makeCard("uid-ada", "Ada Lovelace"));
    book.put("family", groupCard("grp-a", "Family", {"uid-eve"}));
    book.remove("bob");
    book.remove("dan");
    // The session knew nothing of the removed cards' UIDs: they are named by their hrefs.
    const std::vector<std::string> expected = {
        line("changed", "grp-a", "family", true),    line("changed", "uid-ada", "ada"),
        line("changed", "uid-eve", "eve"),           line("changed", "uid-fay", "fay"),
        line("changed", "uid-gus", "gus"),           "deleted\t\t\t\t" + book.bookUrl + "bob.vcf",
        "deleted\t\t\t\t" + book.bookUrl + "dan.vcf"};

    for (const bool selectFirst : {true, false}) {
        book.newSession();
        if (selectFirst)
            book.select();
        book.methods();
        const CallResult synced = changes(stored, selectFirst ? "" : book.bookUrl);
        EXPECT_EQ(synced.error, 0) << selectFirst;
        EXPECT_EQ(sortedEntries(synced.text()), expected) << selectFirst;
    }
    // The book named with the token, no listing first: what the plug-in knows is what changed.
    EXPECT_EQ(book.methods(), sent("REPORT "));
    EXPECT_EQ(known(), "uid-ada\ruid-eve\ruid-fay\ruid-gus\r");
    EXPECT_EQ(session().book.url(), book.bookUrl);
    // A book on another server is refused, with nothing sent.
    EXPECT_EQ(changes(stored, "http://127.0.0.1:1/alice/contacts/").error, 20);
    EXPECT_EQ(book.methods(), "");
}

// Deleted by another client after the script's last sync, and the book selected again before
// this one: the card is still named by the UID the session knew it by.
TEST_P(Sync, ADeletionBeforeTheSelectionIsReportedWithItsUid) {
    const std::string stored = token();
    book.remove("bob");
    book.put("cy", makeCard("uid-cy", "Cy"));
    book.select();
    EXPECT_EQ(known(), "uid-ada\ruid-cy\r");
    EXPECT_EQ(sortedEntries(changes(stored).text()),
              (std::vector<std::string>{line("changed", "uid-cy", "cy"),
                                        line("deleted", "uid-bob", "bob")}));
}

TEST_P(Sync, ADeleteWithTheSyncsTagLeavesAnotherClientsChangeAlone) {
    const std::string syncedTag = book.tag("ada");
    const std::string bobsTag = book.tag("bob");
    book.put("ada", makeCard("uid-ada", "Changed elsewhere"));
    const CallResult refused =
        call("CardDav_DeleteCard", {Arg::text("uid-ada"), Arg::text(syncedTag)});
    EXPECT_EQ(refused.number(), 0);
    EXPECT_EQ(refused.error, 19);
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().header("If-Match"), "\"" + syncedTag + "\"");
    }
    EXPECT_TRUE(contains(book.text("ada"), "FN:Changed elsewhere"));
    EXPECT_NE(session().book.card("uid-ada"), nullptr);

    const CallResult deleted =
        call("CardDav_DeleteCard", {Arg::text("uid-ada"), Arg::text(book.tag("ada"))});
    EXPECT_EQ(deleted.number(), 1);
    EXPECT_FALSE(book.holds("ada"));
    // Already gone: what the script wanted.
    book.remove("bob");
    const CallResult gone = call("CardDav_DeleteCard", {Arg::text("uid-bob"), Arg::text(bobsTag)});
    EXPECT_EQ(gone.number(), 1);
    EXPECT_EQ(gone.error, 0);
    EXPECT_EQ(known(), "");
}

TEST_P(Sync, AnExpiredOrGarbageTokenAsksForAFullResync) {
    for (const std::string& bad :
         {std::string("garbage"), "http://radicale.org/ns/sync/" + std::string(64, '0')}) {
        const std::string before = token();
        const CallResult refused = changes(bad);
        EXPECT_EQ(refused.text(), "ERROR: sync token expired") << bad;
        EXPECT_EQ(refused.error, 17);
        EXPECT_EQ(token(), before) << "the kept token stays";
    }
}

TEST_P(Sync, FetchedCardsOpenWithoutARequestUntilTheyChange) {
    // Left in the server's storage: 250 uploads to Radicale would take half a minute.
    for (int i = 0; i < 250; ++i)
        book.plant("m" + std::to_string(i), makeCard("uid-m" + std::to_string(i), "M"));
    book.select();
    std::string uids;
    for (int i = 0; i < 250; ++i)
        uids += "uid-m" + std::to_string(i) + "\r";
    uids += "uid-nobody\r";

    const CallResult fetched = call("CardDav_FetchvCards", {Arg::text(uids)});
    EXPECT_EQ(fetched.error, 0);
    const std::vector<std::string> lines = listEntries(fetched.text());
    ASSERT_EQ(lines.size(), 251u);
    EXPECT_EQ(lines[0], "fetched\tuid-m0");
    EXPECT_EQ(lines[249], "fetched\tuid-m249");
    EXPECT_EQ(lines[250], "missing\tuid-nobody");
    EXPECT_EQ(session().book.keptCards(), 250u);

    // Opening one takes the fetched text.
    book.methods();
    ASSERT_EQ(call("CardDav_GetvCard", {Arg::text("uid-m7")}).number(), 1);
    EXPECT_EQ(call("CardDav_GetvCardItem", {Arg::text("uniqueid")}).text(), "uid-m7");
    EXPECT_EQ(book.methods(), "");

    // Another client changes it: the save is refused by its tag as usual.
    book.put("m7", makeCard("uid-m7", "Changed"));
    call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("mine")});
    const CallResult saved = call("CardDav_SaveCard");
    EXPECT_EQ(saved.text(), "Etag mismatch. Vcard already modifed on server!");
    EXPECT_TRUE(contains(book.text("m7"), "FN:Changed"));

    // A selection keeps what was read of the cards that did not change since.
    book.select();
    EXPECT_EQ(session().book.keptCards(), 249u);
    EXPECT_EQ(session().book.keptText("uid-m7"), nullptr);
}

INSTANTIATE_ON_BOTH_SERVERS(Sync);

} // namespace
