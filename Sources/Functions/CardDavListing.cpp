#include "Functions/CardDavListing.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavState.h"
#include "Functions/FetchedCards.h"

#include <utility>

fmx::int16 selectNamedBook(const std::string& given) {
    SelectedBook& book = session().book;
    if (!given.empty()) {
        const std::optional<std::string> url = onConnectedServer(given);
        if (!url)
            return failedBecause(ErrorCode::OffServer, describeError(ErrorCode::OffServer)).code;
        book.select(*url);
    }
    if (!book.isSelected())
        return failedBecause(ErrorCode::Failed, "no address book is selected").code;
    return ErrorCode::None;
}

Listing listAddressBook(const std::string& url) {
    // The cards' categories are asked only where they may be the book's groups, so that a book
    // of group cards is listed as it always was.
    const bool withCategories = session().group_style != GroupStyle::Cards;
    // Whole cards a server sends with the listing are kept, as far as the kept texts have room.
    ListingReading reading(url, CardTexts::WhenWhole, FetchedCards::kMaxBytes);
    Query answer = session().cd.get_addressbookitems(
        url,
        withCategories ? CardDavClient::CardContent::SummaryWithCategories
                       : CardDavClient::CardContent::Summary,
        0, &reading);
    auto listed = judgedReading(answer, reading);
    listed.value.withCategories = withCategories;
    return {listed.verdict.code, std::move(listed.value)};
}

BookToken bookSyncToken(const std::string& url) {
    Query answer = session().cd.get_synctoken(url);
    // A server without sync support answers the property request with a refusal of its own
    // (4xx) or a multistatus without the property: no token, and no failure.
    if (answer.status >= 400 && answer.status < 500)
        return {};
    auto token = judgedMultistatus(
        answer, [](std::string body) { return xmlParser().getSyncToken(std::move(body)); });
    return {token.verdict.code, std::move(token.value)};
}
