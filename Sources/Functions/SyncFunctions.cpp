// Synchronisation functions: the tags of the known cards, what changed on the server since a
// sync token, the token itself, a full reconciliation against what a script holds, many cards
// read at once, and whether one card changed.

#include "Engine/CardFetch.h"
#include "Engine/Changes.h"
#include "FunctionHandlers.h"
#include "Functions/Frame.h"
#include "Functions/ResultLines.h"

#include <utility>

const Handler CardDav_GetAddressbookETags{
    Entry::Checked, text(kErrorText), text(kErrorText), [](Call& call) {
        return Reply{{}, text(knownTagLines(knownTags(call.state)))};
    }};

const Handler CardDav_GetChanges{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        ChangesSince changes = changesSince(call.state, call.text(0), call.text(1));
        if (!changes.verdict.ok())
            return Reply{std::move(changes.verdict), text(changes.failureText)};
        return Reply{{}, text(changeLines(changes.changes))};
    }};

const Handler CardDav_GetSyncToken{Entry::Checked, text(kErrorText), text(kErrorText),
                                   [](Call& call) {
                                       return Reply{{}, text(call.state.book.token)};
                                   }};

const Handler CardDav_CompareETags{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        auto compared = compareTags(call.state, call.text(0));
        if (!compared.verdict.ok())
            return Reply{std::move(compared.verdict), text(kErrorText)};
        return Reply{{}, text(changeLines(compared.value))};
    }};

// With a piece size, "*" reads the whole book a piece at a time; while cards are left, the last
// line says how many.
const Handler CardDav_FetchvCards{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        const long piece = call.number(2, 0);
        FetchedList fetched =
            call.text(0) == "*" && piece > 0
                ? fetchBookPiece(call.state, call.text(1), static_cast<std::size_t>(piece))
                : fetchCards(call.state, call.text(0), call.text(1));
        if (fetched.noBook)
            return Reply{std::move(fetched.verdict), text(kErrorText)};
        std::string lines = fetchLines(fetched.cards);
        if (fetched.left > 0)
            lines += "more\t" + std::to_string(fetched.left) + "\r";
        return Reply{std::move(fetched.verdict), text(std::move(lines))};
    }};

const Handler CardDav_CheckvCardIfChanged{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        TagCheck check = checkTag(call.state, call.text(0), call.text(1));
        const char* answer = kErrorText;
        switch (check.answer) {
        case TagCheck::Answer::NotChanged:
            answer = "Not changed!";
            break;
        case TagCheck::Answer::Changed:
            answer = "Changed!";
            break;
        case TagCheck::Answer::Deleted:
            answer = "Deleted!";
            break;
        case TagCheck::Answer::DataError:
            answer = "Data error!";
            break;
        case TagCheck::Answer::Unanswered:
            break;
        }
        return Reply{std::move(check.verdict), text(answer)};
    }};
