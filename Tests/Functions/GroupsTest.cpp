// Group membership against a book of either server, with another client changing group cards
// behind the plug-in's back; on the loopback server also the requests each change took.
#include "BookOnServer.h"
#include "CardFixtures.h"
#include "Functions/Sessions.h"
#include "Utils/VorlixUtils.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Ada and Bob, and the groups Work (UID sorting last) and Family, each holding Ada.
class Groups : public OnBothServers {
protected:
    void SetUp() override {
        storeAdaBobAndFamily(book);
        book.put("work", groupCard("grp-b", "Work", {"uid-ada"}));
        book.select();
    }

    CallResult getGroups(const std::string& uid, bool refresh = false) {
        return call("CardDav_GetvCardGroups", {Arg::text(uid), Arg::boolean(refresh)});
    }
    CallResult setGroups(const std::string& uid, const std::string& names) {
        return call("CardDav_SetvCardGroups", {Arg::text(uid), Arg::text(names)});
    }
    // The group names of the address book as a fresh selection lists them.
    std::vector<std::string> listedGroups() {
        book.select();
        return sortedEntries(call("CardDav_GetAddressbookGroups").text());
    }
};

TEST_P(Groups, ListsGroupsByGroupUidAndRefreshesOnRequest) {
    const CallResult ada = getGroups("uid-ada");
    EXPECT_EQ(ada.text(), "Family\rWork\r");
    EXPECT_EQ(ada.error, 0);
    const CallResult bob = getGroups("uid-bob");
    EXPECT_EQ(bob.text(), "");
    EXPECT_EQ(bob.error, 0);

    // Another client puts Bob into Work: seen only after a refresh.
    book.put("work", groupCard("grp-b", "Work", {"uid-ada", "uid-bob"}));
    EXPECT_EQ(getGroups("uid-bob").text(), "");
    const CallResult refreshed = getGroups("uid-bob", true);
    EXPECT_EQ(refreshed.text(), "Work\r");
    EXPECT_EQ(refreshed.error, 0);
    EXPECT_EQ(session().book.cards().size(), 2u) << "the cards are not refreshed";
}

TEST_P(Groups, MovesACardBetweenGroupsOnTheServer) {
    const CallResult moved = setGroups("uid-ada", "Work,Friends,Work");
    EXPECT_EQ(moved.text(), "Saved");
    EXPECT_EQ(moved.error, 0);
    EXPECT_FALSE(contains(book.text("family"), "uid-ada"));
    EXPECT_TRUE(contains(book.text("work"), "urn:uuid:uid-ada"));
    // Family read and written, then the new group in one create-only write.
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().header("If-None-Match"), "*");
        EXPECT_EQ(book.methods(), "GET PUT PUT ");
    }

    // The new group: a group card holding Ada alone, named from the list, cached among the
    // groups under its UID; the cards stay the cards.
    const auto friends =
        std::find_if(session().book.groups().begin(), session().book.groups().end(),
                     [](const auto& entry) { return entry.second.fn == "Friends"; });
    ASSERT_NE(friends, session().book.groups().end());
    const addresscard group = friends->second;
    const std::string text = book.text(group.url);
    for (const std::string& line :
         {std::string("X-ADDRESSBOOKSERVER-KIND:group"), std::string("FN:Friends"),
          std::string("N:Friends;;;;"), "UID:" + group.uid,
          std::string("X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada")})
        EXPECT_TRUE(contains(text, "\r\n" + line + "\r\n")) << line << " in\n" << text;
    EXPECT_EQ(text.find("X-ADDRESSBOOKSERVER-MEMBER", text.find("MEMBER") + 1), std::string::npos)
        << "one member line";
    EXPECT_TRUE(group.isgroup);
    EXPECT_EQ(group.etag, book.tag(group.url));
    EXPECT_EQ(session().book.cards().size(), 2u);
    EXPECT_TRUE(contains(getGroups("uid-ada").text(), "Friends\r"));

    // Bob given the same new name joins that group: the server holds one Friends group.
    EXPECT_EQ(setGroups("uid-bob", "Friends").text(), "Saved");
    if (book.wire) {
        EXPECT_EQ(book.wire->lastRequest().target, book.path(group.url));
        EXPECT_EQ(book.methods(), "GET PUT ");
    }
    EXPECT_TRUE(contains(book.text(group.url), "urn:uuid:uid-bob"));
    EXPECT_EQ(session().book.groups().size(), 3u);
    EXPECT_EQ(listedGroups(), (std::vector<std::string>{"Family", "Friends", "Work"}));

    // An empty list takes Ada out of every group.
    EXPECT_EQ(setGroups("uid-ada", "").text(), "Saved");
    EXPECT_EQ(getGroups("uid-ada", true).text(), "");
    EXPECT_FALSE(contains(book.text("work"), "uid-ada"));
}

TEST_P(Groups, NamesWithSpacesSeparatorsAndLineBreaksReadBackWhole) {
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

TEST_P(Groups, OnlyTheMemberLinesOfAGroupCardChangeWhateverAnotherClientWrote) {
    book.put("club", groupCard("grp-c", "Club", {"uid-bob"}));
    book.put("band", groupCard("grp-z", "Band", {}));
    book.select();
    // Another client renames Family after the plug-in listed it, gives it lines of its own and
    // Ada twice; then Ada leaves Family and joins Club and Band.
    const std::string theirs = makeCard(
        "grp-a", "Family and friends",
        "PRODID:-//Other Client//EN\nX-ADDRESSBOOKSERVER-KIND:group\nNOTE:Sunday lunch\n"
        "NOTE;language=en-us:shared\\, really\nCATEGORIES:private,kin\n"
        "X-OTHER-CLIENT;X-SORT=2:keep me\nitem1.X-ABLabel:\nX-Sort;x-key=\"a;b:c\":Grp\n"
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-bob\n"
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada");
    book.put("family", theirs);
    const std::string tags[] = {book.tag("family"), book.tag("band"), book.tag("club")};
    const CallResult set = setGroups("uid-ada", "Work,Club,Band,Club");
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(set.error, 0);
    const std::string family = book.text("family");
    for (const char* line : {"FN:Family and friends", "NOTE:Sunday lunch", "CATEGORIES:private,kin",
                             "X-OTHER-CLIENT;X-SORT=2:keep me", "urn:uuid:uid-bob"})
        EXPECT_TRUE(contains(family, line)) << line << " in\n" << family;
    EXPECT_FALSE(contains(family, "urn:uuid:uid-ada")) << family;
    // Leaving first, then joining in name order; each write guarded by the tag just fetched, and
    // every other line of the group cards as it came.
    if (book.wire) {
        const std::vector<loopback::Request> requests = book.wire->requests();
        EXPECT_EQ(book.methods(), "GET PUT GET PUT GET PUT ");
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(requests[2 * i + 1].target,
                      book.path(std::vector{"family", "band", "club"}[i]));
            EXPECT_EQ(requests[2 * i + 1].header("If-Match"), "\"" + tags[i] + "\"");
        }
        EXPECT_EQ(family, replace(theirs, "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada\r\n", ""));
        EXPECT_EQ(book.text("band"), groupCard("grp-z", "Band", {"uid-ada"}));
        EXPECT_EQ(book.text("club"), groupCard("grp-c", "Club", {"uid-bob", "uid-ada"}));
    }
    // The cache holds the groups as the server now does.
    EXPECT_EQ(session().book.group("grp-a")->fn, "Family and friends");
    EXPECT_EQ(session().book.group("grp-a")->members, std::vector<std::string>{"uid-bob"});
    EXPECT_EQ(session().book.group("grp-a")->etag, book.tag("family"));
    EXPECT_EQ(session().book.group("grp-c")->members,
              (std::vector<std::string>{"uid-bob", "uid-ada"}));
    EXPECT_EQ(getGroups("uid-bob").text(), "Family and friends\rClub\r");
    EXPECT_EQ(getGroups("uid-ada").text(), "Work\rClub\rBand\r") << "in group-UID order";
}

TEST_P(Groups, CategoriesStyleRewritesTheCardsCategoriesLineAlone) {
    const std::string nextcloud =
        "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Sabre//Sabre VObject 4.4.2//EN\r\nUID:uid-nc\r\n"
        "FN:Nina Cole\r\nN:Cole;Nina;;;\r\nCATEGORIES:VIP,Smith\\, Jones\r\n"
        "EMAIL;TYPE=WORK:nina@example.com\r\nREV;VALUE=DATE-AND-OR-TIME:20261201T101010Z\r\n"
        "END:VCARD\r\n";
    book.put("nc", nextcloud);
    // As the server holds them (it writes a card's lines in an order of its own).
    const std::string before = book.text("nc");
    const std::string work = book.text("work");
    // Chosen after the selection: the book is listed again with its cards' categories.
    ASSERT_EQ(call("CardDav_SetGroupStyle", {Arg::text("categories")}).number(), 1);
    EXPECT_EQ(call("CardDav_GetAddressbookGroups").text(), "Smith, Jones\rVIP\r");
    EXPECT_EQ(getGroups("uid-nc").text(), "VIP\rSmith, Jones\r");

    // A checkbox list, and a name read back from GetvCardGroups with its comma.
    const CallResult set = setGroups("uid-nc", "Smith, Jones\rClients");
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(set.error, 0);
    const std::string held = "CATEGORIES:VIP,Smith\\, Jones\r\n";
    std::string expected = before;
    ASSERT_NE(expected.find(held), std::string::npos) << before;
    expected.replace(expected.find(held), held.size(), "CATEGORIES:Smith\\, Jones,Clients\r\n");
    EXPECT_EQ(book.text("nc"), expected);
    EXPECT_EQ(book.text("work"), work) << "group cards are other cards in this style";
    EXPECT_EQ(getGroups("uid-nc", true).text(), "Smith, Jones\rClients\r");
}

TEST_P(Groups, Vcard4GroupCardsAreEditedInTheirOwnDialect) {
    book.put("team", "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:Team\r\n"
                     "UID:grp-v4\r\nMEMBER:urn:uuid:uid-bob\r\nEND:VCARD\r\n");
    book.select();
    EXPECT_EQ(getGroups("uid-bob").text(), "Team\r");
    EXPECT_EQ(setGroups("uid-ada", "Family,Team,Work").text(), "Saved");
    const std::string team = book.text("team");
    EXPECT_NE(team.find("\r\nMEMBER:urn:uuid:uid-bob\r\nMEMBER:urn:uuid:uid-ada\r\n"),
              std::string::npos)
        << team;
    EXPECT_EQ(team.find("X-ADDRESSBOOKSERVER"), std::string::npos) << team;
    EXPECT_EQ(sortedEntries(getGroups("uid-ada", true).text()),
              (std::vector<std::string>{"Family", "Team", "Work"}));
}

INSTANTIATE_ON_BOTH_SERVERS(Groups);

} // namespace
