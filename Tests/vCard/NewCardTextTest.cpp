#include "vCard/NewCardText.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

TEST(NewCardText, PlainCardIgnoresMembers) {
    EXPECT_EQ(newCardText("X", "New", false, {"ignored, no group"}),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\nUID:X\r\n"
              "FN:New\r\nN:New;;;;\r\nEND:VCARD\r\n");
}

TEST(NewCardText, GroupNameIsEscapedAndCannotShiftTheCard) {
    EXPECT_EQ(newCardText("g-1", "Smith, Jones; Friends", true, {"m-1", "m-2"}),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\nUID:g-1\r\n"
              "FN:Smith\\, Jones\\; Friends\r\nN:Smith\\, Jones\\; Friends;;;;\r\n"
              "X-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n"
              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-2\r\nEND:VCARD\r\n");

    // A line break in the name stays inside the FN and N values.
    const vCardMini summary =
        readCardSummary(newCardText("g-1", "Team\r\nEND:VCARD\r\nUID:evil", true, {"m-1", "m-2"}));
    EXPECT_EQ(summary.uid, "g-1");
    EXPECT_TRUE(summary.isgroup);
    EXPECT_EQ(summary.members, (std::vector<std::string>{"m-1", "m-2"}));
    EXPECT_EQ(summary.fn, "Team\\nEND:VCARD\\nUID:evil");
}

TEST(NewCardText, GroupWithoutNameOrMembersKeepsItsRequiredLines) {
    EXPECT_EQ(newCardText("g", "", true, {}),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\nUID:g\r\nFN:\r\nN:;;;;\r\n"
              "X-ADDRESSBOOKSERVER-KIND:group\r\nEND:VCARD\r\n");
}
