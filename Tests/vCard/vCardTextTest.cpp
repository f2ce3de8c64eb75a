#include "vCard/vCardText.h"
#include "vCard/vCardItem.h"

#include <gtest/gtest.h>

namespace {

std::string escapeText(const std::string& value) {
    return escapeValue(value, ",;", LineBreaks::Escape);
}

} // namespace

TEST(EscapeValue, EscapesSeparatorsAndLineBreaksOfText) {
    EXPECT_EQ(escapeText("Lovelace, Ada"), "Lovelace\\, Ada");
    EXPECT_EQ(escapeText("a;b"), "a\\;b");
    EXPECT_EQ(escapeText("one\r\ntwo\nthree\rfour"), "one\\ntwo\\nthree\\nfour");
    EXPECT_EQ(escapeText("x\nUID:other"), "x\\nUID:other");
    EXPECT_EQ(escapeText("\r\n\r\n"), "\\n\\n");
    EXPECT_EQ(escapeText("\n\r"), "\\n\\n");
    EXPECT_EQ(escapeText("plain text"), "plain text");
    EXPECT_EQ(escapeValue("a,b;c", ",", LineBreaks::Escape), "a\\,b;c");
    EXPECT_EQ(escapeValue("a,b;c", "", LineBreaks::Escape), "a,b;c");
}

TEST(EscapeValue, CopiesExistingEscapesAndDoublesLoneBackslashes) {
    EXPECT_EQ(escapeText("a\\, b"), "a\\, b");
    EXPECT_EQ(escapeText("a\\nb"), "a\\nb");
    EXPECT_EQ(escapeText("C:\\\\temp"), "C:\\\\temp");
    EXPECT_EQ(escapeText("ends in \\"), "ends in \\\\");
    // A backslash cannot escape a line break: both are kept, as a backslash and a "\n".
    EXPECT_EQ(escapeText("a\\\nb"), "a\\\\\\nb");
    EXPECT_EQ(escapeValue("a\\\nb", ";,", LineBreaks::Keep), "a\\\\\nb");
}

TEST(EscapeValue, IsIdempotent) {
    for (const std::string value :
         {"a,b;c", "a\\,b", "x\r\ny\rz\n", "\\", "\\\\\\", "a\\\r\n", "\\n\\;", ";;,,", ""}) {
        const std::string once = escapeText(value);
        EXPECT_EQ(escapeText(once), once) << value;
        const std::string component = escapeValue(value, ";,", LineBreaks::Keep);
        EXPECT_EQ(escapeText(component), escapeText(value)) << value;
    }
}

TEST(EscapedSeparators, FollowTheKindOfProperty) {
    const std::vector<RawDataPair> none;
    EXPECT_EQ(escapedSeparators("FN", none), ",;");
    EXPECT_EQ(escapedSeparators("NOTE", none), ",;");
    EXPECT_EQ(escapedSeparators("ITEM2.EMAIL", none), ",;");
    EXPECT_EQ(escapedSeparators("X-CUSTOM", none), ",;");
    EXPECT_EQ(escapedSeparators("N", none), "");
    EXPECT_EQ(escapedSeparators("ITEM1.ADR", none), "");
    EXPECT_EQ(escapedSeparators("GEO", none), "");
    EXPECT_EQ(escapedSeparators("ORG", none), ",");
    EXPECT_EQ(escapedSeparators("CATEGORIES", none), ";");
    EXPECT_EQ(escapedSeparators("NICKNAME", none), ";");
    for (const char* binary :
         {"PHOTO", "LOGO", "SOUND", "KEY", "URL", "SOURCE", "IMPP", "RELATED", "MEMBER", "FBURL",
          "CALURI", "CALADRURI", "UID", "item1.X-ADDRESSBOOKSERVER-MEMBER"})
        EXPECT_EQ(escapedSeparators(binary, none), "") << binary;
    EXPECT_EQ(escapedSeparators("X-IMAGE", {{"encoding", "b"}}), "");
    EXPECT_EQ(escapedSeparators("TEL", {{"VALUE", "uri"}}), "");
    EXPECT_EQ(escapedSeparators("TEL", {{"VALUE", "text"}}), ",;");
}

TEST(EscapedText, EscapesEveryBackslashAndUnescapesBack) {
    const struct {
        const char* text;
        const char* escaped;
        const char* readBack;
    } cases[] = {
        {"Smith, Jones; Friends", "Smith\\, Jones\\; Friends", "Smith, Jones; Friends"},
        {"C:\\temp\\n", "C:\\\\temp\\\\n", "C:\\temp\\n"},
        {"one\r\ntwo\rthree\nfour", "one\\ntwo\\nthree\\nfour", "one\rtwo\rthree\rfour"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escapedText(c.text), c.escaped) << c.text;
        EXPECT_EQ(unescapedText(c.escaped), c.readBack) << c.text;
    }
    // Line breaks are host text's CR, however the value wrote them; a stray escape gives its
    // character and a backslash at the end stays.
    for (const auto& [value, text] :
         {std::pair<const char*, const char*>{"a\\Nb\\qc\\", "a\rbqc\\"},
          {"crlf\r\nlf\ncr\r", "crlf\rlf\rcr\r"},
          {"https\\://x", "https://x"}})
        EXPECT_EQ(unescapedText(value), text) << value;
    EXPECT_EQ(escapedText("a,b\\c\n", ""), "a,b\\\\c\\n")
        << "values whose separators stay bare still keep their backslashes";
}

TEST(SplitUnescaped, CutsOnlyAtBareSeparators) {
    using Pieces = std::vector<std::string>;
    EXPECT_EQ(splitUnescaped("", ';'), Pieces{});
    EXPECT_EQ(splitUnescaped("a;;b", ';'), (Pieces{"a", "", "b"}));
    EXPECT_EQ(splitUnescaped(";a", ';'), (Pieces{"", "a"}));
    EXPECT_EQ(splitUnescaped("a;b;", ';'), (Pieces{"a", "b"}));
    EXPECT_EQ(splitUnescaped("Main St\\; Apt 4;Town", ';'), (Pieces{"Main St\\; Apt 4", "Town"}));
    EXPECT_EQ(splitUnescaped("C:\\\\;x", ';'), (Pieces{"C:\\\\", "x"}));
    EXPECT_EQ(splitUnescaped("a\\", ';'), (Pieces{"a\\"}));
}

TEST(FoldLine, FoldsLinesLongerThan76BytesIntoPiecesOf72) {
    EXPECT_EQ(foldLine("NOTE:", std::string(71, 'a')), "NOTE:" + std::string(71, 'a'));
    EXPECT_EQ(foldLine("NOTE:", std::string(72, 'a')), "NOTE:\r\n " + std::string(72, 'a'));
    const std::string value = std::string(72, 'a') + std::string(28, 'b');
    EXPECT_EQ(foldLine("NOTE:", value),
              "NOTE:\r\n " + std::string(72, 'a') + "\r\n " + std::string(28, 'b'));
    // The head is never cut, whatever its length.
    const std::string head = "X-" + std::string(90, 'H') + ":";
    EXPECT_EQ(foldLine(head, "v"), head + "\r\n v");
}

TEST(FoldLine, KeepsUtf8CharactersWholeAndCutsOtherBytesByCount) {
    // "é" (2 bytes) at bytes 72-73: the first piece ends before it.
    const std::string accented = std::string(71, 'a') + "\xC3\xA9" + std::string(10, 'b');
    EXPECT_EQ(foldLine("NOTE:", accented),
              "NOTE:\r\n " + std::string(71, 'a') + "\r\n \xC3\xA9" + std::string(10, 'b'));
    // A 4-byte character across the cut moves whole to the next piece.
    const std::string emoji = std::string(70, 'a') + "\xF0\x9F\x98\x80" + "z";
    EXPECT_EQ(foldLine("NOTE:", emoji),
              "NOTE:\r\n " + std::string(70, 'a') + "\r\n \xF0\x9F\x98\x80z");
    // Not valid UTF-8 (a lone continuation byte earlier on): cut by bytes.
    const std::string invalid = "\x80" + std::string(70, 'a') + "\xC3\xA9" + "b";
    EXPECT_EQ(foldLine("NOTE:", invalid),
              "NOTE:\r\n " + invalid.substr(0, 72) + "\r\n " + invalid.substr(72));
}
