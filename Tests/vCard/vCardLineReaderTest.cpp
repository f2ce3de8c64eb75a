#include "vCard/vCardLineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct LogicalLine {
    std::string head;
    std::string unfolded;

    bool operator==(const LogicalLine& other) const {
        return head == other.head && unfolded == other.unfolded;
    }
};

void PrintTo(const LogicalLine& line, std::ostream* out) {
    *out << testing::PrintToString(line.head) << " -> " << testing::PrintToString(line.unfolded);
}

std::vector<LogicalLine> linesOf(const std::string& text) {
    std::vector<LogicalLine> lines;
    std::string inPass;
    std::string unfolded;
    for (vCardLineReader reader(text); reader.next(&inPass);) {
        // Unfolded on the way or afterwards, the line is the same.
        reader.readUnfolded(unfolded);
        EXPECT_EQ(inPass, unfolded);
        lines.push_back({std::string(reader.head()), unfolded});
    }
    return lines;
}

using Lines = std::vector<LogicalLine>;

} // namespace

TEST(vCardLineReader, HandsOutCompleteLogicalLinesOfTheFirstCard) {
    EXPECT_EQ(
        linesOf("x\r\nBEGIN:VCARD\r\nFN:a\r\nNOTE:b\r\n c\r\n\r\n\td\r\nEND:VCARD\r\nFN:z\r\n"),
        (Lines{{"FN:a", "FN:a"}, {"NOTE:b", "NOTE:bcd"}}));
    // Continuation lines right after BEGIN form a line of their own with an empty head.
    EXPECT_EQ(linesOf("BEGIN:VCARD\n F\n N:x\nUID:u\nEND:VCARD\n"),
              (Lines{{"", "FN:x"}, {"UID:u", "UID:u"}}));
    // The end of the text completes the last line of a card without END.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nUID:u\r\n"),
              (Lines{{"FN:a", "FN:a"}, {"UID:u", "UID:u"}}));
    EXPECT_EQ(linesOf("BEGIN:VCARD\rFN:a\r b\rUID:u"),
              (Lines{{"FN:a", "FN:ab"}, {"UID:u", "UID:u"}}));
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nEND:VCARD\r\n"), Lines{});
    EXPECT_EQ(linesOf("no card at all\r\n"), Lines{});
    EXPECT_EQ(linesOf(""), Lines{});
}

TEST(vCardLineReader, EndsLinesAtLfWithTheCrsBeforeIt) {
    EXPECT_EQ(linesOf("\xEF\xBB\xBF"
                      "BEGIN:VCARD\r\r\nFN:a\r\r\nNOTE:b\r\r\n c\r\nEND:VCARD\r\r\n"),
              (Lines{{"FN:a", "FN:a"}, {"NOTE:b", "NOTE:bc"}}));
    EXPECT_EQ(linesOf("BEGIN:VCARD\nFN:a\r\r\r\nEND:VCARD\n"), (Lines{{"FN:a", "FN:a"}}));
}

TEST(vCardLineReader, QuotedPrintableSoftBreaksJoinTheNextLineWhole) {
    // The soft break stays in the logical line as "=" CR LF, whatever the line end was.
    EXPECT_EQ(linesOf("BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:a=\nUID:b=\n c\nFN:d\nEND:VCARD\n"),
              (Lines{{"NOTE;QUOTED-PRINTABLE:a=", "NOTE;QUOTED-PRINTABLE:a=\r\nUID:b=\r\n c"},
                     {"FN:d", "FN:d"}}));
    // An empty line after a soft break is part of the value and ends it.
    EXPECT_EQ(
        linesOf("BEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=\r\n\r\nFN:d\r\nEND:VCARD\r\n"),
        (Lines{{"NOTE;ENCODING=QUOTED-PRINTABLE:a=", "NOTE;ENCODING=QUOTED-PRINTABLE:a=\r\n"},
               {"FN:d", "FN:d"}}));
    // END:VCARD always ends the card, and BEGIN:VCARD always starts a nested one.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nNOTE;QUOTED-PRINTABLE:a=\r\nEND:VCARD\r\nFN:x\r\n"),
              (Lines{{"NOTE;QUOTED-PRINTABLE:a=", "NOTE;QUOTED-PRINTABLE:a="}}));
    EXPECT_EQ(linesOf("BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:a=\nBEGIN:VCARD\nEND:VCARD\nFN:x\n"),
              (Lines{{"NOTE;QUOTED-PRINTABLE:a=", "NOTE;QUOTED-PRINTABLE:a="},
                     {"BEGIN:VCARD", "BEGIN:VCARD"},
                     {"FN:x", "FN:x"}}));
    // Soft breaks that run to the end of the text.
    EXPECT_EQ(linesOf("BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:a=\nb=\n"),
              (Lines{{"NOTE;QUOTED-PRINTABLE:a=", "NOTE;QUOTED-PRINTABLE:a=\r\nb="}}));
    // A head folded before its colon still declares quoted-printable.
    EXPECT_EQ(
        linesOf("BEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-\r\n PRINTABLE:a=\r\nb\r\nEND:VCARD\r\n"),
        (Lines{{"NOTE;ENCODING=QUOTED-", "NOTE;ENCODING=QUOTED-PRINTABLE:a=\r\nb"}}));
}

TEST(vCardLineReader, OtherValuesEndingInEqualsEndAtTheLineEnd) {
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nPHOTO;ENCODING=b:AA==\r\nUID:u\r\n"
                      "X-A;X-NOTE=\"QUOTED-PRINTABLE:\";X=1:v=\r\nFN:f\r\n"
                      "NOTE;ENCODING=QUOTED-PRINTABLE=\r\nFN:g\r\nEND:VCARD\r\n"),
              (Lines{{"PHOTO;ENCODING=b:AA==", "PHOTO;ENCODING=b:AA=="},
                     {"UID:u", "UID:u"},
                     {"X-A;X-NOTE=\"QUOTED-PRINTABLE:\";X=1:v=",
                      "X-A;X-NOTE=\"QUOTED-PRINTABLE:\";X=1:v="},
                     {"FN:f", "FN:f"},
                     {"NOTE;ENCODING=QUOTED-PRINTABLE=", "NOTE;ENCODING=QUOTED-PRINTABLE="},
                     {"FN:g", "FN:g"}}));
}

TEST(vCardLineReader, PhysicalLinesEndSoThatTheyReadBackAsTheSameLogicalLine) {
    const auto physicalLines = [](const std::string& text) {
        std::vector<std::string> all;
        std::string lines;
        for (vCardLineReader reader(text); reader.next();) {
            reader.readPhysicalLines(lines);
            all.push_back(lines);
        }
        return all;
    };
    using Texts = std::vector<std::string>;
    // A soft break at the end gets the empty line it breaks onto; a cut-off card its END.
    EXPECT_EQ(physicalLines("BEGIN:VCARD\r\n;QUOTED-PRINTABLE:a=\r\nEND:VCARD\r\n"),
              Texts{";QUOTED-PRINTABLE:a=\r\n"});
    EXPECT_EQ(physicalLines("BEGIN:VCARD\rBEGIN:VCARD\rBEGIN:VCARD\rEND:VCARD"),
              Texts{"BEGIN:VCARD\r\nBEGIN:VCARD\r\nEND:VCARD\r\nEND:VCARD"});
}
