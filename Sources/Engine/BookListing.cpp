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

namespace {

// Whether a card text that came with a listing is the whole card. The listing asks for a few
// properties, and a server may send those alone, with more, or the whole card: only the
// resource's length (getcontentlength) proves a text whole. Reading XML turns each CR LF into
// LF, so the text is as long as the resource either as read or with a CR before each bare LF.
bool isProvenWhole(const std::string& text, const addresscard& card) {
    if (!card.contentlength)
        return false;
    std::size_t bareLineEnds = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        if (at == 0 || text[at - 1] != '\r')
            ++bareLineEnds;
    return *card.contentlength == text.size() || *card.contentlength == text.size() + bareLineEnds;
}

} // namespace

Listing listAddressBook(Session& session, const std::string& url,
                        SelectedBook::ListedCards* into) {
    // The cards' categories are asked only where they may be the book's groups, so that a book
    // of group cards is listed as it always was.
    const bool withCategories = session.group_style != GroupStyle::Cards;
    cardlisting cards;
    // Whole cards a server sends with the listing are kept, as far as the kept texts have room;
    // the reader hands on only texts that hold more than the properties asked for. The listing
    // is read as it arrives; into a book, a card listed as it knows it comes as its record.
    ListingReading reading(
        url, CardTexts::WhenWhole, FetchedCards::kMaxBytes,
        [&](ListedEntry&& card, std::string&& text) {
            const addresscard& read =
                card.isKnown() ? into->knownCards().card(card.knownPlace) : card.record.mapped();
            if (!text.empty() && !isProvenWhole(text, read))
                text.clear();
            if (into) {
                into->add(std::move(card), std::move(text));
            } else {
                cards.cards.push_back(std::move(card.record.mapped()));
                cards.texts.push_back(std::move(text));
            }
        },
        into ? &into->knownCards() : nullptr);
    Query answer = session.cd.get_addressbookitems(
        url,
        withCategories ? CardDavClient::CardContent::SummaryWithCategories
                       : CardDavClient::CardContent::Summary,
        0, &reading);
    auto listed = judgedReading(session.cd, answer, reading);
    if (!listed.verdict.ok())
        return {std::move(listed.verdict), {}};
    // A server that caps its results ends the listing with a 507 (RFC 6352 8.6.1): what it
    // listed is not the book.
    if (listed.value.truncated)
        return {failedBecause(ErrorCode::AnswerIncomplete,
                              "the server listed only part of the address book (507, "
                              "number-of-matches-within-limits); nothing of it was used"),
                {}};
    cards.withCategories = withCategories;
    if (into)
        into->withCategories = withCategories;
    return {{}, std::move(cards)};
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
