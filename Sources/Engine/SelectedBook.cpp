#include "Engine/SelectedBook.h"

#include "Transport/HrefResolver.h"
#include "Utils/BothAtOnce.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// A collection URL in normal form with its final "/": "https://h/book" names the book
// "https://h/book/".
std::string normalBookUrl(const std::string& url) {
    return collectionUrl(normalUrl(url));
}

// Eight bytes of `text` from `at` as one number, the first the highest, zeros beyond its end: the
// numbers of two texts compare as their bytes do.
std::uint64_t bigEndianBytes(const std::string& text, std::size_t at) {
    std::uint64_t bytes = 0;
    for (std::size_t i = at; i < at + 8; ++i)
        bytes = (bytes << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    return bytes;
}

// A listed card's place in the order of the UIDs: its UID's first sixteen bytes, and its index.
struct UidOrder {
    std::uint64_t start;
    std::uint64_t next;
    std::size_t index;
};

} // namespace

bool SelectedBook::isBook(const std::string& url) const {
    return isSelected() && normalBookUrl(url) == normalBookUrl(bookUrl);
}

void SelectedBook::select(const std::string& url) {
    if (isBook(url)) {
        bookUrl = url;
        return;
    }
    std::set<std::string> readOnly = std::move(readOnlyBooks);
    forget();
    readOnlyBooks = std::move(readOnly);
    bookUrl = url;
}

void SelectedBook::forget() {
    *this = SelectedBook();
}

bool SelectedBook::isReadOnly(const std::string& url) const {
    return readOnlyBooks.count(normalBookUrl(url)) > 0;
}

void SelectedBook::learnWritable(const std::string& url, bool writable) {
    if (writable)
        readOnlyBooks.erase(normalBookUrl(url));
    else
        readOnlyBooks.insert(normalBookUrl(url));
}

void SelectedBook::ListedCards::add(ListedEntry&& listed, std::string&& text) {
    if (listed.isKnown()) {
        if (!known.card(listed.knownPlace).uid.empty()) {
            cards.push_back({CardRecord(), std::move(text), 0, 0, listed.knownPlace});
            ++knownCount;
        }
        return;
    }
    const std::string& uid = listed.record.key();
    if (!uid.empty()) {
        const std::uint64_t start = bigEndianBytes(uid, 0), next = bigEndianBytes(uid, 8);
        cards.push_back(
            {std::move(listed.record), std::move(text), start, next, KnownCards::kNone});
    }
}

void SelectedBook::takeListing(cardlisting listing) {
    // Each card is freed from the listing as it becomes a record: what is held grows no more
    // than the listing shrinks.
    ListedCards listed(*this);
    listed.withCategories = listing.withCategories;
    for (; !listing.cards.empty(); listing.cards.pop_front(), listing.texts.pop_front()) {
        ListedEntry card;
        card.knownPlace = listed.known.sameAs(listing.cards.front());
        if (card.knownPlace == KnownCards::kNone)
            card.record = recordOf(std::move(listing.cards.front()));
        listed.add(std::move(card), std::move(listing.texts.front()));
    }
    takeListing(std::move(listed));
}

void SelectedBook::takeListing(ListedCards listed) {
    // What is known now becomes what was known: a card the listing no longer holds is still
    // named when a sync reports its removal.
    ++listings;
    categoriesKnown = listed.withCategories;
    FetchedCards keptBefore = std::move(texts);
    texts = FetchedCards();
    // A text read before at the tag the listing names still serves.
    for (ListedCards::Listed& card : listed.cards) {
        const addresscard& record = listed.card(card);
        if (card.text.empty())
            if (const std::string* kept = keptBefore.find(record.uid, record.etag))
                card.text = *kept;
    }
    keptBefore.clear();
    if (listed.knownCount > 0 && takeKeepingKnown(listed))
        return;
    // The known records the listing names become new ones, as all its other cards are.
    for (ListedCards::Listed& card : listed.cards)
        if (card.record.empty()) {
            card.record = recordOf(addresscard(listed.known.card(card.knownPlace)));
            card.uidStart = bigEndianBytes(card.record.key(), 0);
            card.uidNext = bigEndianBytes(card.record.key(), 8);
        }
    takeAnew(listed);
}

bool SelectedBook::takeKeepingKnown(ListedCards& listed) {
    const KnownCards& known = listed.known;
    std::vector<ListedCards::Listed>& cards = listed.cards;
    // Every UID once: a known record stands for one listed card at most, and a new record has a
    // UID of its own, none of a known record that stays.
    std::vector<bool> stays(known.places());
    std::vector<const std::string*> newUids;
    for (const ListedCards::Listed& card : cards) {
        if (!card.record.empty())
            newUids.push_back(&card.record.key());
        else if (stays[card.knownPlace])
            return false;
        else
            stays[card.knownPlace] = true;
    }
    const auto byValue = [](const std::string* a, const std::string* b) { return *a < *b; };
    std::sort(newUids.begin(), newUids.end(), byValue);
    if (std::adjacent_find(newUids.begin(), newUids.end(),
                           [](auto a, auto b) { return *a == *b; }) != newUids.end())
        return false;
    for (const std::string* uid : newUids)
        for (const CardsByUid* entries : {&cardsByUid, &groupsByUid})
            if (const auto found = entries->find(*uid); found != entries->end()) {
                const std::size_t place = known.placeOf(found);
                if (place == KnownCards::kNone || stays[place])
                    return false;
            }
    std::vector<const addresscard*> records(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i)
        records[i] = &listed.card(cards[i]);
    for (std::size_t place = 0; place < known.places(); ++place)
        if (known.isUsed(place) && !stays[place])
            (known.isGroup(place) ? groupsByUid : cardsByUid).erase(known.at(place));
    for (ListedCards::Listed& card : cards)
        if (!card.record.empty()) {
            CardsByUid& entries = card.record.mapped().isgroup ? groupsByUid : cardsByUid;
            entries.insert(std::move(card.record));
        }
    std::vector<std::string> displaced;
    indexByHref(listed, records, displaced);
    for (const std::string& uid : displaced) {
        cardsByUid.erase(uid);
        groupsByUid.erase(uid);
    }
    return true;
}

void SelectedBook::takeAnew(ListedCards& listed) {
    std::vector<ListedCards::Listed>& cards = listed.cards;
    byHref.reserve(cards.size());
    // The cards in the order of their UIDs, sorted on the first sixteen bytes of each held beside
    // its index and on the whole UID only where those are the same: a UID read where its record
    // lies would cost a trip to memory for every comparison of a long listing.
    std::vector<UidOrder> byUid(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i)
        byUid[i] = {cards[i].uidStart, cards[i].uidNext, i};
    const auto sameStart = [](const UidOrder& a, const UidOrder& b) {
        return a.start == b.start && a.next == b.next;
    };
    const auto before = [&](const UidOrder& a, const UidOrder& b) {
        if (!sameStart(a, b))
            return a.start != b.start ? a.start < b.start : a.next < b.next;
        return cards[a.index].record.key() < cards[b.index].record.key();
    };
    // A long listing's halves are sorted at once, then merged.
    constexpr std::size_t kLongListing = 1000;
    if (cards.size() < kLongListing) {
        std::sort(byUid.begin(), byUid.end(), before);
    } else {
        const auto middle = byUid.begin() + static_cast<std::ptrdiff_t>(byUid.size() / 2);
        bothAtOnce([&] { std::sort(byUid.begin(), middle, before); },
                   [&] { std::sort(middle, byUid.end(), before); });
        std::inplace_merge(byUid.begin(), middle, byUid.end(), before);
    }
    const bool uidsDiffer =
        std::adjacent_find(byUid.begin(), byUid.end(), [&](const UidOrder& a, const UidOrder& b) {
            return sameStart(a, b) && cards[a.index].record.key() == cards[b.index].record.key();
        }) == byUid.end();
    if (!uidsDiffer) {
        // A server that lists a UID twice: the cards are taken one after the other, the later
        // standing.
        cardsByUid.clear();
        groupsByUid.clear();
        for (ListedCards::Listed& card : cards)
            put(std::move(card.record.mapped()), textWithinRoom(std::move(card.text)));
        return;
    }
    // Every UID once: the index by href (with the kept texts) and the records by UID are built at
    // once where the listing is long. Both read the listed cards and neither changes one; the
    // records are read where they are, whichever map holds them.
    std::vector<const addresscard*> records(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i)
        records[i] = &cards[i].record.mapped();
    std::vector<std::string> displaced;
    // The records known before go whatever the listing holds; the listed ones, in the order of
    // their UIDs, make the maps anew, each going in after the one before.
    CardsByUid cardsBefore;
    CardsByUid groupsBefore;
    cardsBefore.swap(cardsByUid);
    groupsBefore.swap(groupsByUid);
    const auto index = [&] { indexByHref(listed, records, displaced); };
    const auto fileByUid = [&] {
        for (const UidOrder& order : byUid) {
            auto& record = cards[order.index].record;
            CardsByUid& entries = record.mapped().isgroup ? groupsByUid : cardsByUid;
            entries.insert(entries.end(), std::move(record));
        }
    };
    const auto freeBefore = [&] {
        cardsBefore.clear();
        groupsBefore.clear();
    };
    // Freeing a record costs about what indexing and filing one do together: where as many
    // were known before as were listed, one thread frees while the other indexes and files.
    if (cards.size() < kLongListing) {
        index();
        fileByUid();
        freeBefore();
    } else if (cardsBefore.size() + groupsBefore.size() >= cards.size() / 2) {
        bothAtOnce(
            [&] {
                index();
                fileByUid();
            },
            freeBefore);
    } else {
        bothAtOnce(index, [&] {
            fileByUid();
            freeBefore();
        });
    }
    for (const std::string& uid : displaced) {
        cardsByUid.erase(uid);
        groupsByUid.erase(uid);
    }
}

void SelectedBook::indexByHref(ListedCards& listed, const std::vector<const addresscard*>& records,
                               std::vector<std::string>& displaced) {
    // In the listing's order, a card listed at the href of one listed before it replacing that
    // one.
    for (std::size_t i = 0; i < records.size(); ++i) {
        const addresscard& record = *records[i];
        std::string text = textWithinRoom(std::move(listed.cards[i].text));
        AtHref& at = hrefSlot(record.url).first->second;
        if (isNow(at) && at.known.uid != record.uid) {
            texts.drop(at.known.uid);
            displaced.push_back(std::move(at.known.uid));
        }
        // Copied only where it changed: a UID as long as most clients write them would
        // otherwise be made anew for every card of every listing.
        if (at.known.uid != record.uid)
            at.known.uid = record.uid;
        at.known.isgroup = record.isgroup;
        at.listing = listings;
        if (!text.empty())
            texts.keep(record.uid, record.etag, std::move(text));
    }
}

std::string SelectedBook::textWithinRoom(std::string text) const {
    // Texts are kept in the listing's order while room is left, none dropped for a later.
    if (texts.bytes() + text.size() > FetchedCards::kMaxBytes)
        text.clear();
    return text;
}

std::pair<std::unordered_map<std::string, SelectedBook::AtHref>::iterator, bool>
SelectedBook::hrefSlot(const std::string& url) {
    // Nearly every URL a server names is in normal form already, and is its own key.
    if (isNormalUrl(url))
        return byHref.try_emplace(url);
    return byHref.try_emplace(normalUrl(url));
}

addresscard* SelectedBook::entry(const std::string& uid, bool isgroup) {
    auto& entries = isgroup ? groupsByUid : cardsByUid;
    const auto found = entries.find(uid);
    return found == entries.end() ? nullptr : &found->second;
}

addresscard* SelectedBook::card(const std::string& uid) {
    return entry(uid, false);
}

const addresscard* SelectedBook::card(const std::string& uid) const {
    const auto found = cardsByUid.find(uid);
    return found == cardsByUid.end() ? nullptr : &found->second;
}

addresscard* SelectedBook::group(const std::string& uid) {
    return entry(uid, true);
}

const addresscard* SelectedBook::group(const std::string& uid) const {
    const auto found = groupsByUid.find(uid);
    return found == groupsByUid.end() ? nullptr : &found->second;
}

std::optional<SelectedBook::Known> SelectedBook::knownAt(const std::string& url) const {
    const auto found = byHref.find(normalUrl(url));
    if (found == byHref.end())
        return std::nullopt;
    return found->second.known;
}

void SelectedBook::unindex(const addresscard& old) {
    const auto found = byHref.find(normalUrl(old.url));
    if (found != byHref.end() && found->second.known.uid == old.uid)
        byHref.erase(found);
}

void SelectedBook::put(addresscard entryNow, std::string text) {
    // The card with this UID, possibly at another href or of the other kind, leaves its place.
    auto& entries = entryNow.isgroup ? groupsByUid : cardsByUid;
    auto& others = entryNow.isgroup ? cardsByUid : groupsByUid;
    if (const auto other = others.find(entryNow.uid); other != others.end()) {
        unindex(other->second);
        others.erase(other);
    }
    auto place = entries.lower_bound(entryNow.uid);
    const bool known = place != entries.end() && place->first == entryNow.uid;
    if (known && place->second.url != entryNow.url)
        unindex(place->second);
    // One lookup of the href, for what is known there and for what will be.
    const auto [slot, added] = hrefSlot(entryNow.url);
    AtHref& at = slot->second;
    // Whatever is known at this href now, under another UID, is no longer there. The href is
    // the new card's before that card goes, so that its going leaves the href alone.
    const bool replaced = !added && isNow(at) && at.known.uid != entryNow.uid;
    const std::string gone = replaced ? std::move(at.known.uid) : std::string();
    at.known = {entryNow.uid, entryNow.isgroup};
    at.listing = listings;
    if (known)
        place->second = std::move(entryNow);
    else // the key is copied before the card is moved
        place = entries.emplace_hint(place, entryNow.uid, std::move(entryNow));
    const addresscard& stored = place->second;
    if (replaced)
        remove(gone);
    if (!text.empty())
        texts.keep(stored.uid, stored.etag, std::move(text));
    else if (!texts.find(stored.uid, stored.etag))
        texts.drop(stored.uid);
}

void SelectedBook::remove(const std::string& uid) {
    for (const bool isgroup : {false, true}) {
        auto& entries = isgroup ? groupsByUid : cardsByUid;
        const auto found = entries.find(uid);
        if (found == entries.end())
            continue;
        unindex(found->second);
        entries.erase(found);
    }
    texts.drop(uid);
}

void SelectedBook::removeAt(const std::string& url) {
    const auto found = byHref.find(normalUrl(url));
    if (found != byHref.end() && isNow(found->second))
        remove(std::string(found->second.known.uid));
}

void SelectedBook::retag(const std::string& uid, const std::string& etag) {
    for (const bool isgroup : {false, true}) {
        if (addresscard* found = entry(uid, isgroup)) {
            if (found->etag != etag)
                texts.drop(uid);
            found->etag = etag;
        }
    }
}

const std::string* SelectedBook::keptText(const std::string& uid) const {
    const addresscard* known = card(uid);
    if (!known)
        known = group(uid);
    return known ? texts.find(uid, known->etag) : nullptr;
}

bool SelectedBook::keep(const std::string& uid, std::string text) {
    const addresscard* known = card(uid);
    if (!known)
        known = group(uid);
    if (!known)
        return false;
    texts.keep(uid, known->etag, std::move(text));
    return texts.find(uid, known->etag) != nullptr;
}
