#include "Engine/CardFetch.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/Discovery.h"
#include "Engine/FetchedCards.h"
#include "Engine/SyncReading.h"
#include "Transport/HrefResolver.h"

#include <set>
#include <unordered_set>

namespace {

// The answer to the whole-book request is given up beyond this size: its texts could not all be
// kept anyway, and the cards are then read a hundred at a time, with memory for one batch.
constexpr std::size_t kLargestWholeBook = FetchedCards::kMaxBytes * 3 / 2;

// A card a list names: its UID, and its href where the list gives it (a line of GetChanges).
struct WantedCard {
    std::string uid;
    std::string href;
};

// The columns of a tab-separated line.
std::vector<std::string> columnsOf(const std::string& line) {
    std::vector<std::string> columns;
    std::size_t at = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string::npos;
         at = tab + 1, tab = line.find('\t', at))
        columns.push_back(line.substr(at, tab - at));
    columns.push_back(line.substr(at));
    return columns;
}

// The cards of a return-separated list, each once, in the order given: a line is a UID, or a
// line of CardDav_GetChanges, of which the changed cards are taken (deletions and group cards
// name nothing to read).
std::vector<WantedCard> wantedCards(const std::string& text) {
    std::vector<WantedCard> wanted;
    std::set<std::string> seen;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        const std::vector<std::string> columns = columnsOf(text.substr(at, end - at));
        at = end + 1;
        WantedCard card;
        if (columns.size() == 1) {
            card.uid = columns[0];
        } else if (columns[0] == "changed" && (columns.size() < 4 || columns[3] != "group") &&
                   !(columns.size() == 3 && columns[2] == "group")) {
            card.uid = columns[1];
            if (columns.size() >= 5)
                card.href = columns[4];
        }
        if (!card.uid.empty() && seen.insert(card.uid).second)
            wanted.push_back(std::move(card));
    }
    return wanted;
}

// Takes up cards read whole into the book, with the texts there was room for.
void takeUp(SelectedBook& book, cardtexts read) {
    for (cardtext& card : read.cards)
        if (!card.card.uid.empty())
            book.put(std::move(card.card), std::move(card.text));
    for (const std::string& url : read.removed)
        book.removeAt(url);
}

// Reads the texts of the wanted cards not kept already. Fails with the first failed request.
Verdict fetchWanted(Session& session, const std::vector<WantedCard>& wanted) {
    SelectedBook& book = session.book;
    std::vector<std::string> urls;
    for (const WantedCard& card : wanted) {
        if (book.keptText(card.uid))
            continue; // read before, and still the server's state
        const addresscard* known = book.card(card.uid);
        std::optional<std::string> url;
        if (known)
            url = known->url;
        else if (!card.href.empty())
            url = onConnectedServer(session, card.href);
        if (url)
            urls.push_back(*url);
    }
    // The texts read now are kept before any kept earlier, which make room for them.
    std::size_t textBudget = FetchedCards::kMaxBytes;
    return readCardTexts(session.cd, book.url(), urls, textBudget,
                         [&](cardtexts read) { takeUp(book, std::move(read)); });
}

// The whole book in one request: every card with its text. Where the server refuses that
// request, answers it only in part, or the book is too large for it, the cards are learnt from
// the collection's members and read a hundred at a time; nothing read is read again. Every
// member is read, or the call fails and nothing is applied: a member missing from what is taken
// as the whole book would be a card lost for the script.
Verdict fetchWholeBook(Session& session) {
    SelectedBook& book = session.book;
    CardDavClient& client = session.cd;
    const std::string url = book.url();
    BookToken token = bookSyncToken(session, url);
    if (!token.verdict.ok())
        return std::move(token.verdict);
    ListingReading reading(url, CardTexts::Always, FetchedCards::kMaxBytes);
    Query answer = client.get_addressbookitems(url, CardDavClient::CardContent::WholeCard,
                                               kLargestWholeBook, &reading);
    cardlisting whole;
    const bool refused = refusesWholeBookReport(answer);
    const bool tooLarge = answer.tooLarge;
    if (!refused && !tooLarge) {
        auto read = judgedReading(client, answer, reading);
        if (!read.verdict.ok())
            return std::move(read.verdict);
        whole = std::move(read.value);
    }
    // Cards that came without a text naming them, and, when the answer was not the whole book,
    // every member it did not hold.
    std::vector<std::string> toRead;
    std::unordered_set<std::string> answered; // hrefs in normal form
    cardlisting complete;
    // Texts are kept in the book's order as long as room is left: a script works through the
    // book from its start.
    std::size_t keptBytes = 0;
    const auto add = [&](addresscard card, std::string text) {
        if (keptBytes + text.size() > FetchedCards::kMaxBytes)
            text.clear();
        keptBytes += text.size();
        complete.cards.push_back(std::move(card));
        complete.texts.push_back(std::move(text));
    };
    for (std::size_t i = 0; i < whole.cards.size(); ++i) {
        answered.insert(normalUrl(whole.cards[i].url));
        // A card whose text there was no room for is known all the same by its UID.
        if (namesItsCard(whole.cards[i]))
            add(std::move(whole.cards[i]), std::move(whole.texts[i]));
        else
            toRead.push_back(whole.cards[i].url);
    }
    if (refused || tooLarge || whole.truncated) {
        Query members = client.list_members(url);
        auto listed = judgedMultistatus(client, members, [&](std::string body) {
            return xmlParser().getCardData(std::move(body), url);
        });
        if (!listed.verdict.ok())
            return std::move(listed.verdict);
        if (listed.value.truncated)
            return failedBecause(ErrorCode::AnswerIncomplete,
                                 "the server listed only part of the address book's members "
                                 "(507); nothing was applied");
        for (const addresscard& member : listed.value.cards)
            if (answered.count(normalUrl(member.url)) == 0)
                toRead.push_back(member.url);
    }
    // The texts of the cards read in batches are kept as long as room is left; the book still
    // learns every card. A member removed since it was listed is simply not in the book.
    std::size_t textBudget = FetchedCards::kMaxBytes - keptBytes;
    Verdict read = readEveryCard(
        client, url, toRead, textBudget,
        [&](std::size_t, cardtext card) { add(std::move(card.card), std::move(card.text)); },
        [](std::size_t) {});
    if (!read.ok())
        return read;
    // Every card was read whole: its categories are known too.
    complete.withCategories = true;
    book.takeListing(std::move(complete));
    book.token = token.token;
    return {};
}

} // namespace

FetchedList fetchCards(Session& session, const std::string& list, const std::string& bookUrl) {
    SelectedBook& book = session.book;
    // A book named here needs no listing first.
    if (Verdict named = selectNamedBook(session, bookUrl); !named.ok())
        return {std::move(named), true, {}};
    std::vector<WantedCard> wanted;
    Verdict read;
    if (list == "*") {
        read = fetchWholeBook(session);
        for (const auto& [uid, card] : book.cards())
            wanted.push_back({uid, card.url});
    } else {
        wanted = wantedCards(list);
        read = fetchWanted(session, wanted);
    }
    // Only a text that is kept counts as fetched; any other card is read when opened.
    FetchedList fetched{std::move(read), false, {}};
    for (const WantedCard& card : wanted)
        fetched.cards.emplace_back(card.uid, book.keptText(card.uid) != nullptr);
    return fetched;
}
