// The group functions in each group style, on books written the way real clients write them:
// groups as CATEGORIES on the cards (Nextcloud, Android sync apps), as Apple group cards, as
// vCard 4 KIND:group cards, and both at once. Each case selects the book, reads its groups, moves
// a card between groups and deletes it, and checks which lines of which cards the server then
// holds changed.
#include "CardFixtures.h"
#include "CardStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

const std::string kBook = "/home/book/";

// A card as a Sabre-based server stores what its contacts app wrote: the categories line among
// the card's other lines.
std::string nextcloudCard(const std::string& uid, const std::string& categories) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Sabre//Sabre VObject 4.4.2//EN\r\nUID:" + uid +
           "\r\nFN:" + uid + " Lee\r\nN:Lee;" + uid + ";;;\r\n" +
           (categories.empty() ? "" : "CATEGORIES:" + categories + "\r\n") +
           "EMAIL;TYPE=WORK:" + uid +
           "@example.com\r\nREV;VALUE=DATE-AND-OR-TIME:20261201T101010Z\r\nEND:VCARD\r\n";
}

std::string appleGroup(const std::string& uid, const std::string& fn, const std::string& member) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//macOS 14.1//EN\r\nN:" + fn +
           "\r\nFN:" + fn +
           "\r\nX-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:"
           "uuid:" +
           member + "\r\nUID:" + uid + "\r\nEND:VCARD\r\n";
}

std::string vcard4Group(const std::string& uid, const std::string& fn, const std::string& member) {
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:group\r\nFN:" + fn +
           "\r\nMEMBER:urn:uuid:" + member + "\r\nUID:" + uid + "\r\nEND:VCARD\r\n";
}

struct StyleCase {
    const char* name;
    const char* style;                       // handed to CardDav_SetGroupStyle before the selection
    std::map<std::string, std::string> book; // resource name to text
    const char* inForce;                     // CardDav_GetGroupStyle once the book is selected
    const char* bookGroups;                  // CardDav_GetAddressbookGroups
    const char* cardGroups;                  // CardDav_GetvCardGroups( "c1" )
    // After CardDav_SetvCardGroups( "c1" ; "Clients¶Family" ): each resource's text, as the
    // original with one line replaced ("" for no change), and the new group card's lines.
    std::map<std::string, std::pair<std::string, std::string>> changed;
    const char* createdGroup; // a line the new group card "Family" holds; "" for none
    // After CardDav_DeleteCard( "c1" ): the resources whose text changed besides c1's removal.
    std::map<std::string, std::pair<std::string, std::string>> changedByDelete;
    // Groups as things: CardDav_CreateGroup( "Team" ; "c1" ), CardDav_RenameGroup( renamed ;
    // "Customers" ), CardDav_DeleteGroup( deleted ); then CardDav_GetAddressbookGroups (sorted),
    // the resources changed and the one gone.
    const char* renamed;
    const char* deleted;
    const char* groupsAfterEdits;
    std::map<std::string, std::pair<std::string, std::string>> changedByEdits;
    const char* goneByEdits;
};

void PrintTo(const StyleCase& c, std::ostream* os) {
    *os << c.name;
}

// A case as it goes when the script leaves the style to the book ("auto"), on the same book or
// on another that must give the same results: all else alike.
StyleCase underAuto(StyleCase chosen, const char* name,
                    std::map<std::string, std::string> book = {}) {
    chosen.name = name;
    chosen.style = "auto";
    if (!book.empty())
        chosen.book = std::move(book);
    return chosen;
}

std::vector<StyleCase> styleCases() {
    const std::map<std::string, std::string> nextcloud = {
        {"c1", nextcloudCard("c1", "VIP,Clients")},
        {"c2", nextcloudCard("c2", "Friends,Smith\\, Jones")},
        {"c3", nextcloudCard("c3", "")}};
    const std::map<std::string, std::string> apple = {{"c1", nextcloudCard("c1", "")},
                                                      {"c2", nextcloudCard("c2", "")},
                                                      {"g1", appleGroup("g1", "Clients", "c1")},
                                                      {"g2", appleGroup("g2", "VIP", "c1")}};
    const std::map<std::string, std::string> vcard4 = {{"c1", nextcloudCard("c1", "")},
                                                       {"g1", vcard4Group("g1", "Clients", "c1")},
                                                       {"g2", vcard4Group("g2", "VIP", "c1")}};
    std::map<std::string, std::string> mixed = apple;
    mixed["c1"] = nextcloudCard("c1", "Holiday card");
    const std::pair<std::string, std::string> categoriesMoved = {"CATEGORIES:VIP,Clients\r\n",
                                                                 "CATEGORIES:Clients,Family\r\n"};
    const std::pair<std::string, std::string> appleLeft = {
        "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:c1\r\n", ""};
    const std::pair<std::string, std::string> vcard4Left = {"MEMBER:urn:uuid:c1\r\n", ""};
    const std::map<std::string, std::pair<std::string, std::string>> categoriesEdited = {
        {"c1", {"CATEGORIES:VIP,Clients\r\n", "CATEGORIES:Customers,Team\r\n"}}};
    const std::map<std::string, std::pair<std::string, std::string>> appleRenamed = {
        {"g1", {"N:Clients\r\nFN:Clients\r\n", "N:Customers\r\nFN:Customers\r\n"}}};
    const StyleCase nextcloudCategories = {"NextcloudCategories",
                                           "categories",
                                           nextcloud,
                                           "categories",
                                           "Clients\rFriends\rSmith, Jones\rVIP\r",
                                           "VIP\rClients\r",
                                           {{"c1", categoriesMoved}},
                                           "",
                                           {},
                                           "Clients",
                                           "VIP",
                                           "Customers\rFriends\rSmith, Jones\rTeam\r",
                                           categoriesEdited,
                                           ""};
    const StyleCase appleGroupCards = {"AppleGroupCards",
                                       "cards",
                                       apple,
                                       "cards",
                                       "Clients\rVIP\r",
                                       "Clients\rVIP\r",
                                       {{"g2", appleLeft}},
                                       "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:c1",
                                       {{"g1", appleLeft}},
                                       "Clients",
                                       "VIP",
                                       "Customers\rTeam\r",
                                       appleRenamed,
                                       "g2"};
    return {
        nextcloudCategories,
        underAuto(nextcloudCategories, "NextcloudUnderAuto"),
        appleGroupCards,
        underAuto(appleGroupCards, "AppleUnderAuto"),
        {"Vcard4GroupCards",
         "cards",
         vcard4,
         "cards",
         "Clients\rVIP\r",
         "Clients\rVIP\r",
         {{"g2", vcard4Left}},
         "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:c1",
         {{"g1", vcard4Left}},
         "Clients",
         "VIP",
         "Customers\rTeam\r",
         {{"g1", {"FN:Clients\r\n", "FN:Customers\r\n"}}},
         "g2"},
        // Group cards and categories in one book: the group cards are its groups, and the
        // card's own categories are left alone.
        underAuto(appleGroupCards, "MixedUnderAuto", mixed),
        // The script's choice holds: the categories are the groups, the group cards are other
        // cards, which neither a change of groups nor a deletion touches.
        {"MixedAsCategories",
         "categories",
         mixed,
         "categories",
         "Holiday card\r",
         "Holiday card\r",
         {{"c1", {"CATEGORIES:Holiday card\r\n", "CATEGORIES:Clients,Family\r\n"}}},
         "",
         {},
         "Holiday card",
         "Team",
         "Customers\r",
         {{"c1", {"CATEGORIES:Holiday card\r\n", "CATEGORIES:Customers\r\n"}}},
         ""},
    };
}

class GroupStylesLoopback : public ::testing::TestWithParam<StyleCase> {
protected:
    CallResult call(const std::string& function, const std::vector<Arg>& args = {}) {
        return plugin.host.call(function, args);
    }
    std::string path(const std::string& name) const { return kBook + name + ".vcf"; }
    // Each resource of the book must hold its original text, with the named changes.
    void
    expectServerHolds(const std::map<std::string, std::pair<std::string, std::string>>& changes,
                      const std::string& gone = "") {
        for (const auto& [name, text] : GetParam().book) {
            if (name == gone) {
                EXPECT_FALSE(store.holds(path(name))) << name;
                continue;
            }
            std::string expected = text;
            if (const auto change = changes.find(name); change != changes.end()) {
                const std::size_t at = expected.find(change->second.first);
                ASSERT_NE(at, std::string::npos) << name;
                expected.replace(at, change->second.first.size(), change->second.second);
            }
            EXPECT_EQ(store.text(path(name)), expected) << name;
        }
    }

    // The case's book on the server, selected in the case's style.
    void selectTheBook() {
        const StyleCase& c = GetParam();
        store.serveBook(kBook);
        for (const auto& [name, text] : c.book)
            store.put(path(name), text, "t-" + name);
        ASSERT_EQ(call("CardDav_SetGroupStyle", {Arg::text(c.style)}).number(), 1);
        ASSERT_EQ(call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}).error, 0);
    }

    LoopbackPlugin plugin;
    CardStore store{plugin.server};
};

TEST_P(GroupStylesLoopback, GroupsAreReadAndChangedInTheStyleInForce) {
    const StyleCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(selectTheBook());
    EXPECT_EQ(call("CardDav_GetGroupStyle").text(), c.inForce);
    EXPECT_EQ(call("CardDav_GetAddressbookGroups").text(), c.bookGroups);
    EXPECT_EQ(call("CardDav_GetvCardGroups", {Arg::text("c1")}).text(), c.cardGroups);

    plugin.server.clearRequests();
    const CallResult set =
        call("CardDav_SetvCardGroups", {Arg::text("c1"), Arg::text("Clients\rFamily")});
    EXPECT_EQ(set.text(), "Saved");
    EXPECT_EQ(set.error, 0);
    expectServerHolds(c.changed);
    std::string created;
    for (const loopback::Request& request : plugin.server.requests()) {
        const std::string name =
            request.target.substr(kBook.size(), request.target.size() - kBook.size() - 4);
        if (request.method == "PUT" && c.book.count(name) == 0)
            created = store.text(request.target);
    }
    if (*c.createdGroup == '\0') {
        EXPECT_EQ(created, "") << "no group card is made where groups are categories";
    } else {
        EXPECT_NE(created.find("FN:Family\r\n"), std::string::npos) << created;
        EXPECT_NE(created.find(c.createdGroup), std::string::npos) << created;
    }
    // Read back from the server (group cards in the order of their UIDs, one of them new).
    std::string names =
        call("CardDav_GetvCardGroups", {Arg::text("c1"), Arg::boolean(true)}).text();
    if (names.rfind("Family", 0) == 0)
        names = names.substr(7) + "Family\r";
    EXPECT_EQ(names, "Clients\rFamily\r");

    // Only the card goes, and in the categories style no other card changes.
    ASSERT_EQ(call("CardDav_DeleteCard", {Arg::text("c1")}).error, 0);
    std::map<std::string, std::pair<std::string, std::string>> afterDelete = c.changed;
    for (const auto& [name, change] : c.changedByDelete)
        afterDelete[name] = change;
    afterDelete.erase("c1");
    expectServerHolds(afterDelete, "c1");
}

TEST_P(GroupStylesLoopback, GroupsAreCreatedRenamedAndDeletedInTheStyleInForce) {
    const StyleCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(selectTheBook());

    const CallResult created = call("CardDav_CreateGroup", {Arg::text("Team"), Arg::text("c1")});
    EXPECT_EQ(created.error, 0);
    EXPECT_EQ(call("CardDav_CreateGroup", {Arg::text("Team")}).error, 37) << "it exists";
    EXPECT_EQ(call("CardDav_RenameGroup", {Arg::text(c.renamed), Arg::text("Team")}).error, 37);
    EXPECT_EQ(call("CardDav_RenameGroup", {Arg::text(c.renamed), Arg::text("Customers")}).number(),
              1);
    EXPECT_EQ(call("CardDav_DeleteGroup", {Arg::text(c.deleted)}).number(), 1);
    EXPECT_EQ(call("CardDav_DeleteGroup", {Arg::text(c.deleted)}).error, 36) << "it is gone";

    const auto sortedGroups = [&] {
        std::vector<std::string> groups = listEntries(call("CardDav_GetAddressbookGroups").text());
        std::sort(groups.begin(), groups.end());
        std::string list;
        for (const std::string& group : groups)
            list += group + "\r";
        return list;
    };
    EXPECT_EQ(sortedGroups(), c.groupsAfterEdits);
    expectServerHolds(c.changedByEdits, c.goneByEdits);
    // The book as the server now holds it reads the same.
    ASSERT_EQ(call("CardDav_SelectAddressBook", {Arg::text("")}).error, 0);
    EXPECT_EQ(sortedGroups(), c.groupsAfterEdits);
}

INSTANTIATE_TEST_SUITE_P(Books, GroupStylesLoopback, ::testing::ValuesIn(styleCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GroupStyleChoiceLoopback, UnknownWordsAreRefusedAndSetServerGoesBackToCards) {
    LoopbackPlugin plugin;
    CardStore store{plugin.server};
    store.serveBook(kBook);
    store.put(kBook + "c1.vcf", nextcloudCard("c1", "Clients"), "t1");
    const auto call = [&](const std::string& function, const std::vector<Arg>& args = {}) {
        return plugin.host.call(function, args);
    };
    // The listing asks no categories in the cards style.
    ASSERT_EQ(call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}).error, 0);
    EXPECT_EQ(call("CardDav_GetAddressbookGroups").text(), "");
    const CallResult refused = call("CardDav_SetGroupStyle", {Arg::text("tags")});
    EXPECT_EQ(refused.number(), 0);
    EXPECT_EQ(refused.error, 22);
    EXPECT_EQ(call("CardDav_GetGroupStyle").text(), "cards");

    // Chosen after the selection, the categories style lists the book again with them.
    plugin.server.clearRequests();
    EXPECT_EQ(call("CardDav_SetGroupStyle", {Arg::text("Auto")}).number(), 1);
    ASSERT_EQ(plugin.server.requests().size(), 1u);
    EXPECT_NE(plugin.server.requests()[0].body.find("name=\"CATEGORIES\""), std::string::npos);
    EXPECT_EQ(call("CardDav_GetGroupStyle").text(), "categories");
    EXPECT_EQ(call("CardDav_GetAddressbookGroups").text(), "Clients\r");

    call("CardDav_SetServer", {Arg::text(plugin.server.baseUrl())});
    EXPECT_EQ(call("CardDav_GetGroupStyle").text(), "cards");
}

} // namespace
