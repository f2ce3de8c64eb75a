// What the selected book knows of its cards by UID and by href as listings, writes and removals
// come: the rules a sync relies on to name every removal and never one of a card that exists.
#include "Engine/SelectedBook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kBook = "https://dav.example.com/book/";

addresscard listed(const std::string& uid, const std::string& name, bool isgroup = false) {
    addresscard card;
    card.uid = uid;
    card.url = kBook + name;
    card.etag = "t-" + uid;
    card.isgroup = isgroup;
    return card;
}

cardlisting listingOf(std::vector<addresscard> cards) {
    cardlisting listing;
    listing.texts.resize(cards.size());
    listing.cards.assign(cards.begin(), cards.end());
    return listing;
}

// The UID known at `name` ("" when nothing is), and "+" after it when that card is known now.
std::string at(const SelectedBook& book, const std::string& name) {
    const auto known = book.knownAt(kBook + name);
    if (!known)
        return "";
    return known->uid + (book.holds(known->uid) ? "+" : "");
}

TEST(SelectedBook, ListingsKeepOneCardPerUidAndPerHref) {
    struct Case {
        const char* what;
        std::vector<addresscard> cards;
        std::vector<std::string> uids;    // the cards, then the groups, known afterwards
        std::vector<std::string> atHrefs; // a.vcf, b.vcf, c.vcf as at() reads them
    };
    const Case cases[] = {
        {"plain", {listed("u1", "a.vcf"), listed("u2", "b.vcf")}, {"u1", "u2"}, {"u1+", "u2+", ""}},
        {"the same UID twice: the later stands, the earlier href names nothing",
         {listed("u1", "a.vcf"), listed("u1", "b.vcf")},
         {"u1"},
         {"", "u1+", ""}},
        {"the same href twice: the later card stands, the earlier is gone",
         {listed("u1", "a.vcf"), listed("u2", "a.vcf"), listed("u3", "c.vcf")},
         {"u2", "u3"},
         {"u2+", "", "u3+"}},
        {"a UID listed as card and then as group is the group",
         {listed("u1", "a.vcf"), listed("u1", "a.vcf", true)},
         {"group u1"},
         {"u1+", "", ""}},
        {"a card without UID is left out", {listed("", "a.vcf")}, {}, {"", "", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SelectedBook book;
        book.select(kBook);
        book.takeListing(listingOf(c.cards));
        std::vector<std::string> uids;
        for (const auto& card : book.cards())
            uids.push_back(card.first);
        for (const auto& group : book.groups())
            uids.push_back("group " + group.first);
        EXPECT_EQ(uids, c.uids);
        EXPECT_EQ(
            (std::vector<std::string>{at(book, "a.vcf"), at(book, "b.vcf"), at(book, "c.vcf")}),
            c.atHrefs);
    }
}

TEST(SelectedBook, WhatWasListedBeforeStaysKnownByHrefOnly) {
    SelectedBook book;
    book.select(kBook);
    book.takeListing(listingOf({listed("u1", "a.vcf"), listed("u2", "b.vcf")}));
    // u2 was deleted and u1 moved to c.vcf (deleted and written anew by a client) before the
    // book was listed again.
    book.takeListing(listingOf({listed("u1", "c.vcf")}));
    EXPECT_EQ(at(book, "b.vcf"), "u2");  // named when a sync reports its removal
    EXPECT_EQ(at(book, "a.vcf"), "u1+"); // the old href of a card that lives on
    EXPECT_EQ(at(book, "c.vcf"), "u1+");
    // Removals reported at hrefs known from before touch no card that exists.
    book.removeAt(kBook + "a.vcf");
    book.removeAt(kBook + "b.vcf");
    ASSERT_NE(book.card("u1"), nullptr);
    EXPECT_EQ(book.card("u1")->url, kBook + "c.vcf");
    // The href is compared in normal form; its removal removes the card.
    book.removeAt("HTTPS://dav.example.com:443/book/./c.vcf");
    EXPECT_EQ(book.card("u1"), nullptr);
    EXPECT_EQ(at(book, "c.vcf"), "");

    // A card written at an href known from before takes it over.
    book.put(listed("u3", "b.vcf"));
    EXPECT_EQ(at(book, "b.vcf"), "u3+");
    // A card now at another card's href replaces it.
    book.put(listed("u4", "b.vcf"));
    EXPECT_EQ(book.card("u3"), nullptr);
    EXPECT_EQ(at(book, "b.vcf"), "u4+");
    // A card that moves leaves its old href.
    book.put(listed("u4", "d.vcf"));
    EXPECT_EQ(at(book, "b.vcf"), "");
    EXPECT_EQ(at(book, "d.vcf"), "u4+");
}

// A record known from the last listing stands for a card only where the new listing says all
// the same of it: a card with anything of it changed is taken as listed.
TEST(SelectedBook, ACardListedWithAnythingChangedIsTakenAsListed) {
    const auto described = [](const addresscard& c) {
        std::string all = c.cardid + "|" + c.etag + "|" + c.lastmodified + "|" + c.creationdate +
                          "|" + c.url + "|" + c.displayname + "|" +
                          std::to_string(c.contentlength.value_or(0)) + "|" + c.uid + "|" +
                          std::to_string(c.isgroup) + "|" + c.fn;
        for (const auto* names : {&c.members, &c.categories})
            for (const std::string& name : *names)
                all += "|" + name;
        return all;
    };
    const std::vector<void (*)(addresscard&)> changes = {
        [](addresscard& c) { c.cardid = "b2"; },      [](addresscard& c) { c.etag = "t-new"; },
        [](addresscard& c) { c.lastmodified = "x"; }, [](addresscard& c) { c.creationdate = "x"; },
        [](addresscard& c) { c.displayname = "x"; },  [](addresscard& c) { c.contentlength = 9; },
        [](addresscard& c) { c.members = {"m"}; },    [](addresscard& c) { c.fn = "New Name"; },
        [](addresscard& c) { c.categories = {"x"}; },
    };
    for (const auto change : changes) {
        std::vector<addresscard> cards = {listed("u1", "a.vcf"), listed("u2", "b.vcf")};
        SelectedBook book;
        book.select(kBook);
        book.takeListing(listingOf(cards));
        change(cards[1]);
        book.takeListing(listingOf(cards));
        ASSERT_NE(book.card("u2"), nullptr);
        EXPECT_EQ(described(*book.card("u2")), described(cards[1]));
        EXPECT_EQ(at(book, "a.vcf"), "u1+");
    }
}

// A long listing is taken on two threads (the index by href beside the records by UID), its
// UIDs ordered on their first bytes first: the same rules hold as for a short one, taken again
// with every kind of change since. The UIDs share their first sixteen bytes.
TEST(SelectedBook, ALongListingTakenAgainKeepsTheRules) {
    const auto u = [](int n) { return "urn:uuid:0000-00-" + std::to_string(n); };
    std::vector<addresscard> cards;
    for (int n = 0; n < 1500; ++n)
        cards.push_back(listed(u(n), std::to_string(n) + ".vcf"));
    SelectedBook book;
    book.select(kBook);
    book.takeListing(listingOf(cards));
    book.takeListing(listingOf(cards)); // unchanged: every record is kept as it is
    ASSERT_EQ(book.cards().size(), 1500u);
    EXPECT_EQ(at(book, "1499.vcf"), u(1499) + "+");
    std::vector<addresscard> again = cards;
    again.erase(again.begin() + 5);                 // 5 deleted
    again[6] = listed(u(7), "moved.vcf");           // 7 moved
    again[8] = listed(u(9), "9.vcf", true);         // 9 now a group card
    again[10] = listed(u(11), "shared.vcf");        // 11 listed at an href...
    again.push_back(listed("extra", "shared.vcf")); // ...and another card after it: 11 is gone
    again.push_back(listed("new", "new.vcf"));
    book.takeListing(listingOf(again));
    EXPECT_EQ(book.cards().size(), 1500u - 3 + 2); // 5, 9 and 11 gone; extra and new come
    EXPECT_EQ(book.card(u(5)), nullptr);
    EXPECT_EQ(at(book, "5.vcf"), u(5));
    EXPECT_EQ(at(book, "7.vcf"), u(7) + "+");
    EXPECT_EQ(at(book, "moved.vcf"), u(7) + "+");
    EXPECT_NE(book.group(u(9)), nullptr);
    EXPECT_EQ(book.card(u(9)), nullptr);
    EXPECT_EQ(book.card(u(11)), nullptr);
    EXPECT_EQ(at(book, "shared.vcf"), "extra+");
    EXPECT_EQ(at(book, "11.vcf"), u(11));
    EXPECT_EQ(at(book, "new.vcf"), "new+");
    ASSERT_NE(book.card(u(1499)), nullptr);
    EXPECT_EQ(book.card(u(1499))->url, kBook + "1499.vcf");

    // A UID listed twice in a long listing: the later card stands.
    cards.push_back(listed(u(3), "again.vcf"));
    book.takeListing(listingOf(cards));
    EXPECT_EQ(book.cards().size(), 1500u);
    EXPECT_EQ(at(book, "again.vcf"), u(3) + "+");
}

} // namespace
