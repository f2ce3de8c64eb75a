#include "Engine/Changes.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/FetchedCards.h"
#include "Engine/SyncReading.h"
#include "Transport/EntityTag.h"
#include "Transport/HrefResolver.h"

#include <unordered_map>
#include <utility>

namespace {

// Reads the changed cards the sync answer came without (or with a text that names no card).
// Every one must come back with its text, or as removed since; a card the server leaves out, or
// sends again without a UID, fails the call.
Verdict readChangedTexts(CardDavClient& client, const std::string& bookUrl, BookChanges& changes,
                         std::size_t& textBudget) {
    std::vector<std::string> urls;
    std::vector<syncchange*> unread;
    for (syncchange& change : changes.changes) {
        if (change.removed || change.read)
            continue;
        urls.push_back(change.card.url);
        unread.push_back(&change);
    }
    return readEveryCard(
        client, bookUrl, urls, textBudget,
        [&](std::size_t asked, cardtext card) {
            syncchange& change = *unread[asked];
            // The text and the tag it was read at belong together; a multiget that names no tag
            // leaves the sync answer's.
            std::string etag = std::move(change.card.etag);
            std::string lastmodified = std::move(change.card.lastmodified);
            change.card = std::move(card.card);
            if (change.card.etag.empty())
                change.card.etag = std::move(etag);
            if (change.card.lastmodified.empty())
                change.card.lastmodified = std::move(lastmodified);
            change.read = true;
            change.text = std::move(card.text);
        },
        [&](std::size_t asked) { unread[asked]->removed = true; });
}

// Brings the book in step with the changes, and tells them. Every change is a removal or a card
// read with its UID.
std::vector<CardChange> applyChanges(SelectedBook& book, BookChanges& changes) {
    std::vector<CardChange> told;
    for (syncchange& change : changes.changes) {
        addresscard& entry = change.card;
        const std::string url = entry.url;
        const std::optional<SelectedBook::Known> known = book.knownAt(url);
        if (change.removed) {
            told.push_back({CardChange::Kind::Deleted, known ? known->uid : "", "",
                            known && known->isgroup, url, ""});
            book.removeAt(url);
            continue;
        }
        // Another card now at the same href: the one known there is gone.
        if (known && (known->uid != entry.uid || known->isgroup != entry.isgroup)) {
            told.push_back({CardChange::Kind::Deleted, known->uid, "", known->isgroup, url, ""});
            book.removeAt(url);
        }
        told.push_back({CardChange::Kind::Changed, entry.uid, entry.etag, entry.isgroup, url, ""});
        book.put(std::move(entry), std::move(change.text));
    }
    return told;
}

// A stored line of CompareETags: href, tag and, when given, UID.
struct HeldCard {
    std::string href;
    std::string etag;
    std::string uid;
    bool listed = false;
};

std::vector<HeldCard> heldCards(const std::string& text, const std::string& bookUrl) {
    std::vector<HeldCard> held;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty())
            continue;
        const std::size_t tab = line.find('\t');
        const std::size_t second = tab == std::string::npos ? tab : line.find('\t', tab + 1);
        HeldCard card;
        card.href = resolveHref(bookUrl, line.substr(0, tab));
        if (tab != std::string::npos)
            card.etag = storedEntityTag(line.substr(tab + 1, second - tab - 1));
        if (second != std::string::npos)
            card.uid = line.substr(second + 1, line.find('\t', second + 1) - second - 1);
        held.push_back(std::move(card));
    }
    return held;
}

} // namespace

ChangesSince changesSince(Session& session, const std::string& token, const std::string& bookUrl) {
    SelectedBook& book = session.book;
    // A book named here needs no listing first: what changed is read from it directly.
    if (Verdict named = selectNamedBook(session, bookUrl); !named.ok())
        return {std::move(named), "ERROR", {}};
    // Texts that come with the changes are kept for opening the cards later, as far as the room
    // for fetched texts goes; every card is learnt all the same.
    std::size_t textBudget = FetchedCards::kMaxBytes;
    BookChanges changes;
    ChangesRead read = readChanges(session.cd, book.url(), token, changes, textBudget);
    if (!read.verdict.ok())
        // Nothing changed: the script's token still stands for what it holds.
        return {std::move(read.verdict), std::move(read.failure), {}};
    if (Verdict texts = readChangedTexts(session.cd, book.url(), changes, textBudget); !texts.ok())
        return {std::move(texts), "ERROR", {}};
    std::vector<CardChange> told = applyChanges(book, changes);
    book.token = std::move(changes.token);
    return {{}, "", std::move(told)};
}

Judged<std::vector<CardChange>> compareTags(Session& session, const std::string& stored) {
    SelectedBook& book = session.book;
    if (Verdict selected = selectNamedBook(session, ""); !selected.ok())
        return {std::move(selected), {}};
    // The token first, as a selection reads it, so that a sync from it repeats nothing this
    // reconciliation missed.
    BookToken token = bookSyncToken(session, book.url());
    if (!token.verdict.ok())
        return {std::move(token.verdict), {}};
    Listing listing = listAddressBook(session, book.url());
    if (!listing.verdict.ok())
        return {std::move(listing.verdict), {}};
    std::vector<HeldCard> held = heldCards(stored, book.url());
    std::unordered_map<std::string, HeldCard*> heldByHref;
    for (HeldCard& card : held)
        if (!heldByHref.emplace(normalUrl(card.href), &card).second)
            card.listed = true; // held twice: one line is enough

    std::vector<CardChange> told;
    for (const addresscard& card : listing.cards.cards) {
        const auto found = heldByHref.find(normalUrl(card.url));
        if (found != heldByHref.end())
            found->second->listed = true;
        if (found == heldByHref.end() || found->second->etag != card.etag)
            told.push_back(
                {CardChange::Kind::Changed, card.uid, card.etag, card.isgroup, card.url, ""});
    }
    book.takeListing(std::move(listing.cards));
    book.token = token.token;
    for (const HeldCard& card : held) {
        if (card.listed)
            continue;
        const std::optional<SelectedBook::Known> known = book.knownAt(card.href);
        const std::string uid = !card.uid.empty() ? card.uid : known ? known->uid : "";
        told.push_back(
            {CardChange::Kind::Deleted, uid, "", known && known->isgroup, card.href, ""});
    }
    return {{}, std::move(told)};
}

std::vector<CardChange> knownTags(const Session& session) {
    std::vector<CardChange> known;
    for (const auto* entries : {&session.book.cards(), &session.book.groups()})
        for (const auto& [uid, card] : *entries)
            known.push_back({CardChange::Kind::Changed, uid, card.etag, card.isgroup, card.url,
                             card.lastmodified});
    return known;
}

namespace {

// Judges an answer that lists the card's tag against the tag the script holds.
struct ListedTag {
    TagCheck check;
    // The answer settled nothing: a failure other than 404, or a listing without exactly one
    // card.
    bool inconclusive = false;
    // The answer was a complete listing of no card at all.
    bool emptyListing = false;
    // The tag the server names for the card now, where it named one.
    std::string serverTag;
};

ListedTag judgeTag(const CardDavClient& client, Query answer, const std::string& url,
                   const std::string& heldTag) {
    ListedTag judged;
    if (isGone(answer)) {
        judged.check.answer = TagCheck::Answer::Deleted;
        return judged;
    }
    auto listed = judgedMultistatus(client, answer, [&](std::string body) {
        return xmlParser().getCardData(std::move(body), url);
    });
    const auto& cards = listed.value.cards;
    judged.inconclusive = !listed.verdict.ok() || cards.size() != 1;
    if (!listed.verdict.ok()) {
        judged.check.verdict = std::move(listed.verdict);
        return judged;
    }
    if (cards.size() != 1) {
        judged.check.answer = TagCheck::Answer::DataError;
        judged.emptyListing = cards.empty();
        return judged;
    }
    judged.serverTag = cards.front().etag;
    judged.check.answer =
        judged.serverTag == heldTag ? TagCheck::Answer::NotChanged : TagCheck::Answer::Changed;
    return judged;
}

} // namespace

TagCheck checkTag(Session& session, const std::string& uid, const std::string& heldTag) {
    const addresscard* entry = session.book.card(uid);
    if (uid.empty() || heldTag.empty() || !entry)
        return {};
    const std::string url = entry->url;
    // Many servers do not run the listing report on a single card (an empty listing, or 403 for
    // an unsupported report); the getetag PROPFIND then asks the card itself. A server that once
    // answered with an empty listing is asked so at once from then on, until the server is set
    // again.
    bool& listsNothing = session.cd.server_facts().listsNothingForOneCard;
    ListedTag verdict;
    if (!listsNothing) {
        verdict = judgeTag(session.cd, session.cd.get_addressbookitems(url), url, heldTag);
        listsNothing = verdict.emptyListing;
    }
    if (listsNothing || verdict.inconclusive)
        verdict = judgeTag(session.cd, session.cd.get_etag(url), url, heldTag);
    // What the server said of the card now holds for its kept text too: one of another tag, or of
    // a card gone or changed without a tag, no longer serves.
    if (!verdict.serverTag.empty())
        session.book.retag(uid, verdict.serverTag);
    else if (verdict.check.answer == TagCheck::Answer::Deleted ||
             verdict.check.answer == TagCheck::Answer::Changed)
        session.book.dropText(uid);
    return std::move(verdict.check);
}
