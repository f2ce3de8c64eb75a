#include "vCard/vCard.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

namespace {

vCard parse(const std::string& body) {
    vCardDataParser parser;
    return parser.Parse("BEGIN:VCARD\r\n" + body + "END:VCARD\r\n", createDefaultRawDataMap());
}

vCard emptyCard() {
    return parse("");
}

std::string written(vCard card) {
    const std::string text = card.toString();
    const std::string begin = "BEGIN:VCARD\r\n", end = "END:VCARD\r\n";
    EXPECT_EQ(text.substr(0, begin.size()), begin);
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    return text.substr(begin.size(), text.size() - begin.size() - end.size());
}

} // namespace

TEST(vCardFields, WritingAMissingFieldAppendsItsProperty) {
    vCard card = emptyCard();
    card.set("email1", "x");
    card.set("email2", "y"); // the first EMAIL of any type: the one just added
    card.set("home_city", "Berlin");
    card.set("work_city", "");
    card.set("note", "");
    EXPECT_EQ(written(card), "EMAIL;TYPE=PREF:y\r\n"
                             "ADR;TYPE=HOME:;;;Berlin;;;\r\n"
                             "ADR;TYPE=WORK:;;;;;;\r\n");
    EXPECT_EQ(card.items.size(), 4u); // the empty NOTE is kept but not written
    EXPECT_EQ(card.get("home_city"), "Berlin");
    EXPECT_EQ(card.get("home"), ";;;Berlin;;;");

    vCard other = emptyCard();
    other.set("email2", "z");
    EXPECT_EQ(written(other), "EMAIL;TYPE=:z\r\n");
}

TEST(vCardFields, UnknownFieldsReadEmptyAndWriteNothing) {
    vCard card = parse("FN:Ada\r\nN:Lovelace;Ada;Augusta;;\r\n");
    EXPECT_EQ(card.get("name_middle"), "");
    EXPECT_EQ(card.get("name_additional"), "Augusta");
    EXPECT_EQ(card.get("Displayname"), "");
    EXPECT_EQ(card.get("home_"), "");
    EXPECT_EQ(card.addRawProp("nosuchfield"), -1);
    card.set("nosuchfield", "x");
    card.setTypeValue("nosuchfield", "TYPE", "x");
    EXPECT_EQ(card.items.size(), 2u);

    vCard unmapped;
    unmapped.items = card.items;
    EXPECT_EQ(unmapped.get("displayname"), "");
    unmapped.set("displayname", "x");
    EXPECT_EQ(unmapped.items[0].value, "Ada");
}

TEST(vCardFields, SelectsByPropertyAndTypeValue) {
    vCard card = parse("FN;X-SRC=a:Ada\r\n"
                       "ITEM1.EMAIL:grouped@x\r\n"
                       "ADR;TYPE=HOME:;;;Home town;;;\r\n"
                       "TEL;TYPE=home:111\r\n"
                       "ADR;TYPE=INTL:;;;Abroad;;;\r\n");
    EXPECT_EQ(card.get("home_city"), "Home town");
    EXPECT_EQ(card.get("hometel"), "111");
    EXPECT_EQ(card.get("email2"), "grouped@x");
    EXPECT_EQ(card.get("international"), "");

    card.set("displayname", "Ada L.");
    EXPECT_EQ(card.items[0].value, "Ada L.");
    EXPECT_EQ(card.items[0].getTypeValue("x-src"), "a");
    card.set("email2", "new@x");
    card.set("international_city", "Far");
    EXPECT_EQ(written(card), "FN;X-SRC=a:Ada L.\r\n"
                             "ITEM1.EMAIL:new@x\r\n"
                             "ADR;TYPE=HOME:;;;Home town;;;\r\n"
                             "TEL;TYPE=home:111\r\n"
                             "ADR;TYPE=INTL:;;;Abroad;;;\r\n"
                             "ADR;TYPE=INETERNATIONAL:;;;Far;;;\r\n");
}

TEST(vCardFields, TypeListsWrittenByServersStillMatch) {
    vCard listed = parse("EMAIL;TYPE=INTERNET,pref:list@x\r\n"
                         "TEL;type=voice,CELL:555\r\n");
    vCard separate = parse("EMAIL;TYPE=INTERNET;TYPE=PREF:separate@x\r\n");
    vCard whole = parse("EMAIL;TYPE=PREFERRED,OTHER:no@x\r\n");
    EXPECT_EQ(listed.get("email1"), "list@x");
    EXPECT_EQ(listed.get("celltel"), "555");
    EXPECT_EQ(listed.get("email2"), "list@x");
    EXPECT_EQ(separate.get("email1"), "separate@x");
    EXPECT_EQ(whole.get("email1"), "");

    // Writing the field changes the listed property instead of adding a second one.
    listed.set("email1", "changed@x");
    listed.set("celltel", "666");
    EXPECT_EQ(written(listed), "EMAIL;TYPE=INTERNET,pref:changed@x\r\n"
                               "TEL;type=voice,CELL:666\r\n");

    vCard custom = listed;
    custom.mapping["both"] = RawLayoutMap("EMAIL", "internet,pref");
    EXPECT_EQ(custom.get("both"), "changed@x");
}

TEST(vCardFields, FindpropReportsThePosition) {
    const vCard card = parse("FN:a\r\nEMAIL:b\r\n");
    std::uint32_t index = 7;
    EXPECT_TRUE(card.findprop("email2", index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(card.findprop("email1", index));
    EXPECT_EQ(index, 0xFFFFFFFFu);
    EXPECT_FALSE(card.findprop("nosuchfield", index));
    EXPECT_EQ(index, vCard::notFound);
}

TEST(vCardParameters, ReadAndWriteByField) {
    vCard card = parse("PHOTO;encoding=b;TYPE=JPEG:AAAA\r\n");
    EXPECT_EQ(card.getTypeValue("photo", "ENCODING"), "b");
    card.toString();
    EXPECT_EQ(card.getTypeValue("photo", "ENCODING"), "b") << "writing changes nothing read";
    EXPECT_EQ(card.getTypeValue("photo", "NOSUCH"), "");
    EXPECT_EQ(card.getTypeValue("note", "TYPE"), "");

    card.setTypeValue("photo_x", "type", "PNG");
    card.setTypeValue("note", "LANGUAGE", "en");
    card.set("note", "hi");
    EXPECT_EQ(written(card), "PHOTO;encoding=b;TYPE=PNG:AAAA\r\n"
                             "NOTE;TYPE=;LANGUAGE=EN:hi\r\n");
}

TEST(vCardValidity, RequiredPropertiesMustNotBeEmptyWhenPresent) {
    EXPECT_TRUE(vCard().valid());
    EXPECT_TRUE(parse("FN:Ada\r\n").valid());
    EXPECT_FALSE(parse("N:\r\nFN:Ada\r\n").valid());
    EXPECT_FALSE(parse("VERSION:\r\n").valid());
    EXPECT_TRUE(parse("NOTE:\r\n").valid());
}

TEST(vCardText, EmptyCardAndClearedCard) {
    EXPECT_EQ(vCard().toString(), "BEGIN:VCARD\r\nEND:VCARD\r\n");

    vCard card = parse("FN:Old\r\nUID:old\r\n");
    card.clear();
    EXPECT_TRUE(card.items.empty());
    card.set("uniqueid", "u-1");
    card.set("version", "3.0");
    card.set("productid", "Vorlix Plugin");
    EXPECT_EQ(written(card),
              "UID;TYPE=:u-1\r\nVERSION;TYPE=:3.0\r\nPRODID;TYPE=:Vorlix Plugin\r\n");
}

TEST(vCardText, ACardFromAServerIsWrittenBackUnchanged) {
    const std::string photo(300, 'Q');
    std::string folded = "PHOTO;ENCODING=B;TYPE=JPEG:";
    for (std::size_t at = 0; at < photo.size(); at += 72)
        folded += "\r\n " + photo.substr(at, 72);
    const std::string card = "BEGIN:VCARD\r\n"
                             "VERSION:3.0\r\n"
                             "PRODID:-//Example Corp.//Contacts 1.0//EN\r\n"
                             "UID:8a1f-22\r\n"
                             "FN:Lovelace\\, Ada\r\n"
                             "N:Lovelace;Ada;;Countess\\, Lady;\r\n"
                             "ORG:Acme\\, Inc.;Research\\; Engines\r\n"
                             "NOTE:Line one\\nLine two\\, with comma\\; semicolon \\\\ slash\r\n"
                             "EMAIL;TYPE=INTERNET,PREF:ada@example.org\r\n"
                             "ITEM1.ADR;TYPE=HOME:;;12 Main St\\, Apt 4;London;;N1;UK\r\n"
                             "CATEGORIES:Friends,Math\\, Science\r\n"
                             "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:1234\r\n" +
                             folded +
                             "\r\n"
                             "END:VCARD\r\n";
    vCardDataParser parser;
    vCard parsed = parser.Parse(card, createDefaultRawDataMap());
    EXPECT_EQ(parsed.get("displayname"), "Lovelace\\, Ada");
    EXPECT_EQ(parsed.get("name_prefix"), "Countess\\, Lady");
    EXPECT_EQ(parsed.toString(), card);
}

TEST(vCardFields, GroupedPropertiesAreFoundComponentsAndAll) {
    vCard card = parse("item1.EMAIL;type=INTERNET;type=pref:a@x\r\n"
                       "item2.ADR;TYPE=HOME:;;Main St;Town;;;\r\n"
                       "item3.ORG:Acme\r\n");
    EXPECT_EQ(card.get("email1"), "a@x");
    EXPECT_EQ(card.get("email2"), "a@x");
    EXPECT_EQ(card.get("home_city"), "Town");
    EXPECT_EQ(card.get("company"), "Acme");
    card.set("home_city", "City");
    card.set("email1", "b@x");
    EXPECT_EQ(card.items.size(), 3u) << "changed in place, none added";
    EXPECT_EQ(card.items[1].value, ";;Main St;City;;;");

    // The group-prefixed name in a field map names just that property.
    card.mapping["workmail"] = RawLayoutMap("ITEM1.EMAIL", "");
    card.mapping["othermail"] = RawLayoutMap("ITEM9.EMAIL", "");
    EXPECT_EQ(card.get("workmail"), "b@x");
    EXPECT_EQ(card.get("othermail"), "");
}

TEST(vCardFields, TypesAsEveryVersionWritesThem) {
    vCard bare = parse("TEL;WORK;VOICE:1\r\nTEL;CELL;PREF:2\r\nEMAIL;PREF;INTERNET:a@x\r\n"
                       "ADR;HOME:;;;Town;;;\r\n");
    EXPECT_EQ(bare.get("worktel"), "1");
    EXPECT_EQ(bare.get("celltel"), "2");
    EXPECT_EQ(bare.get("email1"), "a@x");
    EXPECT_EQ(bare.get("home_city"), "Town");
    EXPECT_EQ(bare.getTypeValue("celltel", "TYPE"), "CELL");
    EXPECT_EQ(bare.get("faxtel"), "");

    vCard version4 =
        parse("EMAIL;TYPE=home:h@x\r\nEMAIL;TYPE=work;PREF=1:w@x\r\n"
              "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:3\r\nTEL;TYPE=\"work\":tel:4\r\n");
    EXPECT_EQ(version4.get("email1"), "w@x");
    EXPECT_EQ(version4.get("email2"), "h@x");
    EXPECT_EQ(version4.get("celltel"), "tel:3");
    EXPECT_EQ(version4.get("worktel"), "tel:4");
    EXPECT_EQ(version4.get("voicetel"), "tel:3");

    // A PREF parameter is the type PREF only; a bare encoding word is no type.
    vCard other = parse("TEL;PREF=1:5\r\nPHOTO;BASE64;JPEG:AAAA\r\n");
    EXPECT_EQ(other.get("celltel"), "");
    EXPECT_EQ(other.getTypeValue("photo", "ENCODING"), "BASE64");
    EXPECT_EQ(other.getTypeValue("photo", "TYPE"), "JPEG");
}

TEST(vCardParameters, BareParametersStayBareWhileTheyReadTheSame) {
    vCard card = parse("PHOTO;JPEG;BASE64:AAAA\r\n");
    card.setTypeValue("photo", "TYPE", "PNG");
    card.setTypeValue("photo", "ENCODING", "b");
    EXPECT_EQ(written(card), "PHOTO;PNG;b:AAAA\r\n");
    card.setTypeValue("photo", "ENCODING", "X-OWN");
    card.setTypeValue("photo", "TYPE", "");
    EXPECT_EQ(written(card), "PHOTO;TYPE=;ENCODING=X-OWN:AAAA\r\n");
}
