// What a card read from text gives back when written: the lines nothing changed exactly as they
// came, and changed lines with what the change did not touch.
#include "vCard/vCard.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

namespace {

vCard parse(const std::string& body) {
    vCardDataParser parser;
    return parser.Parse("BEGIN:VCARD\r\n" + body + "END:VCARD\r\n", createDefaultRawDataMap());
}

std::string written(vCard card) {
    const std::string text = card.toString();
    const std::string begin = "BEGIN:VCARD\r\n", end = "END:VCARD\r\n";
    EXPECT_EQ(text.substr(0, begin.size()), begin);
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    return text.substr(begin.size(), text.size() - begin.size() - end.size());
}

} // namespace

TEST(vCardRoundTrip, LinesReadAreWrittenAsTheyCame) {
    const std::string body = "item1.EMAIL;type=INTERNET;type=pref:a@x\r\n"
                             "item1.X-ABLabel:\r\n"
                             "TEL;CELL;PREF:+1 555 0100\r\n"
                             "N;SORT-AS=\"Doe;John\":Doe;John;;;\r\n"
                             "X-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Johnny;1;;;\r\n"
                             "X-SOCIAL;X-SERVICE-TYPE=Skype;LANGUAGE=en-us:live:john\r\n"
                             "NOTE:a, b; c\r\n"
                             "PHOTO;JPEG;BASE64:/9j/\r\n"
                             "LABEL;ENCODING=QUOTED-PRINTABLE:Main St 1=0D=0A=\r\n"
                             "Berlin\r\n";
    EXPECT_EQ(written(parse(body)), body);
    // Unfolded lines are folded again at 76 bytes; the value is the same once unfolded.
    const std::string longNote = "NOTE;X-A=b:" + std::string(80, 'n');
    EXPECT_EQ(written(parse(longNote + "\r\n")),
              "NOTE;X-A=b:\r\n " + std::string(72, 'n') + "\r\n " + std::string(8, 'n') + "\r\n");
    // Folded elsewhere by the writer, read and written: the same logical line.
    const vCard refolded = parse("FN;X=1:A\r\n  long\r\n name\r\n");
    EXPECT_EQ(written(refolded), "FN;X=1:A longname\r\n");
}

TEST(vCardRoundTrip, ASoftBreakThatEndsTheCardSwallowsNoLineAddedAfterIt) {
    vCard card = parse("NOTE;QUOTED-PRINTABLE:a=3D=\r\n");
    card.set("email1", "x@y");
    vCard again = vCardDataParser().Parse(card.toString(), createDefaultRawDataMap());
    ASSERT_EQ(again.items.size(), 2u) << card.toString();
    EXPECT_EQ(again.get("note"), "a=");
    EXPECT_EQ(again.get("email1"), "x@y");
}

TEST(vCardRoundTrip, ABackslashEndingALineTakesInNoLineAnEditBringsAfterIt) {
    vCard card = parse("NOTE:a\\\r\nCATEGORIES:x\r\nno colon\r\nTE!:y\r\n");
    card.removeProperties("CATEGORIES", [](const vCardItem&) { return true; });
    EXPECT_EQ(written(card), "no colon\r\nTE!:y\r\nNOTE:a\\\r\n");
    EXPECT_EQ(vCardDataParser().Parse(card.toString(), createDefaultRawDataMap()).items.size(), 3u);
}

TEST(vCardRoundTrip, AChangedPropertyKeepsItsGroupNameAndOtherParameters) {
    vCard card = parse("item2.email;Type=internet;X-Slot=\"1\":old@x\r\n"
                       "NOTE:untouched\\, as read\r\n");
    card.set("email2", "new, and escaped@x");
    EXPECT_EQ(written(card), "item2.email;Type=internet;X-Slot=\"1\":new\\, and escaped@x\r\n"
                             "NOTE:untouched\\, as read\r\n");
    EXPECT_EQ(card.items.size(), 2u) << "changed in place, not added";

    // Changing a parameter rewrites the line; only that parameter is upper-cased.
    vCard photo = parse("PHOTO;encoding=b;x-size=small:AAAA\r\n");
    photo.setTypeValue("photo", "type", "png");
    EXPECT_EQ(written(photo), "PHOTO;encoding=b;x-size=small;TYPE=png:AAAA\r\n");
}

TEST(vCardRoundTrip, AChangedQuotedPrintableOr8BitPropertyIsWrittenAsPlainUtf8) {
    const std::string latin1Note = "NOTE;CHARSET=ISO-8859-1:Gr\xFC\xDF"
                                   "e\r\n";
    vCard card = parse("N;LANGUAGE=de;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=\r\n"
                       "=FCrgen;;;\r\n"
                       "ADR;WORK;QUOTED-PRINTABLE;CHARSET=\"utf-8\":;;Stra=C3=9Fe 1;Hamburg;;;\r\n"
                       "FN:J\xFCrgen M\xFCller\r\n" +
                       latin1Note +
                       "TITLE;CHARSET=ISO-8859-1:Gesch\xE4"
                       "ftsf\xFChrer\r\n");
    EXPECT_EQ(card.get("name_first"), "J\xC3\xBCrgen");
    EXPECT_EQ(card.get("displayname"), "J\xC3\xBCrgen M\xC3\xBCller") << "no charset, no UTF-8";
    EXPECT_EQ(card.get("note"), "Gr\xC3\xBC\xC3\x9F"
                                "e");
    card.set("name_first", "Jörg");
    card.set("work_city", "Kiel");
    card.set("title", "Leiter");
    // The lines read in their own bytes and not changed keep them; a changed line is UTF-8, and
    // says so where it said anything.
    EXPECT_EQ(written(card), "N;LANGUAGE=de:M\xC3\xBCller;Jörg;;;\r\n"
                             "ADR;WORK;CHARSET=\"utf-8\":;;Stra\xC3\x9F"
                             "e 1;Kiel;;;\r\n"
                             "FN:J\xFCrgen M\xFCller\r\n" +
                                 latin1Note + "TITLE:Leiter\r\n");
}

TEST(vCardRoundTrip, WritingWhatAFieldHoldsChangesNothing) {
    const std::string body = "ADR;TYPE=home:;;Main St;Town\r\n"
                             "EMAIL;TYPE=pref:a@x\r\n"
                             "PHOTO;ENCODING=B;TYPE=JPEG:AAAA\r\n";
    vCard card = parse(body);
    card.set("home_city", "Town");
    card.set("email1", "a@x");
    card.setTypeValue("photo", "ENCODING", "B");
    card.setTypeValue("photo", "type", "JPEG");
    EXPECT_EQ(written(card), body);
    EXPECT_TRUE(card.items[0].unchanged());
    card.set("home_country", "");
    EXPECT_TRUE(card.items[0].unchanged()) << "a component the value lacks is empty";
    // Giving it text changes the value, which then has all its components.
    card.set("home_country", "DE");
    EXPECT_EQ(written(card).substr(0, 35), "ADR;TYPE=home:;;Main St;Town;;;DE\r\n");
}

TEST(vCardRoundTrip, EmptyValuesStayUntilAScriptEmptiesAProperty) {
    vCard card = parse("item1.X-ABLabel:\r\nNOTE:text\r\nTITLE:\r\n");
    card.set("note", "");
    card.set("role", "");
    EXPECT_EQ(written(card), "item1.X-ABLabel:\r\nTITLE:\r\n");
}

TEST(vCardRoundTrip, LinesThatCannotBeWrittenAsTheyCameAreWrittenSafely) {
    // A CR inside a line would break it in two for many readers: the value is written escaped.
    vCard card = parse("NOTE;X=a:one\rUID:two\r\nX-TAG;X-A=b\rc;X-B=d:v\r\n");
    EXPECT_FALSE(card.items[0].unchanged());
    EXPECT_EQ(written(card), "NOTE;X=a:one\\nUID:two\r\nX-TAG;X-B=d:v\r\n");
    // A quote left open would let the quotes of a new value move the end of the head.
    vCard open = parse("EMAIL;TYPE=pref;X-A=\"open:old@x\r\n");
    open.set("email1", "new\":x@y");
    EXPECT_EQ(written(open), "EMAIL;TYPE=pref:new\":x@y\r\n");
    // Folded so that the line reads "END:VCARD" or "BEGIN:VCARD": not a property that can be
    // written.
    EXPECT_EQ(written(parse("END:\r\n VCARD\r\nBEGIN:\r\n VCARD\r\nFN:after\r\n")), "FN:after\r\n");
}

TEST(vCardRoundTrip, PropertiesMadeInMemoryAreWrittenAsBefore) {
    vCard card = parse("FN:Ada\r\n");
    card.set("email1", "x@y");
    card.setTypeValue("email1", "x-label", "home mail");
    vCardItem made("TEL", "1");
    made.params = {{"type", "cell"}, {"", "pref"}};
    card.items.push_back(made);
    EXPECT_EQ(written(card),
              "FN:Ada\r\nEMAIL;TYPE=PREF;X-LABEL=HOME MAIL:x@y\r\nTEL;TYPE=CELL;PREF:1\r\n");
}

// Cards that hold more than one card's worth of plain property lines: after a one-field edit
// every line comes back, the edited one changed, the others byte for byte.
TEST(vCardRoundTrip, OddCardsComeBackWholeAfterAOneFieldEdit) {
    struct Case {
        const char* what;
        std::string text;
        const char* field;
        const char* value;
        std::string expected;
    };
    const std::string agent = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Friday;Fred\r\n"
                              "TEL;WORK;VOICE:+1-213-555-1234\r\nEND:VCARD\r\n";
    const std::string secondCard =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:b\r\nFN:Second\r\nEND:VCARD\r\n";
    const Case cases[] = {
        {"no END:VCARD",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:keep me\r\nTEL;TYPE=CELL:+1 555 0100\r\n", "celltel",
         "+1 555 0199",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:keep me\r\nTEL;TYPE=CELL:+1 555 "
         "0199\r\nEND:VCARD\r\n"},
        {"no END:VCARD nor last line end", "BEGIN:VCARD\r\nFN:Ann\r\nTEL;TYPE=CELL:+1 555 0100",
         "displayname", "Ann Lee",
         "BEGIN:VCARD\r\nFN:Ann Lee\r\nTEL;TYPE=CELL:+1 555 0100\r\nEND:VCARD\r\n"},
        {"Outlook's quoted-printable note running to the end of the text",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\nNOTE;ENCODING=QUOTED-PRINTABLE:one=0D=0A=\r\n"
         "two=0D=0A=\r\nthree\r\n",
         "email1", "ann@example.org",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\nNOTE;ENCODING=QUOTED-PRINTABLE:one=0D=0A=\r\n"
         "two=0D=0A=\r\nthree\r\nEMAIL;TYPE=PREF:ann@example.org\r\nEND:VCARD\r\n"},
        {"two cards in one resource",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:First\r\nEND:VCARD\r\n" + secondCard,
         "displayname", "First!",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:First!\r\nEND:VCARD\r\n" + secondCard},
        {"a vCard 2.1 agent",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:John\r\nAGENT:\r\n" + agent +
             "TEL;CELL:+1 555 0100\r\nNOTE:after the agent\r\nEND:VCARD\r\n",
         "celltel", "+1 555 0199",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:John\r\nAGENT:\r\n" + agent +
             "TEL;CELL:+1 555 0199\r\nNOTE:after the agent\r\nEND:VCARD\r\n"},
        {"Android's backslash continuations",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nADR;HOME:;;Hermann v. Brevern\\\r\n9999999\\\r\n"
         "Packstation 999;Hamburg;;99999;Deutschland\r\nTEL;CELL:0170 1234567\r\nEND:VCARD\r\n",
         "celltel", "0170 7654321",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nADR;HOME:;;Hermann v. Brevern\\\r\n9999999\\\r\n"
         "Packstation 999;Hamburg;;99999;Deutschland\r\nTEL;CELL:0170 7654321\r\nEND:VCARD\r\n"},
        {"a backslash continuation whose fold hid a colon",
         "BEGIN:VCARD\r\nNOTE:a\\\r\nX-LABEL\r\n :b\\\r\nEND\r\n "
         ":VCARD\r\nTEL;CELL:1\r\nEND:VCARD\r\n",
         "celltel", "2",
         "BEGIN:VCARD\r\nNOTE:a\\\r\nX-LABEL\r\n :b\\\r\nEND\r\n "
         ":VCARD\r\nTEL;CELL:2\r\nEND:VCARD\r\n"},
        {"the same address changed",
         "BEGIN:VCARD\r\nADR;HOME:;;Brevern\\\r\nPackstation "
         "999;Hamburg;;99999;DE\r\nEND:VCARD\r\n",
         "home_city", "Kiel",
         "BEGIN:VCARD\r\nADR;HOME:;;Brevern\\nPackstation 999;Kiel;;99999;DE\r\nEND:VCARD\r\n"},
        {"an old Mac export with CR line ends",
         "BEGIN:VCARD\rVERSION:3.0\rN:Lee;Ann;;;\rFN:Ann\rTEL;type=WORK:555 0100\rEND:VCARD\r",
         "displayname", "Ann Lee",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nFN:Ann Lee\r\nTEL;type=WORK:555 0100\r\n"
         "END:VCARD\r\n"},
        {"lines without a property",
         "BEGIN:VCARD\r\nFN:Ann\r\nno colon\r\n folded\r\n:no name\r\nEND:VCARD\r\n", "displayname",
         "Ann Lee",
         "BEGIN:VCARD\r\nFN:Ann Lee\r\nno colon\r\n folded\r\n:no name\r\nEND:VCARD\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vCard card = vCardDataParser().Parse(c.text, createDefaultRawDataMap());
        card.set(c.field, c.value);
        const std::string text = card.toString();
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(vCardDataParser().Parse(text, createDefaultRawDataMap()).toString(), text);
    }
}
