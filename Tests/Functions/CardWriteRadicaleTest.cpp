// Creating, saving and deleting cards on a real server (Radicale on loopback).
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

CallResult setItem(ConnectedPlugin& plugin, const std::string& item, const std::string& value) {
    return plugin.host.call("CardDav_SetvCardItem", {Arg::text(item), Arg::text(value)});
}

} // namespace

TEST(CardWriteRadicale, NewCardIsFilledSavedAndReadByAnotherClient) {
    ConnectedPlugin plugin;
    plugin.selectBook();

    // No card was fetched before: the new card still takes the edits that follow.
    const CallResult created =
        plugin.host.call("CardDav_NewvCard", {Arg::text(plugin.bookUrl), Arg::text("new-1")});
    EXPECT_EQ(created.error, 0);
    ASSERT_EQ(created.text(), "new-1");
    const addresscard entry = *session().book.card("new-1");
    EXPECT_EQ(entry.url, plugin.bookUrl + entry.cardid + ".vcf");
    const PeerResponse placeholder = plugin.peer.get(entry.url);
    ASSERT_EQ(placeholder.status, 200);
    EXPECT_TRUE(contains(placeholder.body, "FN:New")) << placeholder.body;
    EXPECT_EQ(placeholder.etag, "\"" + entry.etag + "\"");
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("etag")}).text(), entry.etag);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("uniqueid")}).text(), "new-1");

    setItem(plugin, "displayname", "Grace Hopper");
    setItem(plugin, "name_first", "Grace");
    setItem(plugin, "name_last", "Hopper");
    setItem(plugin, "email2", "grace@navy.example");
    setItem(plugin, "email1", "grace@example.org");
    setItem(plugin, "worktel", "+1 555 0100");
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");

    const PeerResponse stored = plugin.peer.get(entry.url);
    EXPECT_TRUE(contains(stored.body, "UID:new-1\r\n")) << stored.body;
    EXPECT_TRUE(contains(stored.body, "FN:Grace Hopper\r\n")) << stored.body;
    EXPECT_TRUE(contains(stored.body, "N:Hopper;Grace;;;\r\n")) << stored.body;
    EXPECT_TRUE(contains(stored.body, "PRODID:Vorlix Plugin\r\n")) << stored.body;
    EXPECT_TRUE(contains(stored.body, "EMAIL;TYPE=PREF:grace@example.org\r\n")) << stored.body;
    EXPECT_TRUE(contains(stored.body, "grace@navy.example")) << stored.body;
    EXPECT_TRUE(contains(stored.body, "TEL;TYPE=WORK:+1 555 0100\r\n")) << stored.body;
    EXPECT_FALSE(contains(stored.body, "FN:New")) << stored.body;

    // The tag of that save guards the next one.
    setItem(plugin, "title", "Rear Admiral");
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    EXPECT_TRUE(contains(plugin.peer.get(entry.url).body, "TITLE:Rear Admiral"));
}

TEST(CardWriteRadicale, DeletingACardTakesItOutOfItsGroupsOnTheServer) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", makeCard("uid-ada", "Ada"));
    plugin.putCard("bob", makeCard("uid-bob", "Bob"));
    const std::string members = "X-ADDRESSBOOKSERVER-KIND:group\n"
                                "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada\n"
                                "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-bob";
    plugin.putCard("g1", makeCard("grp-1", "One", members));
    plugin.putCard("g2", makeCard("grp-2", "Two", members));
    plugin.putCard("g3", makeCard("grp-3", "Three",
                                  "X-ADDRESSBOOKSERVER-KIND:group\n"
                                  "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-bob"));
    plugin.selectBook();
    const std::string untouchedTag = session().book.group("grp-3")->etag;

    const CallResult deleted = plugin.host.call("CardDav_DeleteCard", {Arg::text("uid-ada")});
    EXPECT_EQ(deleted.error, 0);
    EXPECT_EQ(deleted.number(), 1);
    EXPECT_EQ(plugin.peer.get(plugin.bookPath + "ada.vcf").status, 404);
    EXPECT_EQ(session().book.cards().count("uid-ada"), 0u);
    for (const char* group : {"g1", "g2"}) {
        const PeerResponse stored = plugin.peer.get(plugin.bookPath + group + ".vcf");
        EXPECT_FALSE(contains(stored.body, "uid-ada")) << stored.body;
        EXPECT_TRUE(contains(stored.body, "urn:uuid:uid-bob")) << stored.body;
    }
    EXPECT_EQ("\"" + session().book.group("grp-1")->etag + "\"",
              plugin.peer.get(plugin.bookPath + "g1.vcf").etag);
    EXPECT_EQ("\"" + session().book.group("grp-2")->etag + "\"",
              plugin.peer.get(plugin.bookPath + "g2.vcf").etag);
    EXPECT_EQ(session().book.group("grp-3")->etag, untouchedTag);

    // A UID that is not a listed card (a group's, or an unknown one) deletes nothing.
    for (const char* uid : {"grp-3", "uid-nobody", "uid-ada"}) {
        const CallResult none = plugin.host.call("CardDav_DeleteCard", {Arg::text(uid)});
        EXPECT_EQ(none.error, 3) << uid;
        EXPECT_EQ(none.number(), 0) << uid;
    }
    EXPECT_EQ(plugin.peer.get(plugin.bookPath + "g3.vcf").status, 200);
}

TEST(CardWriteRadicale, DeleteAllCardsEmptiesTheNamedBookOnly) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", makeCard("uid-ada", "Ada"));
    plugin.putCard("bob", makeCard("uid-bob", "Bob"));
    plugin.putCard("g1", makeCard("grp-1", "One", "X-ADDRESSBOOKSERVER-KIND:group"));
    ASSERT_EQ(plugin.peer.createAddressBook("/alice/other/", "Other").status, 201);
    ASSERT_EQ(plugin.peer.put("/alice/other/keep.vcf", makeCard("uid-keep", "Keep")).status, 201);
    plugin.selectBook();

    const CallResult all = plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl)});
    EXPECT_EQ(all.error, 0);
    EXPECT_EQ(all.number(), 1);
    for (const char* name : {"ada", "bob", "g1"})
        EXPECT_EQ(plugin.peer.get(plugin.bookPath + name + ".vcf").status, 404) << name;
    EXPECT_EQ(plugin.peer.get("/alice/other/keep.vcf").status, 200);
    // The cache shows the last listing until the book is selected again.
    EXPECT_EQ(session().book.cards().size(), 2u);
    plugin.selectBook();
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "");

    // An empty book: nothing to do, all done. A book that cannot be listed: nothing deleted.
    EXPECT_EQ(plugin.host.call("CardDav_DeleteAllCards", {Arg::text(plugin.bookUrl)}).number(), 1);
    const CallResult missing = plugin.host.call(
        "CardDav_DeleteAllCards", {Arg::text(plugin.server.baseUrl() + "/alice/missing/")});
    EXPECT_EQ(missing.number(), 0);
    EXPECT_EQ(missing.error, 44);
    EXPECT_EQ(plugin.peer.get("/alice/other/keep.vcf").status, 200);
}
