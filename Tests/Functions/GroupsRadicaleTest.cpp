// Group membership against a real server (Radicale on loopback), with another client changing
// group cards behind the plug-in's back.
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

// Ada and Bob, and the groups Work (UID sorting last) and Family, each holding Ada.
class GroupsRadicale : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.putCard("ada", makeCard("uid-ada", "Ada"));
        plugin.putCard("bob", makeCard("uid-bob", "Bob"));
        plugin.putCard("work", groupCard("grp-b", "Work", {"uid-ada"}));
        plugin.putCard("family", groupCard("grp-a", "Family", {"uid-ada"}));
        plugin.selectBook();
    }

    CallResult getGroups(const std::string& uid, bool refresh = false) {
        return plugin.host.call("CardDav_GetvCardGroups", {Arg::text(uid), Arg::boolean(refresh)});
    }
    CallResult setGroups(const std::string& uid, const std::string& names) {
        return plugin.host.call("CardDav_SetvCardGroups", {Arg::text(uid), Arg::text(names)});
    }
    // The server's text of the group card at `url`.
    std::string serverText(const std::string& url) { return plugin.peer.get(url).body; }
    std::string groupText(const std::string& name) { return serverText(name + ".vcf"); }
    std::string fileOf(const std::string& name) { return plugin.bookPath + name; }
    // The group names of the address book as a fresh selection lists them.
    std::vector<std::string> listedGroups() {
        plugin.selectBook();
        return sortedEntries(plugin.host.call("CardDav_GetAddressbookGroups").text());
    }

    ConnectedPlugin plugin;
};

} // namespace

TEST_F(GroupsRadicale, ListsGroupsByGroupUidAndRefreshesOnRequest) {
    const CallResult ada = getGroups("uid-ada");
    EXPECT_EQ(ada.text(), "Family\rWork\r");
    EXPECT_EQ(ada.error, 0);
    const CallResult bob = getGroups("uid-bob");
    EXPECT_EQ(bob.text(), "");
    EXPECT_EQ(bob.error, 0);

    // Another client puts Bob into Work: seen only after a refresh.
    plugin.putCard("work", groupCard("grp-b", "Work", {"uid-ada", "uid-bob"}));
    EXPECT_EQ(getGroups("uid-bob").text(), "");
    const CallResult refreshed = getGroups("uid-bob", true);
    EXPECT_EQ(refreshed.text(), "Work\r");
    EXPECT_EQ(refreshed.error, 0);
    EXPECT_EQ(session().book.cards().size(), 2u) << "the cards are not refreshed";
}

TEST_F(GroupsRadicale, MovesACardBetweenGroupsOnTheServer) {
    const CallResult moved = setGroups("uid-ada", "Work,Friends,Work");
    EXPECT_EQ(moved.text(), "Saved");
    EXPECT_EQ(moved.error, 0);
    EXPECT_EQ(groupText(fileOf("family")).find("uid-ada"), std::string::npos);
    EXPECT_NE(groupText(fileOf("work")).find("urn:uuid:uid-ada"), std::string::npos);

    // The new group: a group card holding Ada alone, named from the list.
    const auto friends =
        std::find_if(session().book.groups().begin(), session().book.groups().end(),
                     [](const auto& entry) { return entry.second.fn == "Friends"; });
    ASSERT_NE(friends, session().book.groups().end());
    const std::string text = serverText(friends->second.url);
    EXPECT_NE(text.find("X-ADDRESSBOOKSERVER-KIND:group"), std::string::npos) << text;
    EXPECT_NE(text.find("FN:Friends"), std::string::npos) << text;
    EXPECT_NE(text.find("N:Friends;;;;"), std::string::npos) << text;
    EXPECT_NE(text.find("X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada"), std::string::npos);
    EXPECT_EQ(text.find("X-ADDRESSBOOKSERVER-MEMBER", text.find("MEMBER") + 1), std::string::npos)
        << "one member line";
    EXPECT_EQ(getGroups("uid-ada").text().find("Friends\r") != std::string::npos, true);

    // Bob given the same new name joins that group: the server holds one Friends group.
    EXPECT_EQ(setGroups("uid-bob", "Friends").text(), "Saved");
    EXPECT_NE(serverText(friends->second.url).find("urn:uuid:uid-bob"), std::string::npos);
    EXPECT_EQ(listedGroups(), (std::vector<std::string>{"Family", "Friends", "Work"}));

    // An empty list takes Ada out of every group.
    EXPECT_EQ(setGroups("uid-ada", "").text(), "Saved");
    EXPECT_EQ(getGroups("uid-ada", true).text(), "");
    EXPECT_EQ(groupText(fileOf("work")).find("uid-ada"), std::string::npos);
}

TEST_F(GroupsRadicale, NamesWithSpacesSeparatorsAndLineBreaksReadBackWhole) {
    // One name per line as a checkbox field gives them, a comma belonging to the name; a line
    // break within a name is written escaped.
    EXPECT_EQ(setGroups("uid-bob", " Spaced\rSmith, Jones\rTeam; Red\r\nLine\\nBreak").text(),
              "Saved");
    EXPECT_EQ(listedGroups(), (std::vector<std::string>{" Spaced", "Family", "Line\\nBreak",
                                                        "Smith, Jones", "Team; Red", "Work"}));
    EXPECT_EQ(sortedEntries(getGroups("uid-bob").text()),
              (std::vector<std::string>{" Spaced", "Line\\nBreak", "Smith, Jones", "Team; Red"}));

    // The names as listed, comma-separated with the comma escaped, or as the script first wrote
    // them, find those groups again.
    EXPECT_EQ(setGroups("uid-bob", getGroups("uid-bob").text()).text(), "Saved");
    EXPECT_EQ(setGroups("uid-bob", " Spaced,Smith\\, Jones,Team\\; Red,Line\\nBreak").text(),
              "Saved");
    EXPECT_EQ(setGroups("uid-bob", " Spaced\nSmith, Jones\nTeam; Red\nLine\\nBreak").text(),
              "Saved");
    EXPECT_EQ(setGroups("uid-ada", "Line\\nBreak\r\nWork").text(), "Saved");
    EXPECT_EQ(listedGroups().size(), 6u) << "no group was created twice";
    EXPECT_EQ(sortedEntries(getGroups("uid-ada").text()),
              (std::vector<std::string>{"Line\\nBreak", "Work"}));
}

TEST_F(GroupsRadicale, WhatAnotherClientWroteInAGroupCardIsKept) {
    // Another client renames Family after the plug-in listed it, and gives it properties of its
    // own; then the card leaves Family.
    plugin.putCard("family", makeCard("grp-a", "Family and friends",
                                      "X-ADDRESSBOOKSERVER-KIND:group\nNOTE:Sunday lunch\n"
                                      "CATEGORIES:private,kin\nX-OTHER-CLIENT;X-SORT=2:keep me\n"
                                      "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-bob\n"
                                      "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada"));
    const CallResult set = setGroups("uid-ada", "Work");
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(set.error, 0);
    const std::string family = groupText(fileOf("family"));
    EXPECT_NE(family.find("FN:Family and friends"), std::string::npos) << family;
    EXPECT_NE(family.find("NOTE:Sunday lunch"), std::string::npos) << family;
    EXPECT_NE(family.find("CATEGORIES:private,kin"), std::string::npos) << family;
    EXPECT_NE(family.find("X-OTHER-CLIENT;X-SORT=2:keep me"), std::string::npos) << family;
    EXPECT_NE(family.find("urn:uuid:uid-bob"), std::string::npos) << family;
    EXPECT_EQ(family.find("urn:uuid:uid-ada"), std::string::npos) << family;
    // The cache holds the group as the server now does.
    EXPECT_EQ(session().book.group("grp-a")->fn, "Family and friends");
    EXPECT_EQ(session().book.group("grp-a")->members, std::vector<std::string>{"uid-bob"});
    EXPECT_EQ(getGroups("uid-bob").text(), "Family and friends\r");
}

TEST_F(GroupsRadicale, CategoriesStyleRewritesTheCardsCategoriesLineAlone) {
    const std::string nextcloud =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Sabre//Sabre VObject 4.4.2//EN\r\nUID:uid-nc\r\n"
        "FN:Nina Cole\r\nN:Cole;Nina;;;\r\nCATEGORIES:VIP,Smith\\, Jones\r\n"
        "EMAIL;TYPE=WORK:nina@example.com\r\nREV;VALUE=DATE-AND-OR-TIME:20261201T101010Z\r\n"
        "END:VCARD\r\n";
    plugin.putCard("nc", nextcloud);
    // As the server holds them (it writes a card's lines in an order of its own).
    const std::string before = serverText(fileOf("nc.vcf"));
    const std::string work = groupText(fileOf("work"));
    // Chosen after the selection: the book is listed again with its cards' categories.
    ASSERT_EQ(plugin.host.call("CardDav_SetGroupStyle", {Arg::text("categories")}).number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookGroups").text(), "Smith, Jones\rVIP\r");
    EXPECT_EQ(getGroups("uid-nc").text(), "VIP\rSmith, Jones\r");

    // A checkbox list, and a name read back from GetvCardGroups with its comma.
    const CallResult set = setGroups("uid-nc", "Smith, Jones\rClients");
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(set.error, 0);
    const std::string held = "CATEGORIES:VIP,Smith\\, Jones\r\n";
    std::string expected = before;
    ASSERT_NE(expected.find(held), std::string::npos) << before;
    expected.replace(expected.find(held), held.size(), "CATEGORIES:Smith\\, Jones,Clients\r\n");
    EXPECT_EQ(serverText(fileOf("nc.vcf")), expected);
    EXPECT_EQ(groupText(fileOf("work")), work) << "group cards are other cards in this style";
    EXPECT_EQ(getGroups("uid-nc", true).text(), "Smith, Jones\rClients\r");
}

TEST_F(GroupsRadicale, Vcard4GroupCardsAreEditedInTheirOwnDialect) {
    plugin.putCard("team", "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Team\r\n"
                           "UID:grp-v4\r\nMEMBER:urn:uuid:uid-bob\r\nEND:VCARD\r\n");
    plugin.selectBook();
    EXPECT_EQ(getGroups("uid-bob").text(), "Team\r");
    EXPECT_EQ(setGroups("uid-ada", "Family,Team,Work").text(), "Saved");
    const std::string team = groupText(fileOf("team"));
    EXPECT_NE(team.find("\r\nMEMBER:urn:uuid:uid-bob\r\nMEMBER:urn:uuid:uid-ada\r\n"),
              std::string::npos)
        << team;
    EXPECT_EQ(team.find("X-ADDRESSBOOKSERVER"), std::string::npos) << team;
    EXPECT_EQ(sortedEntries(getGroups("uid-ada", true).text()),
              (std::vector<std::string>{"Family", "Team", "Work"}));
}
