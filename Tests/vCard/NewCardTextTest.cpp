#include "vCard/NewCardText.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

TEST(NewCardText, WritesTheMinimalCardOrGroupCard) {
    const std::string head = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\n";
    EXPECT_EQ(newCardText("X", "New", false, {"ignored, no group"}),
              head + "UID:X\r\nFN:New\r\nN:New;;;;\r\nEND:VCARD\r\n");
    EXPECT_EQ(newCardText("g-1", "Smith, Jones; Friends", true, {"m-1", "m-2"}),
              head +
                  "UID:g-1\r\nFN:Smith\\, Jones\\; Friends\r\nN:Smith\\, Jones\\; Friends;;;;\r\n"
                  "X-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n"
                  "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-2\r\nEND:VCARD\r\n");
    EXPECT_EQ(newCardText("g", "", true, {}),
              head + "UID:g\r\nFN:\r\nN:;;;;\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nEND:VCARD\r\n");
}

TEST(NewCardText, WritesUidsAsTheyAreAndNoLineBreakUnescaped) {
    const std::string text =
        newCardText("x,y;z", "Team\r\nEND:VCARD\r\nUID:evil", true, {"k,1", "m\nUID:evil"});
    EXPECT_NE(text.find("\r\nUID:x,y;z\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:k,1\r\n"), std::string::npos);
    const vCardMini summary = readCardSummary(text);
    EXPECT_EQ(summary.uid, "x,y;z");
    EXPECT_TRUE(summary.isgroup);
    EXPECT_EQ(summary.members, (std::vector<std::string>{"k,1", "m\\nUID:evil"}));
    EXPECT_EQ(summary.fn, "Team\\nEND:VCARD\\nUID:evil");
}
