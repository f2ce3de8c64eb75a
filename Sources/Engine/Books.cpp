#include "Engine/Books.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/Discovery.h"

#include <utility>

Judged<std::vector<addressbook>> accountBooks(Session& session) {
    const std::string home = session.root_address_url;
    Query answer = session.cd.get_addressbooks(home);
    auto listed = judgedMultistatus(session.cd, answer, [&](std::string body) {
        return xmlParser().getAddressbooks(std::move(body), home);
    });
    std::vector<addressbook> books;
    for (addressbook& book : listed.value) {
        const std::optional<std::string> url = onConnectedServer(session, book.url);
        if (!url)
            continue;
        book.url = *url;
        session.book.learnWritable(book.url, book.writable);
        books.push_back(std::move(book));
    }
    return {std::move(listed.verdict), std::move(books)};
}

Selection selectAddressBook(Session& session, const std::string& url) {
    SelectedBook& book = session.book;
    if (!url.empty()) {
        const std::optional<std::string> onServer = onConnectedServer(session, url);
        if (!onServer)
            return {failure(ErrorCode::OffServer), false};
        book.select(*onServer);
    } else if (!book.isSelected()) {
        // Nothing to read again: no book was selected before.
        return {failedBecause(ErrorCode::Failed, "no address book is selected"), true};
    }
    // The token first: a failure here leaves no token a script could store and later hand back
    // as if it stood for this listing.
    BookToken token = bookSyncToken(session, book.url());
    book.token = token.token;
    if (!token.verdict.ok()) {
        book.takeListing(SelectedBook::ListedCards());
        return {std::move(token.verdict), true};
    }
    SelectedBook::ListedCards cards(book);
    Listing listing = listAddressBook(session, book.url(), &cards);
    book.takeListing(listing.verdict.ok() ? std::move(cards) : SelectedBook::ListedCards());
    // Nothing of the book was read: no token may stand for it either.
    if (!listing.verdict.ok())
        book.token.clear();
    return {std::move(listing.verdict), true};
}

std::vector<std::string> bookCardUids(const Session& session) {
    std::vector<std::string> uids;
    for (const auto& entry : session.book.cards())
        uids.push_back(entry.first);
    return uids;
}
