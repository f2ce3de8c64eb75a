// What a script does wrong, or what goes wrong under it, never costs a card on a real server
// (Radicale on loopback), and every write that did not happen says so in its code.
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

const std::string kAda = makeCard("uid-ada", "Ada Lovelace", "N:Lovelace;Ada;;;\nNOTE:original");

CallResult setItem(ConnectedPlugin& plugin, const std::string& item, const std::string& value) {
    return plugin.host.call("CardDav_SetvCardItem", {Arg::text(item), Arg::text(value)});
}

} // namespace

TEST(CardSafetyRadicale, NewCardWithAListedUidIsRefusedAndTheCardStays) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", kAda);
    plugin.selectBook();
    const PeerResponse before = plugin.peer.get(plugin.bookPath + "ada.vcf");

    const CallResult created =
        plugin.host.call("CardDav_NewvCard", {Arg::text(plugin.bookUrl), Arg::text("uid-ada")});
    EXPECT_EQ(created.text(), "ERROR: Creation of vcard failed");
    EXPECT_EQ(created.error, 4);
    // Nothing new on the server, and a save that follows cannot reach Ada's card.
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").error, 3);
    plugin.selectBook();
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "uid-ada\r");
    const PeerResponse after = plugin.peer.get(plugin.bookPath + "ada.vcf");
    EXPECT_EQ(after.body, before.body);
    EXPECT_EQ(after.etag, before.etag);
}

TEST(CardSafetyRadicale, NewCardInAnotherBookIsSavedThereAndNotOverTheSelectedBooksCard) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", kAda);
    plugin.selectBook();
    const std::string otherPath = plugin.server.homePath() + "other/";
    ASSERT_EQ(plugin.peer.createAddressBook(otherPath, "Other").status, 201);
    const std::string otherUrl = plugin.server.baseUrl() + otherPath;

    const CallResult created =
        plugin.host.call("CardDav_NewvCard", {Arg::text(otherUrl), Arg::text("uid-ada")});
    ASSERT_EQ(created.text(), "uid-ada");
    setItem(plugin, "displayname", "Ada in the other book");
    const CallResult saved = plugin.host.call("CardDav_SaveCard");
    EXPECT_EQ(saved.text(), "Saved");
    EXPECT_EQ(saved.error, 0);

    EXPECT_EQ(plugin.peer.get(plugin.bookPath + "ada.vcf").body, kAda);
    const std::string newUrl = session().book.card("uid-ada")->url;
    EXPECT_EQ(newUrl.rfind(otherUrl, 0), 0u) << newUrl;
    EXPECT_NE(plugin.peer.get(newUrl).body.find("FN:Ada in the other book\r\n"), std::string::npos);
}

TEST(CardSafetyRadicale, UidWithALineBreakIsRefused) {
    ConnectedPlugin plugin;
    plugin.selectBook();
    // FileMaker's paragraph mark is a CR.
    for (const char* uid : {"abc\rEMAIL:evil@x.org", "abc\nEMAIL:evil@x.org", "a\x01"}) {
        const CallResult created =
            plugin.host.call("CardDav_NewvCard", {Arg::text(plugin.bookUrl), Arg::text(uid)});
        EXPECT_EQ(created.text(), "ERROR: Creation of vcard failed");
        EXPECT_EQ(created.error, 5);
    }
    plugin.selectBook();
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "");
    const PeerResponse listing = plugin.peer.request("PROPFIND", plugin.bookPath, "", {"Depth: 1"});
    EXPECT_EQ(listing.body.find(".vcf"), std::string::npos) << listing.body;
}

TEST(CardSafetyRadicale, FieldNamesMatchInAnyCaseAndUnknownOnesAreRefused) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", kAda);
    plugin.selectBook();
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-ada")}).number(), 1);

    EXPECT_EQ(setItem(plugin, "Email1", "ada@example.org").number(), 1);
    EXPECT_EQ(setItem(plugin, "NOTE", "edited").number(), 1);
    EXPECT_EQ(setItem(plugin, "Home_City", "London").number(), 1);
    const CallResult unknown = setItem(plugin, "emial1", "lost@example.org");
    EXPECT_EQ(unknown.number(), 0);
    EXPECT_EQ(unknown.error, 16);
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("email1")}).text(),
              "ada@example.org");
    ASSERT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");

    const std::string stored = plugin.peer.get(plugin.bookPath + "ada.vcf").body;
    EXPECT_NE(stored.find("ada@example.org"), std::string::npos) << stored;
    EXPECT_NE(stored.find("NOTE:edited"), std::string::npos) << stored;
    EXPECT_NE(stored.find("London"), std::string::npos) << stored;
    EXPECT_EQ(stored.find("lost@example.org"), std::string::npos) << stored;
}

TEST(CardSafetyRadicale, ServerGoneBetweenFetchAndSaveIsAFailedSave) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", kAda);
    plugin.selectBook();
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("uid-ada")}).number(), 1);
    setItem(plugin, "note", "never arrives");
    plugin.server.stop();

    const CallResult saved = plugin.host.call("CardDav_SaveCard");
    EXPECT_EQ(saved.text(), "Unkown error. Server result code: 0");
    EXPECT_EQ(saved.error, 25);
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), 25);
    const CallResult deleted = plugin.host.call("CardDav_DeleteCard", {Arg::text("uid-ada")});
    EXPECT_EQ(deleted.number(), 0);
    EXPECT_EQ(deleted.error, 25);
}
