// Cards as contact programs write them, read and edited through the card functions against a
// server that stores exactly what it is given: what the script did not change must reach the
// server as it came, line for line.
#include "CardFixtures.h"
#include "CardStore.h"
#include "ClientCards.h"
#include "Functions/Sessions.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using loopback::Response;

class ClientCardLoopback : public ::testing::TestWithParam<ClientCard> {
protected:
    LoopbackPlugin plugin;
};

std::string text(PluginHarness& host, const std::string& item) {
    return host.call("CardDav_GetvCardItem", {Arg::text(item)}).text();
}

} // namespace

TEST_P(ClientCardLoopback, ReadsTheFieldsAndSendsBackEveryLineTheScriptDidNotChange) {
    const ClientCard& card = GetParam();
    plugin.selectBook({{"/home/book/card.vcf", "t1", card.text}});
    EXPECT_EQ(plugin.host.call("CardDav_GetAddressbookvCards").text(), card.uid + "\r")
        << "the listing summary reads the card";

    plugin.server.enqueue(Response(200, {"ETag: \"t2\""}, card.text));
    ASSERT_EQ(plugin.host.call("CardDav_GetvCard", {Arg::text(card.uid)}).number(), 1);
    for (const auto& [field, value] : card.reads)
        EXPECT_EQ(text(plugin.host, field), value) << field;
    if (!card.photo.empty()) {
        const CallResult photo = plugin.host.call("CardDav_GetvCardItem", {Arg::text("photo")});
        EXPECT_EQ(photo.error, 0);
        ASSERT_NE(photo.value.stream(card.photoStream), nullptr);
        EXPECT_EQ(photo.value.stream(card.photoStream)->bytes, card.photo);
    }

    const CallResult set =
        plugin.host.call("CardDav_SetvCardItem", {Arg::text(card.field), changedValue(card)});
    EXPECT_EQ(set.error, 0);
    EXPECT_EQ(set.number(), 1);
    if (card.field != "photo") {
        EXPECT_EQ(text(plugin.host, card.field), card.newValue);
    }

    plugin.server.enqueue(Response(204, {"ETag: \"t3\""}));
    EXPECT_EQ(plugin.host.call("CardDav_SaveCard").text(), "Saved");
    const std::string sent = plugin.server.lastRequest().body;
    EXPECT_EQ(logicalLines(sent), linesAfterChange(card, card.text)) << sent;
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
