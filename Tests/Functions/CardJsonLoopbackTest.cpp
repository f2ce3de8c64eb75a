// A whole card as JSON and a card changed from JSON, against a server that stores exactly what
// it is given: every address, phone and e-mail of the cards contact programs write, unescaped and
// labelled; what a script hands back unchanged reaches the server as it came; a refused object
// changes nothing.
#include "CardFixtures.h"
#include "ClientCards.h"
#include "Engine/LinkedPhoto.h"
#include "TinyPictures.h"
#include "Utils/AsciiCase.h"
#include "base64.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using loopback::Response;
using nlohmann::json;

json cardJson(PluginHarness& host, const std::vector<Arg>& uid = {}) {
    const CallResult got = host.call("CardDav_GetvCardJSON", uid);
    EXPECT_EQ(got.error, 0);
    return json::parse(got.text(), nullptr, false);
}

CallResult setJson(PluginHarness& host, const std::string& text) {
    return host.call("CardDav_SetvCardJSON", {Arg::text(text)});
}

// How many logical lines of `text` hold the property `kind` (any group).
std::size_t linesOf(const std::string& text, const std::string& kind) {
    std::size_t count = 0;
    for (const std::string& line : logicalLines(text)) {
        std::string name = line.substr(0, line.find_first_of(";:"));
        name = name.substr(name.rfind('.') + 1);
        count += equalsIgnoringAsciiCase(name, kind) ? 1 : 0;
    }
    return count;
}

// What the JSON of each style holds beside the counts: (JSON pointer, value).
const std::map<std::string, std::vector<std::pair<std::string, json>>> kExpected = {
    {"outlook-7d2f-0001",
     {{"/emails/0/value", "juergen.mueller@kontor-nord.example"},
      {"/emails/0/pref", true},
      {"/emails/0/types", {"internet"}},
      {"/phones/1/types", {"cell"}},
      {"/phones/1/pref", true},
      {"/addresses/0/street", "Hafenstra\xC3\x9F"
                              "e 5"},
      {"/addresses/0/city", "Hamburg"},
      {"/name/family", "M\xC3\xBCller"},
      {"/org", {{"name", "Kontor Nord"}, {"units", {"Vertrieb"}}}},
      {"/fields/label", "Hafenstra\xC3\x9F"
                        "e 5\rTel: 040 555 0100\r20457 Hamburg"},
      {"/version", "2.1"}}},
    {"android-3c41-0002",
     {{"/phones/0/value", "+45 20 55 01 00"},
      {"/addresses/0/value", ";;Strandvejen 12;Hellerup;;2900;Danmark"},
      {"/dates/0",
       {{"value", "1985-04-12"},
        {"types", json::array()},
        {"pref", false},
        {"label", ""},
        {"group", ""},
        {"property", "BDAY"}}},
      {"/photo/type", "jpeg"},
      {"/photo/size", 204}}},
    {"5B1C2D3E-0000-4000-8000-ABCDEF012345",
     {{"/emails/0/label", "Other"},
      {"/emails/0/group", "item1"},
      {"/emails/0/pref", true},
      {"/emails/1/value", "jonna.private@example.net"},
      {"/emails/1/label", ""},
      {"/addresses/0/label", ""},
      {"/addresses/0/region", "CA"},
      {"/org/units", json::array()},
      {"/photo", nullptr}}},
    {"3f9a1c70b2d84e51",
     {{"/emails/2/label", "Conference"},
      {"/urls/0/value", "https://amara.example/"},
      {"/urls/0/label", "PROFILE"},
      {"/note", "Met at the summit, Lagos 2023.\rPrefers e-mail."},
      {"/fields/note", "Met at the summit, Lagos 2023.\rPrefers e-mail."},
      {"/categories", {"myContacts", "Partners"}},
      {"/title", "Data Lead"}}},
    {"pas-id-6601A2B3C4D5E6F7",
     {{"/emails/2/value", "wei@old.example"},
      {"/emails/2/types", {"other"}},
      {"/ims/0/property", "X-SIP"},
      {"/ims/1",
       {{"value", "liwei@chat.example"},
        {"types", {"home"}},
        {"pref", false},
        {"label", ""},
        {"group", ""},
        {"property", "X-JABBER"}}},
      {"/fields/label", "88 Century Avenue\rShanghai 200120\rChina"}}},
    {"urn:uuid:4fbe8971-0bc3-424c-9c26-36c3e1eff6b1",
     {{"/emails/1/pref", true},
      {"/emails/1/types", {"work"}},
      {"/phones/0/types", {"voice", "cell"}},
      {"/phones/0/pref", true},
      {"/note", "Prefers mornings, call first."},
      {"/photo", {{"type", "png"}, {"width", 1}, {"height", 1}, {"size", 70}}},
      {"/version", "4.0"}}},
    {"E1F2A3B4-0000-4000-8000-000000000007",
     {{"/addresses/0/city", "Lisboa"},
      {"/addresses/0/group", "item1"},
      {"/dates/0/value", "1990-06-15"},
      {"/photo/width", 0},
      {"/kind", "card"}}},
    {"outlook-5e10-0008",
     {{"/fields/displayname", "J\xC3\xBCrgen M\xC3\xBCller"},
      {"/name/family", "M\xC3\xBCller"},
      {"/title", "Gesch\xC3\xA4"
                 "ftsf\xC3\xBChrer"},
      {"/addresses/0/street", "K\xC3\xB6nigstra\xC3\x9F"
                              "e 5"},
      {"/note", "Gr\xC3\xBC\xC3\x9F"
                "e \xE2\x80\x93 bis bald"}}},
    {"9C0FFEE0-0000-4000-8000-00000000A110",
     {{"/phones/0/label", "AssistantPhone"},
      {"/phones/0/pref", true},
      {"/phones/1/label", "Mobile"},
      {"/phones/1/group", "item2"},
      {"/phones/2/label", ""},
      {"/emails/0/label", "Hobby, weekends"}}},
    {"hostile-0009",
     {{"/fields/displayname", "Back\\slash, and \"quotes\""},
      {"/note", "if (a[b[1]]>0) then <![CDATA[warn]]> C:\\new"},
      {"/phones/0/types", {"comma,separated:inside.dquote"}},
      {"/phones/0/pref", true}}},
};

class CardJsonLoopback : public ::testing::TestWithParam<ClientCard> {
protected:
    void fetch(const ClientCard& card) {
        plugin.selectBook({{"/home/book/card.vcf", "t1", card.text}});
        plugin.server.enqueue(Response(200, {"ETag: \"t2\""}, card.text));
        before = cardJson(plugin.host, {Arg::text(card.uid)});
        ASSERT_TRUE(before.is_object());
    }
    // Saves the current card and gives what the server received.
    std::string saved() {
        plugin.server.enqueue(Response(204, {"ETag: \"t3\""}));
        EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
        return plugin.server.lastRequest().body;
    }

    LoopbackPlugin plugin;
    json before;
};

} // namespace

TEST_P(CardJsonLoopback, EveryEmailPhoneAndAddressIsThereUnescapedAndLabelled) {
    const ClientCard& card = GetParam();
    fetch(card);
    EXPECT_EQ(before["uid"], card.uid);
    EXPECT_EQ(before["href"], plugin.server.baseUrl() + "/home/book/card.vcf");
    EXPECT_EQ(before["etag"], "t2");
    EXPECT_EQ(before["emails"].size(), linesOf(card.text, "EMAIL"));
    EXPECT_EQ(before["phones"].size(), linesOf(card.text, "TEL"));
    EXPECT_EQ(before["addresses"].size(), linesOf(card.text, "ADR"));
    for (const auto& [pointer, value] : kExpected.at(card.uid))
        EXPECT_EQ(before.value(json::json_pointer(pointer), json()), value) << pointer;
    // Each field of the vocabulary is there, with what GetvCardItem gives where that holds no
    // escape.
    EXPECT_EQ(before["fields"].size(), 90u);
    for (const auto& [field, value] : card.reads) {
        if (value.find('\\') == std::string::npos && value.find('\n') == std::string::npos) {
            EXPECT_EQ(before["fields"][field], value) << field;
        }
    }
}

TEST_P(CardJsonLoopback, WhatTheScriptLeftAloneReachesTheServerAsItCame) {
    const ClientCard& card = GetParam();
    fetch(card);
    // Handed back whole, as read: nothing changes.
    EXPECT_EQ(setJson(plugin.host, before.dump()).number(), 1);
    EXPECT_EQ(cardJson(plugin.host), before);
    EXPECT_EQ(logicalLines(saved()), logicalLines(card.text));

    // A new labelled address added, the first phone removed, the e-mails handed back reordered.
    // The save moved the tag: the object to change is read again.
    json changed = cardJson(plugin.host);
    EXPECT_EQ(changed["etag"], "t3");
    changed["addresses"].push_back(
        {{"street", "1 New Road"}, {"city", "Newtown"}, {"types", {"work"}}, {"label", "Studio"}});
    changed["phones"].erase(0);
    std::reverse(changed["emails"].begin(), changed["emails"].end());
    const CallResult set = setJson(plugin.host, changed.dump());
    EXPECT_EQ(set.error, 0) << plugin.host.call("CardDav_LastErrorDetail").text();
    EXPECT_EQ(set.number(), 1);
    const json after = cardJson(plugin.host);
    EXPECT_EQ(after["phones"], changed["phones"]);
    EXPECT_EQ(after["emails"], changed["emails"]);
    EXPECT_EQ(after["addresses"].back()["city"], "Newtown");
    EXPECT_EQ(after["addresses"].back()["label"], "Studio");

    // Every other line as it came, in its order; the e-mail lines all kept, whatever their order.
    std::vector<std::string> sent = logicalLines(saved());
    std::vector<std::string> original = logicalLines(card.text);
    // The first phone goes, and the lines of its group (its label) with it.
    const auto firstPhone = std::find_if(original.begin(), original.end(), [](const auto& line) {
        return startsWithIgnoringAsciiCase(line.substr(line.find_first_of(".;:") + 1), "TEL") ||
               line.rfind("TEL", 0) == 0;
    });
    ASSERT_NE(firstPhone, original.end());
    const std::string phoneGroup = firstPhone->substr(0, firstPhone->find('.') + 1);
    original.erase(firstPhone);
    if (phoneGroup.size() > 1 && phoneGroup.find_first_of(";:") == std::string::npos)
        original.erase(std::remove_if(original.begin(), original.end(),
                                      [&](const std::string& line) {
                                          return startsWithIgnoringAsciiCase(line, phoneGroup);
                                      }),
                       original.end());
    const std::string group = after["addresses"].back()["group"];
    const auto isNewOrEmail = [&](const std::string& line) {
        return startsWithIgnoringAsciiCase(line, group + ".") || line.find("EMAIL") == 0 ||
               line.find(".EMAIL") != std::string::npos;
    };
    std::vector<std::string> emails, sentEmails;
    std::copy_if(original.begin(), original.end(), std::back_inserter(emails), isNewOrEmail);
    std::copy_if(sent.begin(), sent.end(), std::back_inserter(sentEmails), isNewOrEmail);
    original.erase(std::remove_if(original.begin(), original.end(), isNewOrEmail), original.end());
    sent.erase(std::remove_if(sent.begin(), sent.end(), isNewOrEmail), sent.end());
    EXPECT_EQ(sent, original);
    std::reverse(emails.begin(), emails.end());
    emails.push_back(toUpperAscii(group) + ".ADR;TYPE=WORK:;;1 New Road;Newtown;;;");
    emails.push_back(toUpperAscii(group) + ".X-ABLABEL:Studio");
    std::sort(emails.begin(), emails.end());
    std::sort(sentEmails.begin(), sentEmails.end());
    EXPECT_EQ(sentEmails, emails);
}

TEST_P(CardJsonLoopback, OneValueChangedRewritesItsLineAlone) {
    const ClientCard& card = GetParam();
    fetch(card);
    json changed = before;
    changed[json::json_pointer(card.jsonPointer)] = card.jsonValue;
    const CallResult set = setJson(plugin.host, changed.dump());
    EXPECT_EQ(set.error, 0) << plugin.host.call("CardDav_LastErrorText").text();
    EXPECT_EQ(logicalLines(saved()),
              linesAfterChange(card.text, card.jsonChangedLine, card.jsonExpectedLine));
    EXPECT_EQ(cardJson(plugin.host).value(json::json_pointer(card.jsonPointer), json()),
              card.jsonValue)
        << "reads back as written";
}

INSTANTIATE_TEST_SUITE_P(Styles, CardJsonLoopback, ::testing::ValuesIn(clientCards()),
                         [](const auto& info) { return cardStyleName(info.param); });

namespace {

class CardJsonEdit : public CardJsonLoopback {
protected:
    void SetUp() override {
        card = clientCards()[3]; // Google: labels, escapes, categories
        fetch(card);
    }
    ClientCard card;
};

} // namespace

TEST_F(CardJsonEdit, RefusedObjectsChangeNothing) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& text :
         {std::string("not json"),
          std::string("{\"title\": \"Boss\""),
          std::string("[1, 2]"),
          std::string("{\"title\": \"Boss\", \"colour\": \"red\"}"),
          std::string("{\"title\": 7}"),
          std::string("{\"emails\": {}}"),
          std::string("{\"emails\": [\"a@b\"]}"),
          std::string("{\"emails\": [{\"value\": 5}]}"),
          std::string("{\"emails\": [{\"value\": \"a@b\", \"pref\": \"yes\"}]}"),
          std::string("{\"emails\": [{\"value\": \"a@b\", \"types\": [\"a\\\"b\"]}]}"),
          std::string("{\"emails\": [{\"value\": \"a@b\", \"kind\": \"x\"}]}"),
          std::string("{\"ims\": [{\"value\": \"a\", \"property\": \"EMAIL\"}]}"),
          std::string("{\"name\": {\"family\": 1}}"),
          std::string("{\"org\": {\"units\": \"Sales\"}}"),
          std::string("{\"categories\": \"VIP\"}"),
          std::string("{\"uid\": \"someone-else\"}"),
          std::string("{\"groups\": [\"VIP\"]}"),
          std::string("{\"photo\": {\"type\": \"png\"}}"),
          std::string("{\"fields\": {\"email1\": 5}}"),
          std::string("{\"fields\": {\"no_such_field\": \"x\"}}"),
          std::string("{\"fields\": {\"uniqueid\": \"other\"}}"),
          std::string("{\"fields\": {\"photo\": \"\"}}"),
          std::string("{\"dates\": [{\"value\": \"next tuesday\"}]}"),
          std::string("{\"fields\": {\"birthday\": \"15.06.1990\"}}"),
          deep}) {
        const CallResult set = setJson(plugin.host, text);
        EXPECT_EQ(set.error, 21) << text.substr(0, 80);
        EXPECT_EQ(set.number(), 0) << text.substr(0, 80);
    }
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), 21);
    // A date field set alone is held to the same rule.
    EXPECT_EQ(
        plugin.host.call("CardDav_SetvCardItem", {Arg::text("birthday"), Arg::text("15.06.1990")})
            .error,
        21);
    EXPECT_EQ(cardJson(plugin.host), before);
    EXPECT_EQ(logicalLines(saved()), logicalLines(card.text));
}

TEST_F(CardJsonEdit, KeysChangeWhatTheyStandForAndFieldsGoThroughTheVocabulary) {
    json changes = before; // stale arrays and fields beside the changes change nothing
    changes["fields"]["worktel"] = "+234 1 555 0999";
    changes["fields"]["home"] = ";;1 New Street;Abuja;;900001;Nigeria";
    changes["fields"]["home_postalcode"] = "900002";
    changes["note"] = "Line one\rLine, two";
    changes["name"]["given"] = "Ama; Jr";
    changes["org"]["units"] = {"Research", "Lagos"};
    changes["categories"] = {"Partners", "A,B"};
    changes["title"] = "";
    ASSERT_EQ(setJson(plugin.host, changes.dump()).number(), 1);

    std::vector<std::string> expected = logicalLines(card.text);
    const auto replace = [&](const std::string& from, const std::string& to) {
        const auto at = std::find(expected.begin(), expected.end(), from);
        ASSERT_NE(at, expected.end()) << from;
        if (to.empty())
            expected.erase(at);
        else
            *at = to;
    };
    replace("TEL;TYPE=WORK:+234 1 555 0100", "TEL;TYPE=WORK:+234 1 555 0999");
    replace("ADR;TYPE=HOME:;;12 Marina Road;Lagos;;101001;Nigeria",
            "ADR;TYPE=HOME:;;1 New Street;Abuja;;900002;Nigeria");
    replace("NOTE:Met at the summit\\, Lagos 2023.\\nPrefers e-mail.",
            "NOTE:Line one\\nLine\\, two");
    replace("N:Okafor;Amara;;;", "N:Okafor;Ama\\; Jr;;;");
    replace("ORG:Lagoon Analytics", "ORG:Lagoon Analytics;Research;Lagos");
    replace("CATEGORIES:myContacts,Partners", "CATEGORIES:Partners,A\\,B");
    replace("TITLE:Data Lead", "");
    EXPECT_EQ(logicalLines(saved()), expected);
    const json after = cardJson(plugin.host);
    EXPECT_EQ(after["name"]["given"], "Ama; Jr");
    EXPECT_EQ(after["fields"]["home_city"], "Abuja");
    EXPECT_EQ(after["categories"], changes["categories"]);
    EXPECT_EQ(after["note"], changes["note"]);
}

TEST(CardJsonNoCard, WithoutACurrentCardThereIsNothingToReadOrChange) {
    LoopbackPlugin plugin;
    plugin.selectBook({});
    for (const std::vector<Arg>& uid : {std::vector<Arg>{}, {Arg::text("nobody")}}) {
        const CallResult got = plugin.host.call("CardDav_GetvCardJSON", uid);
        EXPECT_EQ(got.text(), "");
        EXPECT_EQ(got.error, 3);
    }
    EXPECT_EQ(setJson(plugin.host, "{}").error, 3);
    EXPECT_EQ(plugin.server.requestCount(), 0u);
}

namespace {

struct PhotoCase {
    const char* type; // as the card names it
    std::string bytes;
    const char* stream;
    const char* fileName;
    int width;
    int height;
};

} // namespace

TEST(CardJsonPhoto, ContainerAndJsonNameAndSizeThePictureAsItIs) {
    const PhotoCase cases[] = {{"JPEG", tinyJpeg(20, 10), "JPEG", "photo.jpg", 20, 10},
                               {"PNG", tinyPng(3, 2), "PNGf", "photo.png", 3, 2},
                               {"GIF", tinyGif(5, 3), "GIFf", "photo.gif", 5, 3},
                               // A card that calls its PNG a JPEG: the bytes tell.
                               {"JPEG", tinyPng(7, 9), "PNGf", "photo.png", 7, 9}};
    for (const PhotoCase& photo : cases) {
        LoopbackPlugin plugin;
        const std::string base64 =
            base64_encode(reinterpret_cast<const unsigned char*>(photo.bytes.data()),
                          static_cast<unsigned int>(photo.bytes.size()));
        const std::string text =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p1\r\nFN:P\r\nPHOTO;ENCODING=b;TYPE=" +
            std::string(photo.type) + ":" + base64 + "\r\nEND:VCARD\r\n";
        plugin.selectBook({{"/home/book/p1.vcf", "t1", text}});
        plugin.server.enqueue(Response(200, {"ETag: \"t2\""}, text));
        ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("p1")}).number(), 1);

        const CallResult own = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
        ASSERT_NE(own.value.stream(photo.stream), nullptr) << photo.fileName;
        EXPECT_EQ(own.value.stream(photo.stream)->bytes, photo.bytes);
        EXPECT_EQ(own.value.fileName(), photo.fileName);
        EXPECT_EQ(own.value.pictureSize(), std::make_pair(static_cast<fmx::int16>(photo.width),
                                                          static_cast<fmx::int16>(photo.height)));
        const CallResult asked = plugin.host.call(
            "CardDav_GetvCardItem", {Arg::text("photo"), Arg::number(40), Arg::number(30)});
        EXPECT_EQ(asked.value.pictureSize(),
                  std::make_pair(static_cast<fmx::int16>(40), static_cast<fmx::int16>(30)));

        json described = cardJson(plugin.host)["photo"];
        EXPECT_EQ(described["width"], photo.width);
        EXPECT_EQ(described["height"], photo.height);
        EXPECT_EQ(described["size"], photo.bytes.size());
        // Handed back as it is, the photo stays; null removes it.
        EXPECT_EQ(setJson(plugin.host, json{{"photo", described}}.dump()).number(), 1);
        EXPECT_EQ(setJson(plugin.host, "{\"photo\": null}").number(), 1);
        EXPECT_EQ(cardJson(plugin.host)["photo"], nullptr);
        EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")}).text(),
                  "No photo");
    }
}

TEST(CardJsonPhoto, APhotoGivenAsALinkIsReadFromThereAndReplacedWhole) {
    LoopbackPlugin plugin;
    const std::string link = plugin.server.baseUrl() + "/pictures/p1.jpg";
    const std::string text =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:p1\r\nFN:P\r\nPHOTO;VALUE=uri:" + link +
        "\r\nEND:VCARD\r\n";
    plugin.selectBook({{"/home/book/p1.vcf", "t1", text}});
    plugin.server.enqueue(Response(200, {"ETag: \"t1\""}, text));
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text("p1")}).number(), 1);
    EXPECT_EQ(cardJson(plugin.host)["photo"]["url"], link);

    // A failed read gives its code and no picture: a missing one, a sign-in page, one too large.
    plugin.server.enqueue(Response(404));
    plugin.server.enqueue(Response(200, {"Content-Type: text/html"}, "<html>Sign in</html>"));
    plugin.server.enqueue(
        Response(200, {"Content-Type: image/jpeg"}, std::string(kLargestLinkedPhoto + 1, 'x')));
    for (const int code : {44, -1, 28}) {
        const CallResult failed = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
        EXPECT_EQ(failed.error, code);
        EXPECT_EQ(failed.type(), ValueType::none);
    }
    const std::string jpeg = tinyJpeg(4, 3);
    plugin.server.enqueue(Response(200, {"Content-Type: image/jpeg"}, jpeg));
    const CallResult read = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
    ASSERT_NE(read.value.stream("JPEG"), nullptr);
    EXPECT_EQ(read.value.stream("JPEG")->bytes, jpeg);
    EXPECT_EQ(plugin.server.lastRequest().target, "/pictures/p1.jpg");

    // A picture set over the link replaces the line, VALUE=uri and all.
    plugin.host.call("CardDav_SetvCardItem",
                     {Arg::text("photo"), Arg::container({Stream{"JPEG", jpeg}})});
    plugin.server.enqueue(Response(204, {"ETag: \"t2\""}));
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    const std::string written = plugin.server.lastRequest().body;
    EXPECT_EQ(written.find("VALUE=uri"), std::string::npos) << written;
    EXPECT_NE(written.find("PHOTO;TYPE=JPEG;ENCODING=B:"), std::string::npos) << written;
}

TEST(CardJsonGroups, TheGroupsHoldingTheCardAreNamedUnescaped) {
    LoopbackPlugin plugin;
    const std::string cardText = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c1\r\nFN:C\r\nEND:VCARD\r\n";
    const auto group = [](const std::string& uid, const std::string& fn,
                          const std::string& member) {
        return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + fn +
               "\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" +
               member + "\r\nEND:VCARD\r\n";
    };
    plugin.selectBook({{"/home/book/c1.vcf", "t1", cardText},
                       {"/home/book/g1.vcf", "g1", group("g1", "Smith\\, Jones", "c1")},
                       {"/home/book/g2.vcf", "g2", group("g2", "Other", "c2")}});
    plugin.server.enqueue(Response(200, {"ETag: \"t2\""}, cardText));
    const json card = cardJson(plugin.host, {Arg::text("c1")});
    EXPECT_EQ(card["groups"], json({"Smith, Jones"}));
    EXPECT_EQ(plugin.host.call("CardDav_GetvCardGroups", {Arg::text("c1")}).text(),
              "Smith, Jones\r");
    // The groups are read-only here: handed back as they are, they change nothing.
    EXPECT_EQ(setJson(plugin.host, json{{"groups", card["groups"]}}.dump()).number(), 1);
    EXPECT_EQ(setJson(plugin.host, json{{"groups", {"Other"}}}.dump()).error, 21);
}
