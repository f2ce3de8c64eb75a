// Reading many cards in few requests, so that opening each of them afterwards needs none: the
// cards a list names (by multiget, a hundred a request), or the whole address book in one
// request.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/FetchedCards.h"
#include "Functions/HostValues.h"
#include "Functions/SyncReading.h"
#include "Transport/HrefResolver.h"

#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// Reads the texts of the wanted cards not kept already. Returns 0 or the first failed request's
// code.
fmx::int16 fetchWanted(SelectedBook& book, const std::vector<WantedCard>& wanted) {
    std::vector<std::string> urls;
    for (const WantedCard& card : wanted) {
        if (book.keptText(card.uid))
            continue; // read before, and still the server's state
        const addresscard* known = book.card(card.uid);
        std::optional<std::string> url;
        if (known)
            url = known->url;
        else if (!card.href.empty())
            url = onConnectedServer(card.href);
        if (url)
            urls.push_back(*url);
    }
    // The texts read now are kept before any kept earlier, which make room for them.
    std::size_t textBudget = FetchedCards::kMaxBytes;
    return readCardTexts(book.url(), urls, textBudget,
                         [&](cardtexts read) { takeUp(book, std::move(read)); });
}

// The whole book in one request: every card with its text. Where the server refuses that
// request, answers it only in part, or the book is too large for it, the cards are learnt from
// the collection's members and read a hundred at a time; nothing read is read again.
fmx::int16 fetchWholeBook(SelectedBook& book) {
    const std::string url = book.url();
    const BookToken token = bookSyncToken(url);
    if (token.code != ErrorCode::None)
        return token.code;
    ListingReading reading(url, CardTexts::Always, FetchedCards::kMaxBytes);
    Query answer = session().cd.get_addressbookitems(url, CardDavClient::CardContent::WholeCard,
                                                     kLargestWholeBook, &reading);
    cardlisting whole;
    const bool refused = answer.status == 400 || answer.status == 403 || answer.status == 413 ||
                         answer.status == 501 || answer.status == 507;
    const bool tooLarge = answer.tooLarge;
    if (!refused && !tooLarge) {
        auto read = judgedReading(answer, reading);
        if (!read.verdict.ok())
            return read.verdict.code;
        whole = std::move(read.value);
    }
    // Cards that came without their text, and, when the answer was not the whole book, every
    // member it did not hold.
    std::vector<std::string> toRead;
    std::unordered_set<std::string> held;
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
        // A card that came without its text tells nothing of itself (not even its UID); one
        // whose text there was no room for is known all the same.
        if (whole.texts[i].empty() && whole.cards[i].uid.empty()) {
            toRead.push_back(whole.cards[i].url);
            continue;
        }
        held.insert(normalUrl(whole.cards[i].url));
        add(std::move(whole.cards[i]), std::move(whole.texts[i]));
    }
    if (refused || tooLarge || whole.truncated) {
        Query members = session().cd.list_members(url);
        auto listed = judgedMultistatus(members, [&](std::string body) {
            return xmlParser().getCardData(std::move(body), url);
        });
        if (!listed.verdict.ok())
            return listed.verdict.code;
        for (const addresscard& member : listed.value.cards)
            if (held.count(normalUrl(member.url)) == 0)
                toRead.push_back(member.url);
    }
    // The texts of the cards read in batches are kept as long as room is left; the book still
    // learns every card.
    std::size_t textBudget = FetchedCards::kMaxBytes - keptBytes;
    const fmx::int16 code = readCardTexts(url, toRead, textBudget, [&](cardtexts read) {
        for (cardtext& card : read.cards)
            add(std::move(card.card), std::move(card.text));
    });
    if (code != ErrorCode::None)
        return code;
    // Every card was read whole: its categories are known too.
    complete.withCategories = true;
    book.takeListing(std::move(complete));
    book.token = token.token;
    return ErrorCode::None;
}

} // namespace

fmx::errcode CardDav_FetchvCards(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                 fmx::Data& result) {
    const auto setError = [&] { SetTextResult("ERROR", result); };
    return runFunction(
        true,
        [&] {
            SelectedBook& book = session().book;
            // A book named here needs no listing first.
            if (const fmx::int16 code = selectNamedBook(textArgument(args, 1));
                code != ErrorCode::None) {
                setError();
                return code;
            }
            const std::string list = textArgument(args, 0);
            std::vector<WantedCard> wanted;
            fmx::int16 code;
            if (list == "*") {
                code = fetchWholeBook(book);
                for (const auto& [uid, card] : book.cards())
                    wanted.push_back({uid, card.url});
            } else {
                wanted = wantedCards(list);
                code = fetchWanted(book, wanted);
            }
            // Only a text that is kept counts as fetched; any other card is read when opened.
            std::string lines;
            for (const WantedCard& card : wanted)
                lines += std::string(book.keptText(card.uid) ? "fetched" : "missing") + "\t" +
                         card.uid + "\r";
            SetTextResult(lines, result);
            return code;
        },
        setError, setError);
}
