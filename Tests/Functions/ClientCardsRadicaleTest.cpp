// Cards as contact programs write them, read and edited through the card functions on a real
// server (Radicale on loopback). Radicale rewrites every card it stores, so what it holds after
// the plug-in's save is compared with what it makes of the same card carrying only the script's
// change, stored by another client.
#include "CardFixtures.h"
#include "ClientCards.h"

#include <gtest/gtest.h>

namespace {

class ClientCardRadicale : public ::testing::TestWithParam<ClientCard> {
protected:
    ConnectedPlugin plugin;
};

} // namespace

TEST_P(ClientCardRadicale, TheServerHoldsTheCardWithOnlyTheScriptsChange) {
    const ClientCard& card = GetParam();
    plugin.putCard("card", card.text);
    const std::string stored = plugin.peer.get(plugin.bookPath + "card.vcf").body;
    plugin.selectBook();
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text(card.uid)}).number(), 1);
    // The fields whose text the server kept as it came read as from the card itself.
    for (const auto& [field, value] : card.reads) {
        if (stored.find(value) != std::string::npos) {
            EXPECT_EQ(plugin.host.call("CardDav_GetvCardItem", {Arg::text(field)}).text(), value)
                << field;
        }
    }

    EXPECT_EQ(
        plugin.host.call("CardDav_SetvCardItem", {Arg::text(card.field), changedValue(card)}).error,
        0);
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    const PeerResponse saved = plugin.peer.get(plugin.bookPath + "card.vcf");
    ASSERT_EQ(saved.status, 200);

    const std::string referenceBook = plugin.server.homePath() + "reference/";
    ASSERT_EQ(plugin.peer.createAddressBook(referenceBook, "Reference").status, 201);
    ASSERT_EQ(
        plugin.peer
            .put(referenceBook + "card.vcf", joined(linesAfterChange(card, card.text), "\r\n"))
            .status,
        201);
    const PeerResponse reference = plugin.peer.get(referenceBook + "card.vcf");
    EXPECT_EQ(logicalLines(saved.body), logicalLines(reference.body)) << saved.body;
}

INSTANTIATE_TEST_SUITE_P(Styles, ClientCardRadicale, ::testing::ValuesIn(cardsRadicaleStores()),
                         [](const auto& info) { return cardStyleName(info.param); });
