// Many writes in one call against a real server (Radicale on loopback): a batch where one element
// conflicts, one finds its card gone and the others land, with what the server holds afterwards.
#include "CardFixtures.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

namespace {

// Outcome, UID and code of each line.
std::vector<std::string> outcomes(const std::string& lines) {
    std::vector<std::string> kept;
    for (const std::string& line : listEntries(lines)) {
        const std::vector<std::string> columns = tabColumns(line);
        kept.push_back(columns[0] + " " + columns[1] + " " + columns[4]);
    }
    return kept;
}

} // namespace

TEST(CardBatchRadicale, OneElementConflictsOneFindsItsCardGoneAndTheOthersLand) {
    ConnectedPlugin plugin;
    const std::string ada = plugin.putCard("ada", makeCard("uid-ada", "Ada"));
    const std::string bob = plugin.putCard("bob", makeCard("uid-bob", "Bob"));
    const std::string cleo = plugin.putCard("cleo", makeCard("uid-cleo", "Cleo"));
    const std::string dora = plugin.putCard("dora", makeCard("uid-dora", "Dora"));
    // Another client changes Bob after the script read him, and deletes Dora.
    plugin.peer.put(plugin.bookPath + "bob.vcf", makeCard("uid-bob", "Robert"), bob);
    plugin.peer.remove(plugin.bookPath + "dora.vcf");
    const auto href = [&](const std::string& name) { return plugin.bookPath + name + ".vcf"; };
    const auto unquoted = [](std::string tag) { return tag.substr(1, tag.size() - 2); };
    const std::string elements =
        R"([{"action":"create","card":{"uid":"uid-eve","name":{"given":"Eve","family":"Ng"}}},)"
        R"({"action":"change","href":")" +
        href("ada") + R"(","etag":")" + unquoted(ada) +
        R"(","card":{"title":"Countess"}},)"
        R"({"action":"change","href":")" +
        href("bob") + R"(","etag":")" + unquoted(bob) +
        R"(","card":{"title":"Mr"}},)"
        R"({"action":"delete","href":")" +
        href("cleo") + R"(","etag":")" + unquoted(cleo) +
        R"("},)"
        R"({"action":"change","href":")" +
        href("dora") + R"(","etag":")" + unquoted(dora) +
        R"(","card":{"title":"Dr"}},)"
        R"({"action":"delete","href":")" +
        href("ada") + R"("}])";
    const CallResult written =
        plugin.host.call("CardDav_WriteCards", {Arg::text(elements), Arg::text(plugin.bookUrl)});
    EXPECT_EQ(written.error, 0);
    // Cards named by href alone, never listed, have no UID on their line.
    EXPECT_EQ(
        outcomes(written.text()),
        (std::vector<std::string>{"created uid-eve 0", "saved uid-ada 0", "conflict uid-bob 19",
                                  "deleted  0", "gone  23", "refused  21"}))
        << written.text();

    const std::vector<std::string> lines = listEntries(written.text());
    ASSERT_EQ(lines.size(), 6u);
    const std::vector<std::string> created = tabColumns(lines[0]);
    const PeerResponse eve = plugin.peer.get(created[3]);
    EXPECT_TRUE(contains(eve.body, "FN:Eve Ng\r\n")) << eve.body;
    EXPECT_EQ(created[2], unquoted(eve.etag));
    const PeerResponse adaNow = plugin.peer.get(href("ada"));
    EXPECT_TRUE(contains(adaNow.body, "TITLE:Countess\r\n")) << adaNow.body;
    EXPECT_EQ(tabColumns(lines[1])[2], unquoted(adaNow.etag));
    EXPECT_TRUE(contains(plugin.peer.get(href("bob")).body, "FN:Robert\r\n"));
    EXPECT_FALSE(contains(plugin.peer.get(href("bob")).body, "TITLE"));
    EXPECT_EQ(plugin.peer.get(href("cleo")).status, 404);
    EXPECT_EQ(plugin.peer.get(href("dora")).status, 404);
}
