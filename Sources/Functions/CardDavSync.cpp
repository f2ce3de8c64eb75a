// Synchronisation functions: the tags of the known cards, what changed on the server since a
// sync token, the token itself, and a full reconciliation against what a script holds.
//
// Only the server says what was removed: a card is reported deleted when a sync answer names it
// gone (404), or when a whole listing no longer holds an href the script holds. A card an answer
// merely leaves out fails the call, and nothing is applied.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/ChangeLines.h"
#include "Functions/FetchedCards.h"
#include "Functions/HostValues.h"
#include "Functions/SyncReading.h"
#include "Transport/EntityTag.h"
#include "Transport/HrefResolver.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Reads the changed cards the sync answer came without. Every one must come back with its text,
// or as removed since; a card the server leaves out fails the call.
fmx::int16 readChangedTexts(const std::string& bookUrl, BookChanges& changes,
                            std::size_t& textBudget) {
    std::vector<std::string> urls;
    std::unordered_map<std::string, syncchange*> byHref;
    for (syncchange& change : changes.changes) {
        if (change.removed || change.read)
            continue;
        urls.push_back(change.card.url);
        byHref[normalUrl(change.card.url)] = &change;
    }
    const fmx::int16 code = readCardTexts(bookUrl, urls, textBudget, [&](cardtexts read) {
        for (cardtext& card : read.cards) {
            const auto asked = byHref.find(normalUrl(card.card.url));
            if (asked == byHref.end())
                continue;
            syncchange& change = *asked->second;
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
            byHref.erase(asked);
        }
        for (const std::string& url : read.removed) {
            const auto asked = byHref.find(normalUrl(url));
            if (asked == byHref.end())
                continue;
            asked->second->removed = true;
            byHref.erase(asked);
        }
    });
    if (code != ErrorCode::None)
        return code;
    if (!byHref.empty())
        return failedBecause(ErrorCode::Failed, "the server's answer left out " +
                                                    std::to_string(byHref.size()) + " of the " +
                                                    std::to_string(urls.size()) +
                                                    " changed cards asked for; nothing was applied")
            .code;
    return ErrorCode::None;
}

// Brings the book in step with the changes and gives the result lines.
std::string applyChanges(SelectedBook& book, BookChanges& changes) {
    std::string lines;
    for (syncchange& change : changes.changes) {
        addresscard& entry = change.card;
        const std::string url = entry.url;
        const std::optional<SelectedBook::Known> known = book.knownAt(url);
        if (change.removed) {
            appendChangeLine(lines, "deleted", known ? known->uid : "", "", known && known->isgroup,
                             url);
            book.removeAt(url);
            continue;
        }
        // Another card now at the same href: the one known there is gone.
        if (known && (known->uid != entry.uid || known->isgroup != entry.isgroup)) {
            appendChangeLine(lines, "deleted", known->uid, "", known->isgroup, url);
            book.removeAt(url);
        }
        appendChangeLine(lines, "changed", entry.uid, entry.etag, entry.isgroup, url);
        if (!entry.uid.empty())
            book.put(std::move(entry), std::move(change.text));
    }
    return lines;
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

fmx::errcode CardDav_GetAddressbookETags(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                         fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        false,
        [&] {
            std::string list;
            const SelectedBook& book = session().book;
            for (const auto* entries : {&book.cards(), &book.groups()})
                for (const auto& [uid, card] : *entries)
                    list += uid + "\t" + card.etag + "\t" + card.lastmodified + "\t" +
                            (card.isgroup ? "group" : "") + "\t" + card.url + "\r";
            SetTextResult(list, result);
            return ErrorCode::None;
        },
        setError, setError);
}

fmx::errcode CardDav_GetChanges(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            SelectedBook& book = session().book;
            // A book named here needs no listing first: what changed is read from it directly.
            if (const fmx::int16 code = selectNamedBook(textArgument(args, 1));
                code != ErrorCode::None) {
                setError();
                return code;
            }
            // Texts that come with the changes are kept for opening the cards later, as far as
            // the room for fetched texts goes; every card is learnt all the same.
            std::size_t textBudget = FetchedCards::kMaxBytes;
            BookChanges changes;
            const ChangesRead read =
                readChanges(book.url(), textArgument(args, 0), changes, textBudget);
            fmx::int16 code = read.code;
            if (code == ErrorCode::None)
                code = readChangedTexts(book.url(), changes, textBudget);
            if (code != ErrorCode::None) {
                // Nothing changed: the script's token still stands for what it holds.
                SetTextResult(read.code != ErrorCode::None ? read.failure : "ERROR", result);
                return code;
            }
            const std::string lines = applyChanges(book, changes);
            book.token = std::move(changes.token);
            SetTextResult(lines, result);
            return ErrorCode::None;
        },
        setError, setError);
}

fmx::errcode CardDav_GetSyncToken(short, const fmx::ExprEnv&, const fmx::DataVect&,
                                  fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        false,
        [&] {
            SetTextResult(session().book.token, result);
            return ErrorCode::None;
        },
        setError, setError);
}

fmx::errcode CardDav_CompareETags(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                  fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            SelectedBook& book = session().book;
            if (const fmx::int16 code = selectNamedBook(""); code != ErrorCode::None) {
                setError();
                return code;
            }
            // The token first, as a selection reads it, so that a sync from it repeats nothing
            // this reconciliation missed.
            const BookToken token = bookSyncToken(book.url());
            if (token.code != ErrorCode::None) {
                setError();
                return token.code;
            }
            Listing listing = listAddressBook(book.url());
            if (listing.code != ErrorCode::None) {
                setError();
                return listing.code;
            }
            std::vector<HeldCard> held = heldCards(textArgument(args, 0), book.url());
            std::unordered_map<std::string, HeldCard*> heldByHref;
            for (HeldCard& card : held)
                if (!heldByHref.emplace(normalUrl(card.href), &card).second)
                    card.listed = true; // held twice: one line is enough

            std::string lines;
            for (const addresscard& card : listing.cards.cards) {
                const auto found = heldByHref.find(normalUrl(card.url));
                if (found != heldByHref.end())
                    found->second->listed = true;
                if (found == heldByHref.end() || found->second->etag != card.etag)
                    appendChangeLine(lines, "changed", card.uid, card.etag, card.isgroup, card.url);
            }
            book.takeListing(std::move(listing.cards));
            book.token = token.token;
            for (const HeldCard& card : held) {
                if (card.listed)
                    continue;
                const std::optional<SelectedBook::Known> known = book.knownAt(card.href);
                const std::string uid = !card.uid.empty() ? card.uid : known ? known->uid : "";
                appendChangeLine(lines, "deleted", uid, "", known && known->isgroup, card.href);
            }
            SetTextResult(lines, result);
            return ErrorCode::None;
        },
        setError, setError);
}
