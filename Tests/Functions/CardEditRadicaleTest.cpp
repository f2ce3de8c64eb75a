// Reading and editing one card of a real server (Radicale on loopback), and saving it back.
#include "CardFixtures.h"
#include "Functions/Sessions.h"
#include "Utils/VorlixUtils.h"
#include "base64.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

std::string adaCard() {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:uid-ada\r\nFN:Ada Lovelace\r\n"
           "N:Lovelace;Ada;;;\r\nEMAIL;TYPE=INTERNET,PREF:ada@example.org\r\n"
           "TEL;TYPE=CELL,VOICE:+44 20 1234\r\n"
           "ADR;TYPE=HOME:;;12 St James's Square;London;;SW1Y 4JH;UK\r\n"
           "NOTE:first part of a long note that the other client folded over two\r\n"
           "  lines\r\nPHOTO;ENCODING=b;TYPE=PNG:" +
           std::string(kPhotoPng) + "\r\nEND:VCARD\r\n";
}

std::string text(ConnectedPlugin& plugin, const std::string& item) {
    const CallResult result = plugin.host.call("CardDav_GetvCardItem", {Arg::text(item)});
    EXPECT_EQ(result.error, 0) << item;
    return result.text();
}

std::optional<std::pair<fmx::int16, fmx::int16>> size(int width, int height) {
    return std::make_pair(static_cast<fmx::int16>(width), static_cast<fmx::int16>(height));
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

// Ada's card fetched as the current card.
class CardEditRadicale : public ::testing::Test {
protected:
    void SetUp() override {
        tag = plugin.putCard("ada", adaCard());
        plugin.selectBook();
        const CallResult fetched = plugin.host.call("CardDav_GetvCard", {Arg::text("uid-ada")});
        ASSERT_EQ(fetched.error, 0);
        ASSERT_EQ(fetched.number(), 1);
    }

    ConnectedPlugin plugin;
    std::string tag; // as the server sent it, quoted
};

} // namespace

TEST_F(CardEditRadicale, ReadsPlainFieldsComponentsAndEntryValues) {
    EXPECT_EQ(text(plugin, "displayname"), "Ada Lovelace");
    EXPECT_EQ(text(plugin, "name_first"), "Ada");
    EXPECT_EQ(text(plugin, "name_last"), "Lovelace");
    EXPECT_EQ(text(plugin, "home_city"), "London");
    EXPECT_EQ(text(plugin, "home_address"), "12 St James's Square");
    EXPECT_EQ(text(plugin, "email1"), "ada@example.org") << "found in a TYPE list";
    EXPECT_EQ(text(plugin, "celltel"), "+44 20 1234");
    EXPECT_EQ(text(plugin, "note"),
              "first part of a long note that the other client folded over two lines");
    EXPECT_EQ(text(plugin, "uniqueid"), "uid-ada");
    EXPECT_EQ(text(plugin, "company"), "") << "a property the card lacks";
    EXPECT_EQ(text(plugin, "no_such_field"), "");

    // The tag of the GET answer, without quotes, whatever the case of the item name.
    EXPECT_EQ("\"" + text(plugin, "etag") + "\"", tag);
    EXPECT_EQ(text(plugin, "ETAG"), text(plugin, "etag"));
    // Radicale names no display name for cards: the identifier is the resource's own name.
    EXPECT_EQ(text(plugin, "cardid"), "ada");

    // A UID that is not listed changes nothing.
    const CallResult unknown = plugin.host.call("CardDav_GetvCard", {Arg::text("uid-nobody")});
    EXPECT_EQ(unknown.error, 3);
    EXPECT_EQ(unknown.number(), 0);
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), 3);
    EXPECT_EQ(session().current_vcard_id, "uid-ada");
    EXPECT_EQ(text(plugin, "displayname"), "Ada Lovelace");
}

TEST_F(CardEditRadicale, GivesThePhotoAsAContainerOfTheAskedSize) {
    const std::string png = base64_decode(kPhotoPng);

    const CallResult sized = plugin.host.call(
        "CardDav_GetvCardItem", {Arg::text("Photo"), Arg::number(40), Arg::number(30)});
    EXPECT_EQ(sized.error, 0);
    ASSERT_EQ(sized.type(), ValueType::container);
    ASSERT_NE(sized.value.stream("PNGf"), nullptr);
    EXPECT_EQ(sized.value.stream("PNGf")->bytes, png);
    EXPECT_EQ(sized.value.fileName(), "photo.png");
    EXPECT_EQ(sized.value.pictureSize(), size(40, 30));

    // Width alone is not read: the picture keeps its own size. Sizes that cannot be shown fall
    // back to 100, larger ones are cut to what the container holds.
    const CallResult widthOnly =
        plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo"), Arg::number(200)});
    EXPECT_EQ(widthOnly.value.pictureSize(), size(1, 1));
    const CallResult zero = plugin.host.call("CardDav_GetvCardItem",
                                             {Arg::text("photo"), Arg::number(0), Arg::number(-5)});
    EXPECT_EQ(zero.value.pictureSize(), size(100, 100));
    const CallResult huge = plugin.host.call(
        "CardDav_GetvCardItem", {Arg::text("photo"), Arg::number(40000), Arg::number(20)});
    EXPECT_EQ(huge.value.pictureSize(), size(32767, 20));

    // A card without photo, and one whose photo is a link to a picture the server does not hold.
    plugin.putCard("bob", makeCard("uid-bob", "Bob"));
    plugin.putCard("eve",
                   makeCard("uid-eve", "Eve", "PHOTO;VALUE=uri:" + plugin.bookUrl + "missing.png"));
    plugin.selectBook();
    plugin.host.call("CardDav_GetvCard", {Arg::text("uid-bob")});
    EXPECT_EQ(text(plugin, "photo"), "No photo");
    plugin.host.call("CardDav_GetvCard", {Arg::text("uid-eve")});
    const CallResult link = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
    EXPECT_EQ(link.error, 44);
    EXPECT_EQ(link.type(), ValueType::none);
}

TEST_F(CardEditRadicale, SavedChangesReachAnotherClientAndUntouchedLinesStay) {
    auto set = [&](const std::string& item, Arg value) {
        return plugin.host.call("CardDav_SetvCardItem", {Arg::text(item), std::move(value)});
    };
    EXPECT_EQ(set("name_first", Arg::text("Augusta Ada")).number(), 1);
    EXPECT_EQ(set("displayname", Arg::text("Augusta Ada King")).error, 0);
    EXPECT_EQ(set("home_city", Arg::text("London, Marylebone")).error, 0);
    EXPECT_EQ(set("company", Arg::text("Analytical Engines, Ltd")).error, 0);
    EXPECT_EQ(set("note", Arg::text("first line\rsecond, with a comma")).error, 0);
    const std::string jpeg("\xFF\xD8\xFF\xE0 pretend jpeg \x00\x01", 20);
    EXPECT_EQ(set("photo", Arg::container({Stream{"JPEG", jpeg}})).number(), 1);
    EXPECT_EQ(set("photo", Arg::container({})).number(), 1) << "an empty container changes nothing";

    for (const char* readOnly : {"uniqueid", "ETag", "modifed_on", "created_on"}) {
        const CallResult refused = set(readOnly, Arg::text("x"));
        EXPECT_EQ(refused.error, 15) << readOnly;
        EXPECT_EQ(refused.number(), 0) << readOnly;
    }
    EXPECT_EQ(text(plugin, "uniqueid"), "uid-ada");
    EXPECT_EQ(text(plugin, "note"), "first line\rsecond, with a comma");

    const CallResult saved = plugin.host.call("CardDav_SaveCard");
    EXPECT_EQ(saved.error, 0);
    EXPECT_EQ(saved.text(), "Saved");

    const PeerResponse stored = plugin.peer.get(plugin.bookPath + "ada.vcf");
    ASSERT_EQ(stored.status, 200);
    EXPECT_EQ(session().book.card("uid-ada")->etag, stored.etag.substr(1, stored.etag.size() - 2));
    const std::string& card = stored.body;
    EXPECT_TRUE(contains(card, "\r\nN:Lovelace;Augusta Ada;;;\r\n")) << card;
    EXPECT_TRUE(contains(card, "\r\nFN:Augusta Ada King\r\n")) << card;
    EXPECT_TRUE(contains(card, "London\\, Marylebone")) << card;
    EXPECT_TRUE(contains(card, "\r\nORG:Analytical Engines\\, Ltd\r\n")) << card;
    EXPECT_TRUE(contains(card, "NOTE:first line\\nsecond\\, with a comma\r\n")) << card;
    // The photo's own parameters keep their case; only the type it was given changed.
    EXPECT_TRUE(contains(card, "PHOTO;ENCODING=b;TYPE=JPEG:")) << card;
    // What the plug-in did not touch is still there.
    EXPECT_TRUE(contains(card, "UID:uid-ada")) << card;
    EXPECT_TRUE(contains(card, "EMAIL;TYPE=INTERNET,PREF:ada@example.org")) << card;
    EXPECT_TRUE(contains(card, "TEL;TYPE=CELL,VOICE:+44 20 1234")) << card;
    EXPECT_TRUE(contains(card, "12 St James's Square")) << card;
    EXPECT_FALSE(contains(card, "FN:Ada Lovelace")) << card;

    // Read back through the plug-in, the photo is the container's bytes.
    plugin.host.call("CardDav_GetvCard", {Arg::text("uid-ada")});
    const CallResult photo = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
    ASSERT_NE(photo.value.stream("JPEG"), nullptr);
    EXPECT_EQ(photo.value.stream("JPEG")->bytes, jpeg);
}

TEST_F(CardEditRadicale, AChangeByAnotherClientIsNotOverwritten) {
    const std::string changed = replace(adaCard(), "FN:Ada Lovelace", "FN:Changed Elsewhere");
    ASSERT_EQ(plugin.peer.put(plugin.bookPath + "ada.vcf", changed, tag).status, 201);
    const std::string oldTag = session().book.card("uid-ada")->etag;

    plugin.host.call("CardDav_SetvCardItem", {Arg::text("displayname"), Arg::text("Mine")});
    const CallResult saved = plugin.host.call("CardDav_SaveCard");
    EXPECT_EQ(saved.error, 19) << "412: nothing was written";
    EXPECT_EQ(saved.text(), "Etag mismatch. Vcard already modifed on server!");
    EXPECT_EQ(session().book.card("uid-ada")->etag, oldTag);
    EXPECT_TRUE(
        contains(plugin.peer.get(plugin.bookPath + "ada.vcf").body, "FN:Changed Elsewhere"));
}
