#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

namespace {

std::vector<vCardItem> itemsOf(const std::string& text) {
    vCardDataParser parser;
    parser.InternalParse(text);
    return parser.items;
}

// "NAME=value" per item, parameters left out.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (const vCardItem& item : itemsOf(text))
        lines.push_back(item.name + "=" + item.value);
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(vCardParserLines, AcceptsLfCrLfCrCrLfAndCrOnly) {
    EXPECT_EQ(linesOf("BEGIN:VCARD\nFN:a\nEND:VCARD\n"), Lines{"FN=a"});
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nEND:VCARD"), Lines{"FN=a"});
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\r\nFN:a\r\r\nNOTE:b\r\r\n c\r\r\nEND:VCARD\r\r\n"),
              (Lines{"FN=a", "NOTE=bc"}));
    // Without any LF a CR ends a line (old Mac exports).
    EXPECT_EQ(linesOf("BEGIN:VCARD\rFN:a\rNOTE:b\r c\r\rEND:VCARD\r"), (Lines{"FN=a", "NOTE=bc"}));
    // A CR inside a line stays in the value; the CRs before LF go.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nNOTE:a\rb\r\r\nEND:VCARD\r\n"), Lines{"NOTE=a\rb"});
    // A byte-order mark before BEGIN, and only there.
    EXPECT_EQ(linesOf("\xEF\xBB\xBF"
                      "BEGIN:VCARD\r\nFN:a\r\nEND:VCARD\r\n"),
              Lines{"FN=a"});
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\n\xEF\xBB\xBF"
                      "FN:a\r\nEND:VCARD\r\n"),
              Lines{"\xEF\xBB\xBF"
                    "FN=a"});
}

TEST(vCardParserLines, UnfoldsContinuationLines) {
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nNOTE:abc\r\n def\r\nEND:VCARD\r\n"), Lines{"NOTE=abcdef"});
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nNOTE:abc\r\n\r\n def\r\nEND:VCARD\r\n"),
              Lines{"NOTE=abcdef"});
    EXPECT_EQ(linesOf("BEGIN:VCARD\nNOTE:abc\n  def\n\tghi\nEND:VCARD\n"),
              Lines{"NOTE=abc defghi"});
    // Another writer cut an "é" in two: unfolding joins the bytes again.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nNOTE:caf\xC3\r\n \xA9!\r\nEND:VCARD\r\n"),
              Lines{"NOTE=caf\xC3\xA9!"});
}

TEST(vCardParserLines, ReadsTheFirstCardToItsOwnEnd) {
    EXPECT_EQ(linesOf("junk\r\nbegin:vcard\r\nFN:a\r\nEnd:VCard\r\nFN:after\r\n"), Lines{"FN=a"});
    EXPECT_EQ(linesOf("BEGIN:VCARD \r\nFN:a\r\nEND:VCARD\r\n"), Lines{});
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:b\r\nEND:VCARD\r\n"),
              Lines{"FN=a"});
    // Without END:VCARD the text ends the card, and the last property with it.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nNOTE:b\r\n"), (Lines{"FN=a", "NOTE=b"}));
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nNOTE:b\r\n c"), (Lines{"FN=a", "NOTE=bc"}));
    // A nested card is one item of lines kept as they came, inner cards and all.
    EXPECT_EQ(
        linesOf("BEGIN:VCARD\r\nFN:a\r\nbegin:vcard\r\nFN:b\r\nBEGIN:VCARD\r\nEND:VCARD\r\n"
                "END:VCARD\r\nNOTE:c\r\nEND:VCARD\r\n"),
        (Lines{"FN=a", "=begin:vcard\r\nFN:b\r\nBEGIN:VCARD\r\nEND:VCARD\r\nEND:VCARD", "NOTE=c"}));
    // One the text cuts off is closed.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nBEGIN:VCARD\r\nFN:b\r\n"),
              (Lines{"FN=a", "=BEGIN:VCARD\r\nFN:b\r\nEND:VCARD"}));
}

TEST(vCardParserLines, KeepsTheTextAfterTheCard) {
    vCardDataParser parser;
    parser.InternalParse("BEGIN:VCARD\nFN:a\nEND:VCARD\nBEGIN:VCARD\nFN:b\n\nEND:VCARD");
    EXPECT_EQ(parser.afterCard, "BEGIN:VCARD\r\nFN:b\r\n\r\nEND:VCARD\r\n");
    parser.InternalParse("BEGIN:VCARD\r\nFN:a\r\nEND:VCARD\r\n\r\n \r\n");
    EXPECT_EQ(parser.afterCard, "") << "blank lines hold nothing";
    parser.InternalParse("BEGIN:VCARD\r\nFN:a\r\n");
    EXPECT_EQ(parser.afterCard, "");
}

TEST(vCardParserLines, JoinsAndroidBackslashContinuationsIntoOneValue) {
    const std::vector<vCardItem> items =
        itemsOf("BEGIN:VCARD\r\n"
                "ADR;HOME:;;Hermann v. Brevern\\\r\n"
                "9999999\\\r\n"
                "Packstation 999;Hamburg;;99999;Deutschland\r\n"
                "NOTE:C:\\\\\r\n"
                "not joined after an escaped backslash\r\n"
                "NOTE:a\\\r\n"
                "TEL;CELL:1\r\n"
                "NOTE:b\\\r\n"
                " folded\r\n"
                "NOTE:c\\\r\n"
                "\r\n"
                "after an empty line\r\n"
                "NOTE:d\\\r\n"
                " \\\r\n"
                "not joined after an escaped backslash cut by a fold\r\n"
                "TEL;VALUE=uri:tel:1\\\r\n"
                "not joined after a value that is not text\r\n"
                "END:VCARD\r\n");
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[0].value, ";;Hermann v. Brevern\\n9999999\\nPackstation 999;Hamburg;;99999;"
                              "Deutschland");
    EXPECT_EQ(items[1].value, "C:\\\\");
    EXPECT_TRUE(items[2].isVerbatim());
    EXPECT_EQ(items[3].value, "a\\") << "a property line is never joined";
    EXPECT_EQ(items[4].name, "TEL");
    EXPECT_EQ(items[5].value, "b\\folded") << "folding wins";
    EXPECT_EQ(items[6].value, "c\\nafter an empty line");
    EXPECT_EQ(items[7].value, "d\\\\");
    EXPECT_TRUE(items[8].isVerbatim());
    EXPECT_TRUE(items[10].isVerbatim());
}

TEST(vCardParserProperties, SplitsNameParametersAndValue) {
    const std::vector<vCardItem> items = itemsOf("BEGIN:VCARD\r\n"
                                                 "item1.EMAIL;type=INTERNET:a\r\n"
                                                 "TEL;HOME:1\r\n"
                                                 "TEL;TYPE=:2\r\n"
                                                 "TEL;=x;;TYPE=HOME,WORK;X-Q=a=b:3:4\r\n"
                                                 "NOTE:\r\n"
                                                 "ORG;X=\"a:b\":c\r\n"
                                                 "FN:a\\,b\r\n"
                                                 "no colon here\r\n"
                                                 " folded\r\n"
                                                 ":no name\r\n"
                                                 "END:VCARD\r\n");
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[0].name, "ITEM1.EMAIL");
    ASSERT_EQ(items[0].params.size(), 1u);
    EXPECT_EQ(items[0].params[0].key, "type");
    EXPECT_EQ(items[0].params[0].value, "INTERNET");
    // A bare vCard 2.1 parameter has no key; an empty value is kept.
    ASSERT_EQ(items[1].params.size(), 1u);
    EXPECT_EQ(items[1].params[0].key, "");
    EXPECT_EQ(items[1].params[0].value, "HOME");
    ASSERT_EQ(items[2].params.size(), 1u);
    EXPECT_EQ(items[2].params[0].key, "TYPE");
    EXPECT_EQ(items[2].params[0].value, "");
    ASSERT_EQ(items[3].params.size(), 2u);
    EXPECT_EQ(items[3].params[0].value, "HOME,WORK");
    EXPECT_EQ(items[3].params[1].key, "X-Q");
    EXPECT_EQ(items[3].params[1].value, "a=b");
    EXPECT_EQ(items[3].value, "3:4");
    EXPECT_EQ(items[4].name, "NOTE");
    EXPECT_EQ(items[4].value, "");
    // A colon inside quotes belongs to the parameter.
    EXPECT_EQ(items[5].params[0].value, "\"a:b\"");
    EXPECT_EQ(items[5].value, "c");
    EXPECT_EQ(items[6].value, "a\\,b");
    // Lines without a property are kept as they came, physical lines and all.
    EXPECT_TRUE(items[7].isVerbatim());
    EXPECT_EQ(items[7].value, "no colon here\r\n folded");
    EXPECT_EQ(items[8].value, ":no name");
    EXPECT_EQ(items[8].name, "");
}

TEST(vCardParserProperties, QuotedParameterValuesHoldSeparators) {
    const std::vector<vCardItem> items =
        itemsOf("BEGIN:VCARD\r\n"
                "N;SORT-AS=\"Doe;John\":Doe;John;;;\r\n"
                "ADR;LABEL=\"Main St 1\\nBerlin, DE\";TYPE=\"work,voice\":;;Main St 1;Berlin;;;\r\n"
                "X-OPEN;A=\"never closed:v\r\n"
                "END:VCARD\r\n");
    ASSERT_EQ(items.size(), 3u);
    ASSERT_EQ(items[0].params.size(), 1u);
    EXPECT_EQ(items[0].params[0].value, "\"Doe;John\"");
    EXPECT_EQ(items[0].value, "Doe;John;;;");
    ASSERT_EQ(items[1].params.size(), 2u);
    EXPECT_EQ(items[1].params[0].value, "\"Main St 1\\nBerlin, DE\"");
    EXPECT_EQ(items[1].params[1].value, "\"work,voice\"");
    // A quote left open: the head ends at the first colon after all.
    ASSERT_EQ(items[2].params.size(), 1u);
    EXPECT_EQ(items[2].params[0].value, "\"never closed");
    EXPECT_EQ(items[2].value, "v");
}

TEST(vCardParserProperties, JoinsAndDecodesQuotedPrintableValues) {
    const std::vector<vCardItem> items =
        itemsOf("BEGIN:VCARD\r\n"
                "LABEL;HOME;ENCODING=QUOTED-PRINTABLE:Main St 1=0D=0A=\r\n"
                "Tel: 030 1234=0D=0A=\r\n"
                "Berlin\r\n"
                "N;CHARSET=UTF-8;QUOTED-PRINTABLE:M=C3=BCller;J=C3=BCrgen;;;\r\n"
                "NOTE;ENCODING=\"quoted-printable\";CHARSET=ISO-8859-1:Gr=FC=DFe =80 =3D=\n"
                " 5 und =ZZ\r\n"
                "FN;QUOTED-PRINTABLE:Caf=C3=A9\r\n"
                "X-LATIN;QUOTED-PRINTABLE:Caf=E9\r\n"
                "NOTE;ENCODING=8BIT:stays =41 as it is=\r\n"
                "UID:u\r\n"
                "END:VCARD\r\n");
    ASSERT_EQ(items.size(), 7u);
    // The continuation lines belong to the value; "Tel: 030 1234" is no property of its own.
    EXPECT_EQ(items[0].name, "LABEL");
    EXPECT_EQ(items[0].value, "Main St 1\r\nTel: 030 1234\r\nBerlin");
    EXPECT_EQ(items[0].getTypeValue("TYPE"), "HOME");
    EXPECT_EQ(items[1].value, "M\xC3\xBCller;J\xC3\xBCrgen;;;");
    // A soft break keeps the blank that starts the next line: it is text, not folding.
    EXPECT_EQ(items[2].value, "Gr\xC3\xBC\xC3\x9F"
                              "e \xE2\x82\xAC = 5 und =ZZ");
    EXPECT_EQ(items[3].value, "Caf\xC3\xA9") << "no charset, valid UTF-8";
    EXPECT_EQ(items[4].value, "Caf\xC3\xA9") << "no charset, Windows-1252";
    EXPECT_EQ(items[5].value, "stays =41 as it is=") << "only quoted-printable is decoded";
    EXPECT_EQ(items[6].name, "UID");
}

TEST(vCardParserParse, GivesTheCardComponentsAndTheFieldMap) {
    vCardDataParser parser;
    FieldMap map{{"home", {"ADR", "HOME"}}};
    const vCard card =
        parser.Parse("BEGIN:VCARD\r\nADR;TYPE=HOME:;;Main St\\; 4;Town\r\nEND:VCARD\r\n", map);
    EXPECT_EQ(card.mapping.size(), 1u);
    EXPECT_EQ(card.get("home_address"), "Main St\\; 4");
    EXPECT_EQ(card.get("home_city"), "Town");
    EXPECT_EQ(card.get("home_country"), "");
    ASSERT_EQ(parser.items.size(), 1u);
    EXPECT_TRUE(parser.items[0].innervalues.empty());
}

TEST(vCardParserMini, SummarisesCardsAndGroups) {
    const vCardMini group = readCardSummary("BEGIN:VCARD\r\n"
                                            "VERSION:3.0\r\n"
                                            "FN:First\r\n"
                                            "N:ignored;;;;\r\n"
                                            "item1.FN:Team\r\n"
                                            "UID:g-1\r\n"
                                            "X-ADDRESSBOOKSERVER-KIND:Group\r\n"
                                            "X-ADDRESSBOOKSERVER-KIND:individual\r\n"
                                            "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n"
                                            "x-addressbookserver-member:m-2\r\n"
                                            "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:\r\n"
                                            "END:VCARD\r\n");
    EXPECT_EQ(group.version, "3.0");
    EXPECT_EQ(group.fn, "Team");
    EXPECT_EQ(group.uid, "g-1");
    EXPECT_TRUE(group.isgroup);
    EXPECT_EQ(group.members, (std::vector<std::string>{"m-1", "m-2", ""}));

    const vCardMini card = readCardSummary(
        "BEGIN:VCARD\nUID:c\nCATEGORIES:a\\,b,c\nitem2.categories:c,,d\nEND:VCARD\n");
    EXPECT_EQ(card.uid, "c");
    EXPECT_FALSE(card.isgroup);
    EXPECT_TRUE(card.members.empty());
    EXPECT_EQ(card.categories, (std::vector<std::string>{"a,b", "c", "d"}));
    EXPECT_EQ(readCardSummary("garbage").uid, "");
}
