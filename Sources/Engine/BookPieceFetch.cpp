// The whole book read in pieces a script can take one call at a time, with a progress indicator
// between the calls (CardFetch.h).
#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/CardFetch.h"
#include "Engine/FetchedCards.h"
#include "Engine/SyncReading.h"
#include "Transport/HrefResolver.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace {

// The read begins: the book's token (before the members, so that changes made meanwhile come
// again at the next sync), then its members.
Verdict beginPieces(Session& session) {
    SelectedBook& book = session.book;
    BookToken token = bookSyncToken(session, book.url());
    if (!token.verdict.ok())
        return std::move(token.verdict);
    Query answer = session.cd.list_members(book.url());
    auto listed = judgedMultistatus(session.cd, answer, [&](std::string body) {
        return xmlParser().getCardData(std::move(body), book.url());
    });
    if (!listed.verdict.ok())
        return std::move(listed.verdict);
    BookPieces pieces;
    pieces.started = true;
    pieces.token = std::move(token.token);
    for (addresscard& member : listed.value.cards)
        pieces.members.push_back(std::move(member.url));
    book.pieces = std::move(pieces);
    return {};
}

// The read ends: the book is known as its members were listed, with the token asked before.
void endPieces(SelectedBook& book) {
    std::unordered_set<std::string> members;
    for (const std::string& url : book.pieces.members)
        members.insert(normalUrl(url));
    std::vector<std::string> gone;
    for (const auto* known : {&book.cards(), &book.groups()})
        for (const auto& [uid, card] : *known)
            if (members.count(normalUrl(card.url)) == 0)
                gone.push_back(uid);
    for (const std::string& uid : gone)
        book.remove(uid);
    book.token = std::move(book.pieces.token);
    book.pieces = BookPieces();
}

} // namespace

FetchedList fetchBookPiece(Session& session, const std::string& bookUrl, std::size_t piece) {
    SelectedBook& book = session.book;
    if (Verdict named = selectNamedBook(session, bookUrl); !named.ok())
        return {std::move(named), true, {}, 0};
    if (!book.pieces.started)
        if (Verdict begun = beginPieces(session); !begun.ok())
            return {std::move(begun), false, {}, 0};
    BookPieces& pieces = book.pieces;
    const std::size_t count = std::min(
        {std::max<std::size_t>(piece, 1), kLargestPiece, pieces.members.size() - pieces.read});
    const auto first = pieces.members.begin() + static_cast<std::ptrdiff_t>(pieces.read);
    const std::vector<std::string> urls(first, first + static_cast<std::ptrdiff_t>(count));

    std::vector<std::string> uids;
    std::size_t answered = 0;
    std::size_t textBudget = FetchedCards::kMaxBytes;
    FetchedList fetched{readCardTexts(
                            session.cd, book.url(), urls, textBudget,
                            [&](cardtexts read) {
                                answered += read.cards.size() + read.removed.size();
                                for (cardtext& card : read.cards)
                                    if (!card.card.uid.empty()) {
                                        uids.push_back(card.card.uid);
                                        book.put(std::move(card.card), std::move(card.text));
                                    }
                                for (const std::string& url : read.removed)
                                    book.removeAt(url);
                            },
                            count),
                        false,
                        {},
                        0};
    // A card left out would be lost from the book the read ends with.
    if (fetched.verdict.ok() && answered < count)
        fetched.verdict = failedBecause(ErrorCode::Failed, "the server's answer left out " +
                                                               std::to_string(count - answered) +
                                                               " of the cards asked for");
    for (const std::string& uid : uids)
        fetched.cards.emplace_back(uid, book.keptText(uid) != nullptr);
    if (fetched.verdict.ok()) {
        pieces.read += count;
        if (pieces.read == pieces.members.size()) {
            endPieces(book);
            return fetched;
        }
    }
    fetched.left = pieces.members.size() - pieces.read;
    return fetched;
}
