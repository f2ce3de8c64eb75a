// Synchronisation against a real server (Radicale on loopback, which speaks sync-collection and
// multiget), with another client changing the address book between the plug-in's syncs.
#include "CardFixtures.h"
#include "Functions/Sessions.h"
#include "PluginStateReset.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string groupCard(const std::string& uid, const std::string& fn, const std::string& member) {
    return makeCard(
        uid, fn, "X-ADDRESSBOOKSERVER-KIND:group\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + member);
}

class SyncRadicale : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.putCard("ada", makeCard("uid-ada", "Ada"));
        plugin.putCard("bob", makeCard("uid-bob", "Bob"));
        plugin.putCard("family", groupCard("grp-1", "Family", "uid-ada"));
        plugin.selectBook();
    }
    CallResult changes(const std::string& token) {
        return plugin.host.call("CardDav_GetChanges", {Arg::text(token)});
    }
    std::string token() { return plugin.host.call("CardDav_GetSyncToken").text(); }
    std::string tagOf(const std::string& name) {
        const std::string tag = plugin.peer.get(plugin.bookPath + name + ".vcf").etag;
        return tag.substr(1, tag.size() - 2);
    }
    // A change line as the plug-in writes it for the card stored as `name`.
    std::string line(const std::string& kind, const std::string& uid, const std::string& name,
                     bool isGroup = false) {
        const std::string tag = kind == "changed" ? tagOf(name) : "";
        return kind + "\t" + uid + "\t" + tag + "\t" + (isGroup ? "group" : "") + "\t" +
               plugin.bookUrl + name + ".vcf";
    }
    // What a new FileMaker session has: nothing known, the settings of its own, a connection.
    void newSession() {
        resetPluginState();
        plugin.host.call("CardDav_SetServer", {Arg::text(plugin.server.baseUrl())});
        plugin.host.call("CardDav_SetAuth", {Arg::text("basic"), Arg::text(plugin.server.user()),
                                             Arg::text(plugin.server.password())});
        ASSERT_EQ(plugin.host.call("CardDav_Connect").error, 0);
    }
    // The lines of a change list, sorted (the server's order is its own).
    static std::vector<std::string> sorted(const std::string& list) {
        std::vector<std::string> lines = listEntries(list);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    ConnectedPlugin plugin;
};

} // namespace

TEST_F(SyncRadicale, SelectionGivesATokenAndTheKnownTags) {
    EXPECT_FALSE(token().empty());
    const std::vector<std::string> tags =
        listEntries(plugin.host.call("CardDav_GetAddressbookETags").text());
    // Cards, then group cards: UID, tag, last change (which this server leaves out of its
    // listings), the group flag, the href.
    EXPECT_EQ(tags,
              (std::vector<std::string>{
                  "uid-ada\t" + tagOf("ada") + "\t\t\t" + plugin.bookUrl + "ada.vcf",
                  "uid-bob\t" + tagOf("bob") + "\t\t\t" + plugin.bookUrl + "bob.vcf",
                  "grp-1\t" + tagOf("family") + "\t\tgroup\t" + plugin.bookUrl + "family.vcf"}));
}

TEST_F(SyncRadicale, InitialSyncListsEveryCardAndGroupAndReadsNothingTwice) {
    const CallResult initial = changes("");
    EXPECT_EQ(initial.error, 0);
    EXPECT_EQ(sorted(initial.text()),
              (std::vector<std::string>{line("changed", "grp-1", "family", true),
                                        line("changed", "uid-ada", "ada"),
                                        line("changed", "uid-bob", "bob")}));
    EXPECT_FALSE(token().empty());
    // This server sends the cards with the changes: fetching them reads nothing again.
    EXPECT_EQ(sorted(plugin.host.call("CardDav_FetchvCards", {Arg::text(initial.text())}).text()),
              (std::vector<std::string>{"fetched\tuid-ada", "fetched\tuid-bob"}));
    EXPECT_EQ(session().book.keptCards(), 3u);
}

TEST_F(SyncRadicale, ChangesOfAnotherClientComeAsChangesAndTheBookFollows) {
    const std::string start = token();
    // Nothing changed: nothing to report.
    const CallResult unchanged = changes(start);
    EXPECT_EQ(unchanged.error, 0);
    EXPECT_EQ(unchanged.text(), "");

    plugin.peer.put(plugin.bookPath + "ada.vcf", makeCard("uid-ada", "Ada Lovelace"));
    plugin.peer.remove(plugin.bookPath + "bob.vcf");
    plugin.putCard("cy", makeCard("uid-cy", "Cy"));
    plugin.peer.put(plugin.bookPath + "family.vcf", groupCard("grp-1", "Family", "uid-cy"));

    const CallResult changed = changes(start);
    EXPECT_EQ(changed.error, 0);
    EXPECT_EQ(sorted(changed.text()),
              (std::vector<std::string>{
                  line("changed", "grp-1", "family", true), line("changed", "uid-ada", "ada"),
                  line("changed", "uid-cy", "cy"), line("deleted", "uid-bob", "bob")}));
    // The other functions see the new state without a selection.
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "uid-ada\ruid-cy\r");
    EXPECT_EQ(session().book.card("uid-ada")->etag, tagOf("ada"));
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardGroups", {Arg::text("uid-cy")}).text(), "Family\r");
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-cy")}).number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("displayname")}).text(), "Cy");

    // The new token: nothing since.
    EXPECT_NE(token(), start);
    EXPECT_EQ(changes(token()).text(), "");
}

// A script that stored its token, and another client that added three cards, changed two (one of
// them the group card) and deleted two, before the script's next run in a new session: every one
// of the seven changes is reported, with a selection first or with the book named instead.
TEST_F(SyncRadicale, ANewSessionLearnsEveryChangeSinceItsStoredToken) {
    plugin.putCard("dan", makeCard("uid-dan", "Dan"));
    plugin.selectBook();
    const std::string stored = token();

    plugin.putCard("eve", makeCard("uid-eve", "Eve"));
    plugin.putCard("fay", makeCard("uid-fay", "Fay"));
    plugin.putCard("gus", makeCard("uid-gus", "Gus"));
    plugin.peer.put(plugin.bookPath + "ada.vcf", makeCard("uid-ada", "Ada Lovelace"));
    plugin.peer.put(plugin.bookPath + "family.vcf", groupCard("grp-1", "Family", "uid-eve"));
    plugin.peer.remove(plugin.bookPath + "bob.vcf");
    plugin.peer.remove(plugin.bookPath + "dan.vcf");
    // The session knew nothing of the removed cards' UIDs: they are named by their hrefs.
    const std::vector<std::string> expected = {line("changed", "grp-1", "family", true),
                                               line("changed", "uid-ada", "ada"),
                                               line("changed", "uid-eve", "eve"),
                                               line("changed", "uid-fay", "fay"),
                                               line("changed", "uid-gus", "gus"),
                                               "deleted\t\t\t\t" + plugin.bookUrl + "bob.vcf",
                                               "deleted\t\t\t\t" + plugin.bookUrl + "dan.vcf"};

    for (const bool selectFirst : {true, false}) {
        newSession();
        if (selectFirst)
            plugin.selectBook();
        const CallResult synced =
            plugin.host.call("CardDav_GetChanges",
                             {Arg::text(stored), Arg::text(selectFirst ? "" : plugin.bookUrl)});
        EXPECT_EQ(synced.error, 0) << selectFirst;
        EXPECT_EQ(sorted(synced.text()), expected) << selectFirst;
    }
}

// Deleted by another client after the script's last sync, and the book selected again before
// this one: the card is still named by the UID the session knew it by.
TEST_F(SyncRadicale, ADeletionBeforeTheSelectionIsReportedWithItsUid) {
    const std::string stored = token();
    plugin.peer.remove(plugin.bookPath + "bob.vcf");
    plugin.selectBook();
    EXPECT_EQ(changes(stored).text(), line("deleted", "uid-bob", "bob") + "\r");
}

TEST_F(SyncRadicale, ADeleteWithTheSyncsTagLeavesAnotherClientsChangeAlone) {
    const std::string syncedTag = tagOf("ada");
    plugin.peer.put(plugin.bookPath + "ada.vcf", makeCard("uid-ada", "Changed elsewhere"));
    const CallResult refused =
        plugin.host.call("CardDav_DeleteCard", {Arg::text("uid-ada"), Arg::text(syncedTag)});
    EXPECT_EQ(refused.number(), 0);
    EXPECT_EQ(refused.error, 19);
    EXPECT_NE(plugin.peer.get(plugin.bookPath + "ada.vcf").body.find("FN:Changed elsewhere"),
              std::string::npos);
    const CallResult deleted =
        plugin.host.call("CardDav_DeleteCard", {Arg::text("uid-ada"), Arg::text(tagOf("ada"))});
    EXPECT_EQ(deleted.number(), 1);
    EXPECT_EQ(plugin.peer.get(plugin.bookPath + "ada.vcf").status, 404);
}

TEST_F(SyncRadicale, AnExpiredOrGarbageTokenAsksForAFullResync) {
    for (const std::string& bad :
         {std::string("garbage"), "http://radicale.org/ns/sync/" + std::string(64, '0')}) {
        const std::string before = token();
        const CallResult refused = changes(bad);
        EXPECT_EQ(refused.text(), "ERROR: sync token expired") << bad;
        EXPECT_EQ(refused.error, 17);
        EXPECT_EQ(token(), before) << "the kept token stays";
    }
}

TEST_F(SyncRadicale, FetchedCardsOpenWithoutARequestUntilTheyChange) {
    // Written straight into the server's storage: 250 uploads would take half a minute.
    for (int i = 0; i < 250; ++i)
        storeCardFile(plugin, "m" + std::to_string(i) + ".vcf",
                      makeCard("uid-m" + std::to_string(i), "M"));
    plugin.selectBook();
    std::string uids;
    for (int i = 0; i < 250; ++i)
        uids += "uid-m" + std::to_string(i) + "\r";
    uids += "uid-nobody\r";

    const CallResult fetched = plugin.host.call("CardDav_FetchvCards", {Arg::text(uids)});
    EXPECT_EQ(fetched.error, 0);
    const std::vector<std::string> lines = listEntries(fetched.text());
    ASSERT_EQ(lines.size(), 251u);
    EXPECT_EQ(lines[0], "fetched\tuid-m0");
    EXPECT_EQ(lines[249], "fetched\tuid-m249");
    EXPECT_EQ(lines[250], "missing\tuid-nobody");
    EXPECT_EQ(session().book.keptCards(), 250u);

    // Opening one takes the fetched text.
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-m7")}).number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("uniqueid")}).text(), "uid-m7");

    // Another client changes it: the save is refused by its tag as usual.
    plugin.peer.put(plugin.bookPath + "m7.vcf", makeCard("uid-m7", "Changed"));
    plugin.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("mine")});
    const CallResult saved = plugin.host.call("CardDav_SaveCard");
    EXPECT_EQ(saved.text(), "Etag mismatch. Vcard already modifed on server!");
    EXPECT_NE(plugin.peer.get(plugin.bookPath + "m7.vcf").body.find("FN:Changed"),
              std::string::npos);

    // A selection keeps what was read of the cards that did not change since.
    plugin.selectBook();
    EXPECT_EQ(session().book.keptCards(), 249u);
    EXPECT_EQ(session().book.keptText("uid-m7"), nullptr);
}
