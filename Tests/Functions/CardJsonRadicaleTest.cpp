// Cards as contact programs write them, read as JSON and changed through it on a real server
// (Radicale on loopback): what the server holds after the save keeps every line it held before,
// with the script's addition.
#include "CardFixtures.h"
#include "ClientCards.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

class CardJsonRadicale : public ::testing::TestWithParam<ClientCard> {
protected:
    ConnectedPlugin plugin;
};

} // namespace

TEST_P(CardJsonRadicale, AnAddedEmailIsSavedBesideEveryLineTheServerHeld) {
    const ClientCard& card = GetParam();
    plugin.putCard("card", card.text);
    const std::string stored = plugin.peer.get(plugin.bookPath + "card.vcf").body;
    plugin.selectBook();
    const CallResult got = plugin.host.call("CardDav_GetvCardJSON", {Arg::text(card.uid)});
    ASSERT_EQ(got.error, 0);
    json changed = json::parse(got.text());
    const std::size_t emails = changed["emails"].size();
    ASSERT_GT(emails, 0u);
    changed["emails"].push_back({{"value", "added@example.org"}, {"label", "Added, too"}});
    ASSERT_EQ(plugin.host.call("CardDav_SetvCardJSON", {Arg::text(changed.dump())}).number(), 1);
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");

    const std::string saved = plugin.peer.get(plugin.bookPath + "card.vcf").body;
    std::vector<std::string> savedLines = logicalLines(saved);
    for (const std::string& line : logicalLines(stored)) {
        const auto at = std::find(savedLines.begin(), savedLines.end(), line);
        if (line.rfind("REV:", 0) == 0)
            continue;
        EXPECT_NE(at, savedLines.end()) << line << "\n" << saved;
    }
    plugin.selectBook();
    const json reread =
        json::parse(plugin.host.call("CardDav_GetvCardJSON", {Arg::text(card.uid)}).text());
    ASSERT_EQ(reread["emails"].size(), emails + 1);
    EXPECT_EQ(reread["emails"].back()["value"], "added@example.org");
    EXPECT_EQ(reread["emails"].back()["label"], "Added, too");
}

INSTANTIATE_TEST_SUITE_P(Styles, CardJsonRadicale, ::testing::ValuesIn(cardsRadicaleStores()),
                         [](const auto& info) { return cardStyleName(info.param); });
