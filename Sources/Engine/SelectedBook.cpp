#include "Engine/SelectedBook.h"

#include "Transport/HrefResolver.h"

#include <utility>

namespace {

// A collection URL in normal form with its final "/": "https://h/book" names the book
// "https://h/book/".
std::string normalBookUrl(const std::string& url) {
    return collectionUrl(normalUrl(url));
}

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

void SelectedBook::takeListing(cardlisting listing) {
    // What is known now becomes what was known: a card the listing no longer holds is still
    // named when a sync reports its removal.
    ++listings;
    byHref.reserve(listing.cards.size());
    // The cards' records are used again for the cards listed now rather than freed and made anew.
    spare = std::move(cardsByUid);
    cardsByUid.clear();
    groupsByUid.clear();
    categoriesKnown = listing.withCategories;
    FetchedCards keptBefore = std::move(texts);
    texts = FetchedCards();
    // Each card of the listing is freed once taken up: the book grows as the listing shrinks.
    for (; !listing.cards.empty(); listing.cards.pop_front(), listing.texts.pop_front()) {
        addresscard& entry = listing.cards.front();
        if (entry.uid.empty())
            continue;
        std::string text = std::move(listing.texts.front());
        // A text read before at the tag the listing names still serves.
        if (text.empty())
            if (const std::string* kept = keptBefore.find(entry.uid, entry.etag))
                text = *kept;
        // Texts are kept in the listing's order while room is left, none dropped for a later.
        if (texts.bytes() + text.size() > FetchedCards::kMaxBytes)
            text.clear();
        put(std::move(entry), std::move(text));
    }
    spare.clear();
}

std::map<std::string, addresscard>::node_type SelectedBook::spareRecord(addresscard card) {
    auto record = spare.extract(spare.begin());
    record.key() = card.uid;
    record.mapped() = std::move(card);
    return record;
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
    const auto [slot, added] = byHref.try_emplace(normalUrl(entryNow.url));
    AtHref& at = slot->second;
    // Whatever is known at this href now, under another UID, is no longer there. The href is
    // the new card's before that card goes, so that its going leaves the href alone.
    const bool replaced = !added && isNow(at) && at.known.uid != entryNow.uid;
    const std::string gone = replaced ? std::move(at.known.uid) : std::string();
    at.known = {entryNow.uid, entryNow.isgroup};
    at.listing = listings;
    if (known)
        place->second = std::move(entryNow);
    else if (!spare.empty())
        place = entries.insert(place, spareRecord(std::move(entryNow)));
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
