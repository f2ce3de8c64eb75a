// Listing and selecting address books on a real server (Radicale on loopback) that holds cards
// written by other clients.
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

TEST(AddressBooksRadicale, ListsBooksAndCachesCardsAndGroupsOfTheSelectedOne) {
    ConnectedPlugin plugin;
    ASSERT_EQ(plugin.peer.createAddressBook(plugin.server.homePath() + "work/", "Work").status,
              201);

    const CallResult books = plugin.host.call("CardDav_GetAddressBooks");
    EXPECT_EQ(books.error, 0);
    std::vector<std::string> urls = listEntries(books.text());
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls,
              (std::vector<std::string>{plugin.bookUrl, plugin.server.baseUrl() + "/alice/work/"}));
    // With their names; the owner may write to both.
    std::vector<std::string> details =
        listEntries(plugin.host.call("CardDav_GetAddressBookDetails").text());
    std::sort(details.begin(), details.end());
    ASSERT_EQ(details.size(), 2u);
    EXPECT_EQ(details[1], plugin.server.baseUrl() + "/alice/work/\tWork\twritable");
    EXPECT_EQ(details[0].rfind(plugin.bookUrl + "\t", 0), 0u) << details[0];
    EXPECT_EQ(details[0].substr(details[0].size() - 9), "\twritable") << details[0];

    plugin.putCard("ada", adaLovelaceCard());
    plugin.putCard("zed", makeCard("Zed-1", "Zed", "TEL;TYPE=CELL,VOICE:+49 1"));
    plugin.putCard("family", makeCard("grp-1", "Família",
                                      "X-ADDRESSBOOKSERVER-KIND:group\n"
                                      "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:uid-ada"));
    plugin.putCard("friends", makeCard("grp-0", "Friends", "X-ADDRESSBOOKSERVER-KIND:group"));
    storeCardFile(plugin, "dup1.vcf", makeCard("dup", "Twin one"));
    storeCardFile(plugin, "dup2.vcf", makeCard("dup", "Twin two"));

    plugin.selectBook();
    EXPECT_EQ(session().book.url(), plugin.bookUrl);

    // Card UIDs in byte order (upper case first), without the groups; the twice-used UID once.
    const CallResult cards = plugin.host.call("CardDav_GetAddressbookvCards");
    EXPECT_EQ(cards.error, 0);
    EXPECT_EQ(cards.text(), "Zed-1\rdup\ruid-ada\r");
    EXPECT_EQ(session().book.card("uid-ada")->url, plugin.bookUrl + "ada.vcf");
    EXPECT_FALSE(session().book.card("uid-ada")->etag.empty());

    // Group names by group UID, the name outside ASCII intact.
    const CallResult groups = plugin.host.call("CardDav_GetAddressbookGroups");
    EXPECT_EQ(groups.error, 0);
    EXPECT_EQ(groups.text(), "Friends\rFam\xC3\xADlia\r");
    EXPECT_EQ(session().book.group("grp-1")->members, std::vector<std::string>{"uid-ada"});

    // Listing the books changes neither the selection nor the caches.
    plugin.host.call("CardDav_GetAddressBooks");
    EXPECT_EQ(session().book.cards().size(), 3u);
    EXPECT_EQ(session().book.url(), plugin.bookUrl);

    // An empty argument reads the selected book again, now with one card less.
    plugin.peer.remove(plugin.bookPath + "zed.vcf");
    const CallResult again = plugin.host.call("CardDav_SelectAddressBook", {Arg::text("")});
    EXPECT_EQ(again.error, 0);
    EXPECT_EQ(again.number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "dup\ruid-ada\r");
}

TEST(AddressBooksRadicale, SelectingAMissingBookEmptiesTheCachesAndReportsTheRequest) {
    ConnectedPlugin plugin;
    plugin.putCard("ada", adaLovelaceCard());
    plugin.selectBook();

    const std::string missing = plugin.server.baseUrl() + "/alice/missing/";
    const CallResult select = plugin.host.call("CardDav_SelectAddressBook", {Arg::text(missing)});
    EXPECT_EQ(select.error, 44);
    EXPECT_EQ(select.number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_LastError").number(), 44);
    EXPECT_EQ(session().book.url(), missing);
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), "");
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookGroups").text(), "");
}
