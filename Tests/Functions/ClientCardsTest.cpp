// Cards as contact programs write them, read and edited through the card functions: what the
// script did not change must reach the server as it came, line for line. Radicale rewrites every
// card it stores, so what a server holds after the plug-in's save is compared with what it makes
// of the same card carrying only the script's change, stored by another client; the loopback
// server stores exactly what it is given.
#include "ClientCards.h"
#include "BookOnServer.h"
#include "CardFixtures.h"
#include "CardStore.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

using loopback::Response;

class ClientCardOnServer : public ::testing::TestWithParam<std::tuple<ServerKind, ClientCard>> {
protected:
    std::string text(const std::string& item) {
        return book.call("CardDav_GetvCardItem", {Arg::text(item)}).text();
    }

    BookOnServer book{std::get<0>(GetParam())};
    const ClientCard& card = std::get<1>(GetParam());
};

class ClientCardLoopback : public ::testing::TestWithParam<ClientCard> {
protected:
    LoopbackPlugin plugin;
};

} // namespace

TEST_P(ClientCardOnServer, ReadsTheFieldsAndTheServerHoldsTheCardWithOnlyTheScriptsChange) {
    book.put("card", card.text);
    const std::string stored = book.text("card");
    book.select();
    EXPECT_EQ(book.call("CardDav_GetAddressbookvCards").text(), card.uid + "\r")
        << "the listing summary reads the card";
    ASSERT_EQ(book.call("CardDav_GetvCard", {Arg::text(card.uid)}).number(), 1);
    // The fields whose text the server kept as it came read as from the card itself.
    for (const auto& [field, value] : card.reads) {
        if (book.store || contains(stored, value)) {
            EXPECT_EQ(text(field), value) << field;
        }
    }
    // Radicale cuts a data URI at its comma: the photo is read where the card is held whole.
    if (!card.photo.empty() && book.store) {
        const CallResult photo = book.call("CardDav_GetvCardItem", {Arg::text("photo")});
        EXPECT_EQ(photo.error, 0);
        ASSERT_NE(photo.value.stream(card.photoStream), nullptr);
        EXPECT_EQ(photo.value.stream(card.photoStream)->bytes, card.photo);
    }

    const CallResult set =
        book.call("CardDav_SetvCardItem", {Arg::text(card.field), changedValue(card)});
    EXPECT_EQ(set.error, 0);
    EXPECT_EQ(set.number(), 1);
    if (card.field != "photo") {
        EXPECT_EQ(text(card.field), card.newValue);
    }
    EXPECT_EQ(book.call("CardDav_SaveCard").text(), "Saved");

    const std::vector<std::string> expected = linesAfterChange(card, card.text);
    if (book.store) {
        EXPECT_EQ(logicalLines(book.text("card")), expected) << book.text("card");
        return;
    }
    book.createBook("/alice/reference/");
    book.put("/alice/reference/card.vcf", joined(expected, "\r\n"));
    EXPECT_EQ(logicalLines(book.text("card")), logicalLines(book.text("/alice/reference/card.vcf")))
        << book.text("card");
}

TEST_P(ClientCardLoopback, SavingWithoutAChangeSendsTheCardLineForLine) {
    const ClientCard& card = GetParam();
    plugin.selectBook({{"/home/book/card.vcf", "t1", card.text}});
    plugin.server.enqueue(Response(200, {"ETag: \"t2\""}, card.text));
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text(card.uid)}).number(), 1);
    // Writing what a field already holds is no change.
    for (const auto& [field, value] : card.reads)
        plugin.host.call("CardDav_SetvCardItem", {Arg::text(field), Arg::text(value)});

    plugin.server.enqueue(Response(204, {"ETag: \"t3\""}));
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    const std::string sent = plugin.server.lastRequest().body;
    EXPECT_EQ(logicalLines(sent), logicalLines(card.text)) << sent;
    EXPECT_EQ(sent.find('\n'), sent.find("\r\n") + 1) << "CR LF line ends";
}

TEST_P(ClientCardLoopback, SettingItsGroupsRewritesTheCategoriesLineAlone) {
    const ClientCard& card = GetParam();
    CardStore store(plugin.server);
    store.serveBook("/home/book/");
    store.put("/home/book/card.vcf", card.text, "t1");
    ASSERT_EQ(plugin.host.call("CardDav_SetGroupStyle", {Arg::text("categories")}).number(), 1);
    ASSERT_EQ(plugin.host.call("CardDav_SelectAddressBook", {Arg::text(plugin.bookUrl())}).error,
              0);
    const std::string held =
        plugin.host.call("CardDav_GetvCardGroups", {Arg::text(card.uid)}).text();
    EXPECT_EQ(
        plugin.host.call("CardDav_SetvCardGroups", {Arg::text(card.uid), Arg::text(held + "Added")})
            .text(),
        "Saved");

    std::vector<std::string> expected = logicalLines(card.text);
    const auto categories = std::find_if(expected.begin(), expected.end(), [](const auto& line) {
        return line.rfind("CATEGORIES:", 0) == 0;
    });
    if (categories == expected.end())
        expected.insert(expected.end() - 1, "CATEGORIES:Added");
    else
        *categories += ",Added";
    EXPECT_EQ(logicalLines(store.text("/home/book/card.vcf")), expected);
}

INSTANTIATE_TEST_SUITE_P(Styles, ClientCardLoopback, ::testing::ValuesIn(clientCards()),
                         [](const auto& info) { return cardStyleName(info.param); });
INSTANTIATE_TEST_SUITE_P(Loopback, ClientCardOnServer,
                         ::testing::Combine(::testing::Values(ServerKind::loopback),
                                            ::testing::ValuesIn(clientCards())),
                         [](const auto& info) { return cardStyleName(std::get<1>(info.param)); });
INSTANTIATE_TEST_SUITE_P(Radicale, ClientCardOnServer,
                         ::testing::Combine(::testing::Values(ServerKind::radicale),
                                            ::testing::ValuesIn(cardsRadicaleStores())),
                         [](const auto& info) { return cardStyleName(std::get<1>(info.param)); });
