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
    // The last line of a card without END is never complete.
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nFN:a\r\nUID:u\r\n"), (Lines{{"FN:a", "FN:a"}}));
    EXPECT_EQ(linesOf("BEGIN:VCARD\r\nEND:VCARD\r\n"), Lines{});
    EXPECT_EQ(linesOf("no card at all\r\n"), Lines{});
    EXPECT_EQ(linesOf(""), Lines{});
}
