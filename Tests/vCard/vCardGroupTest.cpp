#include "vCard/vCardGroup.h"
#include "vCard/vCardParser.h"

#include <gtest/gtest.h>

namespace {

using Members = std::vector<std::string>;

vCard parse(const std::string& text) {
    return vCardDataParser().Parse(text, FieldMap());
}

// Apple's group card as Contacts writes it, in another client's spelling.
const std::string appleHead = "BEGIN:VCARD\r\n"
                              "VERSION:3.0\r\n"
                              "PRODID:-//Apple Inc.//macOS 14.0//EN\r\n"
                              "N:Team\\, North;;;;\r\n"
                              "FN:Team\\, North\r\n"
                              "X-ADDRESSBOOKSERVER-KIND:group\r\n";
const std::string appleTail = "REV:2024-03-01T12:00:00Z\r\n"
                              "UID:g-1\r\n"
                              "END:VCARD\r\n";
// A vCard 4 group card.
const std::string version4Head = "BEGIN:VCARD\r\n"
                                 "VERSION:4.0\r\n"
                                 "item1.kind:Group\r\n"
                                 "FN:Team\r\n";

} // namespace

TEST(vCardGroup, ReadsBothForms) {
    const struct {
        std::string text;
        bool isGroup;
        Members members;
    } cases[] = {
        {appleHead +
             "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n"
             "item1.x-addressbookserver-member:urn:uuid:m-2\r\n" +
             appleTail,
         true,
         {"m-1", "m-2"}},
        {version4Head + "MEMBER:urn:uuid:m-1\r\nMEMBER:mailto:x@example.org\r\nEND:VCARD\r\n",
         true,
         {"m-1", "mailto:x@example.org"}},
        {"BEGIN:VCARD\r\nKIND:individual\r\nFN:Ann\r\nEND:VCARD\r\n", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const vCardMini summary = readCardSummary(c.text);
        EXPECT_EQ(summary.isgroup, c.isGroup);
        EXPECT_EQ(summary.members, c.members);
    }
}

TEST(vCardGroup, EditsMembersInTheCardsOwnFormLeavingEveryOtherLineAsItCame) {
    const std::string appleMembers = "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n"
                                     "item1.x-addressbookserver-member:urn:uuid:m-2\r\n";
    const std::string version4Members = "MEMBER:urn:uuid:m-1\r\nMEMBER:urn:uuid:m-2\r\n";
    const struct {
        std::string text;
        bool join;
        const char* uid;
        bool changes;
        std::string expected;
    } cases[] = {
        {appleHead + appleMembers + appleTail, true, "k,1", true,
         appleHead + appleMembers +
             "REV:2024-03-01T12:00:00Z\r\nUID:g-1\r\n"
             "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:k,1\r\nEND:VCARD\r\n"},
        {appleHead + appleMembers + appleTail, false, "m-2", true,
         appleHead + "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:m-1\r\n" + appleTail},
        {version4Head + version4Members + "END:VCARD\r\n", true, "m-3", true,
         version4Head + version4Members + "MEMBER:urn:uuid:m-3\r\nEND:VCARD\r\n"},
        // A member named in both forms leaves from both.
        {version4Head + version4Members + "X-ADDRESSBOOKSERVER-MEMBER:m-1\r\nEND:VCARD\r\n", false,
         "m-1", true, version4Head + "MEMBER:urn:uuid:m-2\r\nEND:VCARD\r\n"},
        {version4Head + version4Members + "END:VCARD\r\n", true, "m-2", false, ""},
        {version4Head + version4Members + "END:VCARD\r\n", false, "m-3", false, ""},
        {version4Head + "END:VCARD\r\n", true, "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + (c.join ? "+ " : "- ") + c.uid);
        vCard card = parse(c.text);
        const bool changed =
            c.join ? addGroupMember(card, c.uid) : removeGroupMember(card, c.uid) > 0;
        EXPECT_EQ(changed, c.changes);
        EXPECT_EQ(card.toString(), c.changes ? c.expected : c.text);
    }
}
