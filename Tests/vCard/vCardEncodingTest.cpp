#include "vCard/vCardEncoding.h"
#include "vCard/vCardPropertyLine.h"

#include <gtest/gtest.h>

TEST(QuotedPrintable, DecodesBytesSoftBreaksAndLeavesStrayEquals) {
    EXPECT_EQ(decodeQuotedPrintable("M=C3=BCller=0D=0Ax"), "M\xC3\xBCller\r\nx");
    EXPECT_EQ(decodeQuotedPrintable("a=\r\nb=\nc="), "abc");
    EXPECT_EQ(decodeQuotedPrintable("=3d=3D"), "==");
    EXPECT_EQ(decodeQuotedPrintable("=ZZ =4 =="), "=ZZ =4 =");
    EXPECT_EQ(decodeQuotedPrintable("=00"), std::string(1, '\0'));
    EXPECT_EQ(decodeQuotedPrintable(""), "");
}

TEST(QuotedPrintable, CharsetsBecomeUtf8) {
    EXPECT_EQ(textToUtf8("\xFC\xDF", "ISO-8859-1"), "\xC3\xBC\xC3\x9F");
    EXPECT_EQ(textToUtf8("\x80\x93\x9F\x81", "windows-1252"),
              "\xE2\x82\xAC\xE2\x80\x9C\xC5\xB8\xC2\x81");
    EXPECT_EQ(textToUtf8("\xE9", "latin1"), "\xC3\xA9");
    EXPECT_EQ(textToUtf8("\xC3\xA9", "UTF-8"), "\xC3\xA9");
    // Any other charset, or none: UTF-8 when it is valid, Windows-1252 otherwise, so that what
    // is read is always UTF-8.
    for (const char* charset : {"", "utf-8", "SHIFT_JIS"}) {
        EXPECT_EQ(textToUtf8("\xC3\xA9", charset), "\xC3\xA9") << charset;
        EXPECT_EQ(textToUtf8("caf\xE9", charset), "caf\xC3\xA9") << charset;
    }
}

TEST(QuotedPrintable, DecodedValueFollowsTheLine) {
    PropertyLine line;
    ASSERT_TRUE(
        splitPropertyLine("FN;CHARSET=\"ISO-8859-1\";ENCODING=quoted-printable:Jos=E9", line));
    EXPECT_EQ(decodedValue(line), "Jos\xC3\xA9");
    ASSERT_TRUE(splitPropertyLine("FN;CHARSET=ISO-8859-1:Jos=E9", line));
    EXPECT_EQ(decodedValue(line), "Jos=E9");
    ASSERT_TRUE(splitPropertyLine("FN;CHARSET=ISO-8859-1:Jos\xE9", line));
    EXPECT_EQ(decodedValue(line), "Jos\xC3\xA9");
    // A quote left open: the line reader took no soft breaks, the value stays as it is.
    ASSERT_TRUE(splitPropertyLine("FN;QUOTED-PRINTABLE;X=\"a:=41", line));
    EXPECT_FALSE(line.colonOutsideQuotes);
    EXPECT_EQ(decodedValue(line), "=41");
}

TEST(PropertyLine, HeadEndsAtTheFirstColonOutsideQuotes) {
    PropertyLine line;
    ASSERT_TRUE(splitPropertyLine("item1.ADR;LABEL=\"a;b:c\";TYPE=HOME:;;x:y", line));
    EXPECT_EQ(line.name, "item1.ADR");
    EXPECT_EQ(line.parameters, "LABEL=\"a;b:c\";TYPE=HOME");
    EXPECT_EQ(line.head, "item1.ADR;LABEL=\"a;b:c\";TYPE=HOME");
    EXPECT_EQ(line.value, ";;x:y");
    ASSERT_TRUE(splitPropertyLine("NOTE:\"a;b\":c", line));
    EXPECT_EQ(line.parameters, "");
    EXPECT_EQ(line.value, "\"a;b\":c") << "quotes mean nothing in the name or the value";
    EXPECT_FALSE(splitPropertyLine("NOTE;X=\"a", line));
    EXPECT_FALSE(splitPropertyLine(":v", line));
    EXPECT_FALSE(splitPropertyLine(" FN:v", line));
    EXPECT_FALSE(splitPropertyLine("F\rN:v", line));

    // Fed in pieces, as the pieces of a folded line come.
    HeadScanner scanner;
    EXPECT_EQ(scanner.scan("X;A=\"x:"), HeadScanner::npos);
    EXPECT_EQ(scanner.scan("y\":"), 2u);
    EXPECT_EQ(propertyKind("item1.X.EMAIL"), "EMAIL");
    EXPECT_EQ(propertyKind("EMAIL"), "EMAIL");
}

TEST(Utf8, InvalidBytesAreFoundWhereverTheyStand) {
    const std::string ascii(13, 'a');
    for (const std::string bad : {"\x80", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        for (std::size_t at : {std::size_t{0}, std::size_t{7}, std::size_t{8}, std::size_t{13}}) {
            const std::string text = ascii.substr(0, at) + bad + ascii.substr(at);
            EXPECT_FALSE(isValidUtf8(text)) << at;
            EXPECT_TRUE(isValidUtf8(ascii.substr(0, at) + "\xC3\xA9\xF0\x9F\x98\x80" + ascii));
        }
}

// Eight bytes are tested at a time: a LF or an 8-bit byte counts wherever it stands.
TEST(QuotedPrintable, AsciiOnOneLineSeesEveryByte) {
    for (std::size_t size = 0; size <= 20; ++size) {
        const std::string plain(size, '~');
        EXPECT_TRUE(isAsciiOnOneLine(plain)) << size;
        for (std::size_t at = 0; at < size; ++at)
            for (const char odd : {'\n', '\x80', '\xFF'}) {
                std::string text = plain;
                text[at] = odd;
                EXPECT_FALSE(isAsciiOnOneLine(text)) << size << " " << at;
            }
    }
    // Bytes next to LF and to the 8-bit range are ASCII on one line.
    EXPECT_TRUE(isAsciiOnOneLine(std::string("\t\x0B\r\x7F\x00\x01 x\t\x0B\r\x7F", 12)));
}
