// Reading, editing, creating and deleting cards on a book of either server: what the server holds
// after each function, and on the loopback server the requests each sent.
#include "BookOnServer.h"
#include "CardFixtures.h"
#include "Functions/Sessions.h"
#include "Utils/VorlixUtils.h"
#include "base64.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

const std::string kAda = adaLovelaceCard();
const std::string kPlainAda =
    makeCard("uid-ada", "Ada Lovelace", "N:Lovelace;Ada;;;\nNOTE:original");

std::optional<std::pair<fmx::int16, fmx::int16>> size(int width, int height) {
    return std::make_pair(static_cast<fmx::int16>(width), static_cast<fmx::int16>(height));
}

std::string quoted(const std::string& tag) {
    return "\"" + tag + "\"";
}

class Cards : public OnBothServers {
protected:
    std::string text(const std::string& item) {
        const CallResult result = call("CardDav_GetvCardItem", {Arg::text(item)});
        EXPECT_EQ(result.error, 0) << item;
        return result.text();
    }
    CallResult set(const std::string& item, Arg value) {
        return call("CardDav_SetvCardItem", {Arg::text(item), std::move(value)});
    }
    CallResult set(const std::string& item, const std::string& value) {
        return set(item, Arg::text(value));
    }
    CallResult save() { return call("CardDav_SaveCard"); }
    // What the server holds, read as Radicale keeps it: without the empty TYPE parameter the
    // plug-in writes on a property whose field names no type.
    std::string stored(const std::string& name) { return replace(book.text(name), ";TYPE=:", ":"); }
    // `card` stored as "ada", the book selected and the card fetched; gives its tag.
    std::string fetchAda(const std::string& card = kAda) {
        const std::string tag = book.put("ada", card);
        book.select();
        const CallResult fetched = call("CardDav_GetvCard", {Arg::text("uid-ada")});
        EXPECT_EQ(fetched.error, 0);
        EXPECT_EQ(fetched.number(), 1);
        book.methods();
        return tag;
    }
};

TEST_P(Cards, ReadsPlainFieldsComponentsAndEntryValues) {
    const std::string tag = fetchAda();
    EXPECT_EQ(text("displayname"), "Ada Lovelace");
    EXPECT_EQ(text("name_first"), "Ada");
    EXPECT_EQ(text("name_last"), "Lovelace");
    EXPECT_EQ(text("home_city"), "London");
    EXPECT_EQ(text("home_address"), "12 St James's Square");
    EXPECT_EQ(text("email1"), "ada@example.org") << "found in a TYPE list";
    EXPECT_EQ(text("celltel"), "+44 20 1234");
    EXPECT_EQ(text("note"),
              "first part of a long note that the other client folded over two lines");
    EXPECT_EQ(text("uniqueid"), "uid-ada");
    EXPECT_EQ(text("company"), "") << "a property the card lacks";
    EXPECT_EQ(text("no_such_field"), "");

    // The tag of the GET answer, without quotes, whatever the case of the item name.
    EXPECT_EQ(text("etag"), tag);
    EXPECT_EQ(text("ETAG"), tag);
    // Neither server names a display name for cards: the identifier is the resource's own name.
    EXPECT_EQ(text("cardid"), "ada");

    // A UID that is not listed changes nothing.
    const CallResult unknown = call("CardDav_GetvCard", {Arg::text("uid-nobody")});
    EXPECT_EQ(unknown.error, 3);
    EXPECT_EQ(unknown.number(), 0);
    EXPECT_EQ(call("CardDav_LastError").number(), 3);
    EXPECT_EQ(session().current_vcard_id, "uid-ada");
    EXPECT_EQ(text("displayname"), "Ada Lovelace");
}

TEST_P(Cards, GivesThePhotoAsAContainerOfTheAskedSize) {
    fetchAda();
    const CallResult sized =
        call("CardDav_GetvCardItem", {Arg::text("Photo"), Arg::number(40), Arg::number(30)});
    EXPECT_EQ(sized.error, 0);
    ASSERT_EQ(sized.type(), ValueType::container);
    ASSERT_NE(sized.value.stream("PNGf"), nullptr);
    EXPECT_EQ(sized.value.stream("PNGf")->bytes, base64_decode(kPhotoPng));
    EXPECT_EQ(sized.value.fileName(), "photo.png");
    EXPECT_EQ(sized.value.pictureSize(), size(40, 30));

    // Width alone is not read: the picture keeps its own size. Sizes that cannot be shown fall
    // back to 100, larger ones are cut to what the container holds.
    const auto sizeFor = [&](std::vector<Arg> args) {
        args.insert(args.begin(), Arg::text("photo"));
        return call("CardDav_GetvCardItem", args).value.pictureSize();
    };
    EXPECT_EQ(sizeFor({Arg::number(200)}), size(1, 1));
    EXPECT_EQ(sizeFor({Arg::number(0), Arg::number(-5)}), size(100, 100));
    EXPECT_EQ(sizeFor({Arg::number(40000), Arg::number(20)}), size(32767, 20));

    // A card without photo, and one whose photo is a link to a picture the server does not hold.
    book.put("bob", makeCard("uid-bob", "Bob"));
    book.put("eve", makeCard("uid-eve", "Eve", "PHOTO;VALUE=uri:" + book.bookUrl + "missing.png"));
    book.select();
    call("CardDav_GetvCard", {Arg::text("uid-bob")});
    EXPECT_EQ(text("photo"), "No photo");
    call("CardDav_GetvCard", {Arg::text("uid-eve")});
    const CallResult link = call("CardDav_GetvCardItem", {Arg::text("photo")});
    EXPECT_EQ(link.error, 44);
    EXPECT_EQ(link.type(), ValueType::none);
}

TEST_P(Cards, SavedChangesReachAnotherClientAndUntouchedLinesStay) {
    fetchAda();
    EXPECT_EQ(set("name_first", "Augusta Ada").number(), 1);
    EXPECT_EQ(set("displayname", "Augusta Ada King").error, 0);
    EXPECT_EQ(set("home_city", "London, Marylebone").error, 0);
    EXPECT_EQ(set("company", "Analytical Engines, Ltd").error, 0);
    EXPECT_EQ(set("note", "first line\rsecond, with a comma").error, 0);
    const std::string jpeg("\xFF\xD8\xFF\xE0 pretend jpeg \x00\x01", 20);
    EXPECT_EQ(set("photo", Arg::container({Stream{"JPEG", jpeg}})).number(), 1);
    EXPECT_EQ(set("photo", Arg::container({})).number(), 1) << "an empty container changes nothing";

    for (const char* readOnly : {"uniqueid", "ETag", "modifed_on", "created_on"}) {
        const CallResult refused = set(readOnly, "x");
        EXPECT_EQ(refused.error, 15) << readOnly;
        EXPECT_EQ(refused.number(), 0) << readOnly;
    }
    EXPECT_EQ(text("uniqueid"), "uid-ada");
    EXPECT_EQ(text("note"), "first line\rsecond, with a comma");

    const CallResult saved = save();
    EXPECT_EQ(saved.error, 0);
    EXPECT_EQ(saved.text(), "Saved");
    EXPECT_EQ(session().book.card("uid-ada")->etag, book.tag("ada"));
    const std::string card = stored("ada");
    for (const char* line :
         {"\r\nN:Lovelace;Augusta Ada;;;\r\n", "\r\nFN:Augusta Ada King\r\n",
          "London\\, Marylebone", "\r\nORG:Analytical Engines\\, Ltd\r\n",
          "NOTE:first line\\nsecond\\, with a comma\r\n",
          // The photo's own parameters keep their case; only the type it was given changed.
          "PHOTO;ENCODING=b;TYPE=JPEG:",
          // What the plug-in did not touch is still there.
          "UID:uid-ada", "EMAIL;TYPE=INTERNET,PREF:ada@example.org",
          "TEL;TYPE=CELL,VOICE:+44 20 1234", "12 St James's Square"})
        EXPECT_TRUE(contains(card, line)) << line << " in\n" << card;
    EXPECT_FALSE(contains(card, "FN:Ada Lovelace")) << card;

    // Read back through the plug-in, the photo is the container's bytes.
    call("CardDav_GetvCard", {Arg::text("uid-ada")});
    const CallResult photo = call("CardDav_GetvCardItem", {Arg::text("photo")});
    ASSERT_NE(photo.value.stream("JPEG"), nullptr);
    EXPECT_EQ(photo.value.stream("JPEG")->bytes, jpeg);
}

TEST_P(Cards, ASaveIsGuardedByTheTagTheCardWasReadAt) {
    const std::string tag = fetchAda();
    set("note", "mine");
    EXPECT_EQ(save().text(), "Saved");
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().header("If-Match"), quoted(tag));
        EXPECT_EQ(book.methods(), "PUT ");
    }
    EXPECT_TRUE(contains(book.text("ada"), "NOTE:mine\r\n"));
    EXPECT_EQ(session().book.card("uid-ada")->etag, book.tag("ada"));

    // A tag given as argument is sent instead of the stored one.
    EXPECT_EQ(call("CardDav_SaveCard", {Arg::text("given")}).error, 19);
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().header("If-Match"), "\"given\"");
    }

    // Another client changed the card since it was read: nothing is written.
    book.put("ada", replace(kAda, "FN:Ada Lovelace", "FN:Changed Elsewhere"));
    const std::string readAt = session().book.card("uid-ada")->etag;
    set("displayname", "Mine");
    const CallResult refused = save();
    EXPECT_EQ(refused.error, 19);
    EXPECT_EQ(refused.text(), "Etag mismatch. Vcard already modifed on server!");
    EXPECT_EQ(session().book.card("uid-ada")->etag, readAt);
    EXPECT_TRUE(contains(book.text("ada"), "FN:Changed Elsewhere"));
}

TEST_P(Cards, ANewCardIsOneCreateOnlyPutAndTakesTheEditsThatFollow) {
    book.select();
    // No card was fetched before: the new card still takes the edits that follow.
    const CallResult created = call("CardDav_NewvCard", {Arg::text("")});
    EXPECT_EQ(created.error, 0);
    const std::string uid = created.text();
    EXPECT_EQ(uid.size(), 36u) << "a new GUID";
    ASSERT_NE(session().book.card(uid), nullptr);
    const addresscard entry = *session().book.card(uid);
    EXPECT_EQ(entry.url, book.bookUrl + entry.cardid + ".vcf");
    EXPECT_EQ(entry.cardid.size(), 32u);
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().header("If-None-Match"), "*");
        EXPECT_EQ(book.methods(), "PUT ");
    }
    const std::string placeholder = book.text(entry.url);
    EXPECT_TRUE(contains(placeholder, "UID:" + uid + "\r\n")) << placeholder;
    EXPECT_TRUE(contains(placeholder, "FN:New\r\n")) << placeholder;
    EXPECT_EQ(book.tag(entry.url), entry.etag);
    EXPECT_EQ(text("etag"), entry.etag);
    EXPECT_EQ(text("uniqueid"), uid);

    // Saved right away, the card is the one the server holds, FN and N included.
    EXPECT_EQ(save().text(), "Saved");
    EXPECT_EQ(book.text(entry.url), placeholder);
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().target, book.path(entry.url));
        EXPECT_EQ(book.wire->lastRequest().header("If-Match"), quoted(entry.etag));
    }
    set("displayname", "Grace");
    EXPECT_EQ(save().text(), "Saved");
    for (const std::string& line : {"UID:" + uid, std::string("VERSION:3.0"),
                                    std::string("N:New;;;;"), std::string("FN:Grace")})
        EXPECT_TRUE(contains(book.text(entry.url), line + "\r\n")) << line;

    set("displayname", "Grace Hopper");
    set("name_first", "Grace");
    set("name_last", "Hopper");
    set("email2", "grace@navy.example");
    set("email1", "grace@example.org");
    set("worktel", "+1 555 0100");
    EXPECT_EQ(save().text(), "Saved");
    const std::string filled = stored(entry.url);
    for (const char* line : {"UID:", "FN:Grace Hopper\r\n", "N:Hopper;Grace;;;\r\n",
                             "PRODID:Vorlix Plugin\r\n", "EMAIL;TYPE=PREF:grace@example.org\r\n",
                             "grace@navy.example", "TEL;TYPE=WORK:+1 555 0100\r\n"})
        EXPECT_TRUE(contains(filled, line)) << line << " in\n" << filled;
    EXPECT_FALSE(contains(filled, "FN:New")) << filled;

    // The tag of that save guards the next one.
    set("title", "Rear Admiral");
    EXPECT_EQ(save().text(), "Saved");
    EXPECT_TRUE(contains(stored(entry.url), "TITLE:Rear Admiral"));
}

TEST_P(Cards, NewvCardRefusesAListedUidOrALineBreakAndTheCardStays) {
    book.put("ada", kPlainAda);
    book.put("g", groupCard("g1", "Fam", {}));
    book.select();
    const std::string before = book.text("ada");
    const std::string tag = book.tag("ada");
    // FileMaker's paragraph mark is a CR.
    const std::pair<const char*, int> refusals[] = {{"uid-ada", 4},
                                                    {"g1", 4},
                                                    {"abc\rEMAIL:evil@x.org", 5},
                                                    {"abc\nEMAIL:evil@x.org", 5},
                                                    {"x\ry", 5},
                                                    {"x\n", 5},
                                                    {"a\x01", 5}};
    for (const auto& [uid, code] : refusals) {
        const CallResult created =
            call("CardDav_NewvCard", {Arg::text(book.bookUrl), Arg::text(uid)});
        EXPECT_EQ(created.text(), "ERROR: Creation of vcard failed") << uid;
        EXPECT_EQ(created.error, code) << uid;
    }
    EXPECT_EQ(book.methods(), "") << "nothing was sent";
    EXPECT_EQ(session().book.card("uid-ada")->url, book.bookUrl + "ada.vcf");
    // Nothing new on the server, and a save that follows cannot reach Ada's card.
    EXPECT_EQ(save().error, 3);
    EXPECT_EQ(book.names(), (std::vector<std::string>{"ada.vcf", "g.vcf"}));
    book.select();
    EXPECT_EQ(call("CardDav_GetAddressbookvCards").text(), "uid-ada\r");
    EXPECT_EQ(book.text("ada"), before);
    EXPECT_EQ(book.tag("ada"), tag);
}

TEST_P(Cards, ANewCardInAnotherBookIsSavedThereAndNotOverTheSelectedBooksCard) {
    book.put("ada", kPlainAda);
    book.select();
    book.createBook("/alice/other/");
    const std::string otherUrl = book.baseUrl + "/alice/other/";

    const CallResult created =
        call("CardDav_NewvCard", {Arg::text(otherUrl), Arg::text("uid-ada")});
    ASSERT_EQ(created.text(), "uid-ada");
    set("displayname", "Ada in the other book");
    const CallResult saved = save();
    EXPECT_EQ(saved.text(), "Saved");
    EXPECT_EQ(saved.error, 0);

    EXPECT_EQ(book.text("ada"), kPlainAda);
    const std::string newUrl = session().book.card("uid-ada")->url;
    EXPECT_EQ(newUrl.rfind(otherUrl, 0), 0u) << newUrl;
    EXPECT_TRUE(contains(book.text(newUrl), "FN:Ada in the other book\r\n"));
}

TEST_P(Cards, FieldNamesMatchInAnyCaseAndUnknownOnesAreRefused) {
    fetchAda(kPlainAda);
    EXPECT_EQ(set("Email1", "ada@example.org").number(), 1);
    EXPECT_EQ(set("NOTE", "edited").number(), 1);
    EXPECT_EQ(set("Home_City", "London").number(), 1);
    const CallResult unknown = set("emial1", "lost@example.org");
    EXPECT_EQ(unknown.number(), 0);
    EXPECT_EQ(unknown.error, 16);
    EXPECT_EQ(text("email1"), "ada@example.org");
    ASSERT_EQ(save().text(), "Saved");

    const std::string stored = book.text("ada");
    for (const char* part : {"ada@example.org", "NOTE:edited", "London"})
        EXPECT_TRUE(contains(stored, part)) << part << " in\n" << stored;
    EXPECT_FALSE(contains(stored, "lost@example.org")) << stored;
}

TEST_P(Cards, ServerGoneBetweenFetchAndSaveIsAFailedSave) {
    fetchAda(kPlainAda);
    set("note", "never arrives");
    book.stopServer();

    const CallResult saved = save();
    EXPECT_EQ(saved.text(), "Unkown error. Server result code: 0");
    EXPECT_EQ(saved.error, 25);
    EXPECT_EQ(call("CardDav_LastError").number(), 25);
    const CallResult deleted = call("CardDav_DeleteCard", {Arg::text("uid-ada")});
    EXPECT_EQ(deleted.number(), 0);
    EXPECT_EQ(deleted.error, 25);
}

TEST_P(Cards, DeletingACardTakesItOutOfItsGroupsOnTheServer) {
    book.put("ada", makeCard("uid-ada", "Ada"));
    book.put("bob", makeCard("uid-bob", "Bob"));
    const std::string one = groupCard("grp-1", "One", {"uid-ada", "uid-bob"});
    book.put("g1", one);
    book.put("g2", groupCard("grp-2", "Two", {"uid-ada", "uid-bob"}));
    book.put("g3", groupCard("grp-3", "Three", {"uid-bob"}));
    book.select();
    const std::string untouchedTag = session().book.group("grp-3")->etag;
    const std::string oneTag = session().book.group("grp-1")->etag;
    // The loopback server refuses the first group's rewrite: a later success does not hide it,
    // and the refused group is held as the server still holds it.
    if (book.store)
        book.store->failNext("PUT", book.path("g1"), loopback::Response(403));

    const CallResult deleted = call("CardDav_DeleteCard", {Arg::text("uid-ada")});
    EXPECT_EQ(deleted.number(), 1);
    EXPECT_EQ(deleted.error, book.store ? 43 : 0);
    EXPECT_FALSE(book.holds("ada"));
    EXPECT_EQ(session().book.cards().count("uid-ada"), 0u);
    std::vector<std::string> rewritten = {"g1", "g2"};
    if (book.wire) {
        const std::vector<loopback::Request> requests = book.wire->requests();
        EXPECT_EQ(book.methods(), "DELETE GET PUT GET PUT ");
        EXPECT_EQ(requests[2].target, book.path("g1"));
        EXPECT_EQ(requests[2].header("If-Match"), quoted(oneTag));
        EXPECT_EQ(requests[2].body,
                  replace(one, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada\r\n", ""));
        EXPECT_EQ(book.text("g1"), one);
        EXPECT_EQ(session().book.group("grp-1")->members,
                  (std::vector<std::string>{"uid-ada", "uid-bob"}));
        EXPECT_EQ(session().book.group("grp-1")->etag, oneTag);
        rewritten = {"g2"};
    }
    for (const std::string& group : rewritten) {
        const std::string stored = book.text(group);
        EXPECT_FALSE(contains(stored, "uid-ada")) << stored;
        EXPECT_TRUE(contains(stored, "urn:uuid:uid-bob")) << stored;
        const std::string uid = group == "g1" ? "grp-1" : "grp-2";
        EXPECT_EQ(session().book.group(uid)->etag, book.tag(group)) << group;
        EXPECT_EQ(session().book.group(uid)->members, std::vector<std::string>{"uid-bob"});
    }
    EXPECT_EQ(session().book.group("grp-3")->etag, untouchedTag);

    // A UID that is not a listed card (a group's, or an unknown one) deletes nothing.
    for (const char* uid : {"grp-3", "uid-nobody", "uid-ada"}) {
        const CallResult none = call("CardDav_DeleteCard", {Arg::text(uid)});
        EXPECT_EQ(none.error, 3) << uid;
        EXPECT_EQ(none.number(), 0) << uid;
    }
    EXPECT_TRUE(book.holds("g3"));

    // A refused DELETE changes nothing.
    if (book.store) {
        book.store->failNext("DELETE", book.path("bob"), loopback::Response(403));
        const CallResult refused = call("CardDav_DeleteCard", {Arg::text("uid-bob")});
        EXPECT_EQ(refused.number(), 0);
        EXPECT_EQ(refused.error, 43);
        EXPECT_EQ(session().book.cards().count("uid-bob"), 1u);
    }
}

TEST_P(Cards, DeleteAllCardsEmptiesTheNamedBookOnly) {
    book.put("ada", makeCard("uid-ada", "Ada"));
    book.put("bob", makeCard("uid-bob", "Bob"));
    book.put("g1", groupCard("grp-1", "One", {}));
    book.createBook("/alice/other/");
    book.put("/alice/other/keep.vcf", makeCard("uid-keep", "Keep"));
    book.select();

    const CallResult all = call("CardDav_DeleteAllCards", {Arg::text(book.bookUrl)});
    EXPECT_EQ(all.error, 0);
    EXPECT_EQ(all.number(), 1);
    EXPECT_EQ(book.methods(), book.wire ? "REPORT DELETE DELETE DELETE " : "");
    EXPECT_TRUE(book.names().empty());
    EXPECT_TRUE(book.holds("/alice/other/keep.vcf"));
    // The cache shows the last listing until the book is selected again.
    EXPECT_EQ(session().book.cards().size(), 2u);
    book.select();
    EXPECT_EQ(call("CardDav_GetAddressbookvCards").text(), "");

    // An empty book: nothing to do, all done. A book that cannot be listed: nothing deleted.
    EXPECT_EQ(call("CardDav_DeleteAllCards", {Arg::text(book.bookUrl)}).number(), 1);
    const CallResult missing =
        call("CardDav_DeleteAllCards", {Arg::text(book.baseUrl + "/alice/missing/")});
    EXPECT_EQ(missing.number(), 0);
    EXPECT_EQ(missing.error, 44);
    EXPECT_TRUE(book.holds("/alice/other/keep.vcf"));
}

INSTANTIATE_ON_BOTH_SERVERS(Cards);

} // namespace
