// Synchronisation against a real server (Radicale on loopback, which speaks sync-collection and
// multiget), with another client changing the address book between the plug-in's syncs.
#include "CardFixtures.h"
#include "Functions/CardDavState.h"

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
    // The lines of a change list, sorted (the server's order is its own).
    static std::vector<std::string> sorted(const std::string& list) {
        std::vector<std::string> lines = listEntries(list);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    ConnectedPlugin plugin;
};

} // namespace

TEST_F(SyncRadicale, SelectionGivesATokenAndTheCachedTags) {
    EXPECT_FALSE(token().empty());
    const std::vector<std::string> tags =
        listEntries(plugin.host.call("CardDav_GetAddressbookETags").text());
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].rfind("uid-ada\t" + tagOf("ada") + "\t", 0), 0u) << tags[0];
    EXPECT_EQ(tags[1].rfind("uid-bob\t" + tagOf("bob") + "\t", 0), 0u) << tags[1];
    // The third column is the card's last change as the listing gave it, which this server
    // leaves out of its listings.
    EXPECT_EQ(std::count(tags[0].begin(), tags[0].end(), '\t'), 2);
}

TEST_F(SyncRadicale, InitialSyncListsEveryCardAndGroup) {
    const CallResult initial = changes("");
    EXPECT_EQ(initial.error, 0);
    EXPECT_EQ(sorted(initial.text()),
              (std::vector<std::string>{"changed\tgrp-1\t" + tagOf("family") + "\tgroup",
                                        "changed\tuid-ada\t" + tagOf("ada"),
                                        "changed\tuid-bob\t" + tagOf("bob")}));
    EXPECT_FALSE(token().empty());
}

TEST_F(SyncRadicale, ChangesOfAnotherClientComeAsChangesAndTheCacheFollows) {
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
              (std::vector<std::string>{"changed\tgrp-1\t" + tagOf("family") + "\tgroup",
                                        "changed\tuid-ada\t" + tagOf("ada"),
                                        "changed\tuid-cy\t" + tagOf("cy"), "deleted\tuid-bob"}));
    // The other functions see the new state without a selection.
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "uid-ada\ruid-cy\r");
    EXPECT_EQ(session().current_addressbook["uid-ada"].etag, tagOf("ada"));
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardGroups", {Arg::text("uid-cy")}).text(), "Family\r");
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-cy")}).number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("displayname")}).text(), "Cy");

    // The new token: nothing since.
    EXPECT_NE(token(), start);
    EXPECT_EQ(changes(token()).text(), "");
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
    EXPECT_EQ(session().fetched_vcards.size(), 250u);

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

    // A selection drops what was fetched.
    plugin.selectBook();
    EXPECT_EQ(session().fetched_vcards.size(), 0u);
}
