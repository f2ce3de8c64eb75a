#include "Multistatus/xmlParser.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

TEST(RawvCard, PlainCard) {
    addresscard card;
    card.uid = "X";
    card.fn = "New";
    card.members = {"ignored, no group"};
    EXPECT_EQ(card.getRawvCard(), "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\nUID:X\r\n"
                                  "FN:New\r\nN:New;;;;\r\nEND:VCARD\r\n");
}

TEST(RawvCard, GroupNameIsEscapedAndCannotShiftTheCard) {
    addresscard group;
    group.uid = "g-1";
    group.isgroup = true;
    group.members = {"m-1", "m-2"};
    group.fn = "Smith, Jones; Friends";
    EXPECT_EQ(group.getRawvCard(),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\nUID:g-1\r\n"
              "FN:Smith\\, Jones\\; Friends\r\nN:Smith\\, Jones\\; Friends;;;;\r\n"
              "X-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n"
              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-2\r\nEND:VCARD\r\n");

    // A line break in the name stays inside the FN and N values.
    group.fn = "Team\r\nEND:VCARD\r\nUID:evil";
    vCardDataParser parser;
    const vCardMini summary = parser.ParseMini(group.getRawvCard());
    EXPECT_EQ(summary.uid, "g-1");
    EXPECT_TRUE(summary.isgroup);
    EXPECT_EQ(summary.members, (std::vector<std::string>{"m-1", "m-2"}));
    EXPECT_EQ(summary.fn, "Team\\nEND:VCARD\\nUID:evil");
}

TEST(RawvCard, GroupWithoutNameOrMembersKeepsItsRequiredLines) {
    addresscard group;
    group.uid = "g";
    group.isgroup = true;
    EXPECT_EQ(group.getRawvCard(),
              "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\nUID:g\r\nFN:\r\nN:;;;;\r\n"
              "X-ADDRESSBOOKSERVER-KIND:group\r\nEND:VCARD\r\n");
}
