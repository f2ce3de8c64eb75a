#include "Engine/BookListing.h"

#include "Engine/AnswerJudge.h"
#include "Engine/Discovery.h"
#include "Engine/FetchedCards.h"

#include <utility>

Verdict selectNamedBook(Session& session, const std::string& given) {
    SelectedBook& book = session.book;
    if (!given.empty()) {
        const std::optional<std::string> url = onConnectedServer(session, given);
        if (!url)
            return failure(ErrorCode::OffServer);
        book.select(*url);
    }
    if (!book.isSelected())
        return failedBecause(ErrorCode::Failed, "no address book is selected");
    return {};
}

Listing listAddressBook(Session& session, const std::string& url) {
    // The cards' categories are asked only where they may be the book's groups, so that a book
    // of group cards is listed as it always was.
    const bool withCategories = session.group_style != GroupStyle::Cards;
    Query answer = session.cd.get_addressbookitems(
        url, withCategories ? CardDavClient::CardContent::SummaryWithCategories
                            : CardDavClient::CardContent::Summary);
    // Whole cards a server sends with the listing are kept, as far as the kept texts have room.
    auto listed = judgedMultistatus(session.cd, answer, [&](std::string body) {
        return xmlParser().getCardData(std::move(body), url, CardTexts::WhenWhole,
                                       FetchedCards::kMaxBytes);
    });
    listed.value.withCategories = withCategories;
    return {std::move(listed.verdict), std::move(listed.value)};
}

BookToken bookSyncToken(Session& session, const std::string& url) {
    Query answer = session.cd.get_synctoken(url);
    // A server without sync support answers the property request with a refusal of its own
    // (4xx) or a multistatus without the property: no token, and no failure.
    if (isClientError(answer))
        return {};
    auto state = judgedMultistatus(session.cd, answer, [](std::string body) {
        return xmlParser().getBookState(std::move(body));
    });
    if (state.verdict.ok())
        session.book.learnWritable(url, state.value.writable);
    return {std::move(state.verdict), std::move(state.value.token)};
}
