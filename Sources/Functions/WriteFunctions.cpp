// Card create, save and delete functions.

#include "Engine/CardBatch.h"
#include "Engine/CardWrites.h"
#include "Engine/Discovery.h"
#include "FunctionHandlers.h"
#include "Functions/Frame.h"
#include "Functions/ResultLines.h"

#include <algorithm>
#include <utility>

namespace {

const char* const kCreationFailed = "ERROR: Creation of vcard failed";

// The result text of a save.
std::string saveText(const Save& save) {
    switch (save.outcome) {
    case Save::Outcome::Saved:
        return "Saved";
    case Save::Outcome::ServerChanged:
        return "Server data conflict!";
    case Save::Outcome::NotCurrent:
        return "Vcard not found";
    case Save::Outcome::ReadOnly:
        return "Address book is read-only";
    case Save::Outcome::Invalid:
        return "Invalid vcard. requiered fileds: display_name, first_name, last_name";
    case Save::Outcome::Conflict:
        return "Etag mismatch. Vcard already modifed on server!";
    case Save::Outcome::Refused:
        return "Invalid vcard";
    case Save::Outcome::Failed:
        break;
    }
    return "Unkown error. Server result code: " + std::to_string(save.status);
}

// The result text of a failed creation.
std::string creationFailureText(NewCardOutcome::Failure failure) {
    switch (failure) {
    case NewCardOutcome::Failure::NotCreated:
        return kCreationFailed;
    case NewCardOutcome::Failure::Unusable:
        return std::string(kCreationFailed) + ". Server issue.";
    default:
        return kErrorText;
    }
}

} // namespace

const Handler CardDav_NewvCard{
    Entry::Connected, nothing, text(kErrorText), [](Call& call) {
        NewCardOutcome created =
            createNewCard(call.state, call.text(0), call.text(1), call.text(2));
        if (!created.verdict.ok())
            return Reply{std::move(created.verdict), text(creationFailureText(created.failure))};
        return Reply{{}, text(created.uid)};
    }};

const Handler CardDav_SaveCard{Entry::Connected, nothing, text(kErrorText), [](Call& call) {
                                   Save saved = saveCurrentCard(call.state, call.text(0));
                                   std::string answer = saveText(saved);
                                   return Reply{std::move(saved.verdict), text(std::move(answer))};
                               }};

const Handler CardDav_DeleteCard{Entry::Connected, nothing, number(0), [](Call& call) {
                                     Deletion deletion =
                                         deleteCard(call.state, call.text(0), call.text(1));
                                     // A card deleted whose group cards could not all be
                                     // rewritten is still gone: 1, with the write's code.
                                     const long answer = deletion.deleted ? 1 : 0;
                                     return Reply{std::move(deletion.verdict), number(answer)};
                                 }};

// Goes on whatever the entry check says, the address book to empty being named by its URL, as
// long as that lies on the server the connection found.
const Handler CardDav_DeleteAllCards{
    Entry::ConnectedGoOn, nothing, number(0), [](Call& call) {
        const std::optional<std::string> url = onConnectedServer(call.state, call.text(0));
        if (!url)
            return Reply{call.entry.ok() ? failure(ErrorCode::OffServer) : call.entry, number(0)};
        Verdict deleted = deleteAllCards(call.state, *url);
        const long answer = deleted.ok() ? 1 : 0;
        return Reply{call.entry.ok() ? std::move(deleted) : call.entry, number(answer)};
    }};

// Answers with the elements' lines and code 0 whenever it worked through them, whatever became of
// each: a code would hide the lines from the script (FileMaker takes the result as "?").
const Handler CardDav_WriteCards{
    Entry::Connected, text(kErrorText), text(kErrorText), [](Call& call) {
        const long from = call.number(2, 0);
        const long count = call.number(3, 0);
        Batch batch = writeCards(call.state, call.text(0), call.text(1),
                                 static_cast<std::size_t>(std::max(from, 0L)),
                                 static_cast<std::size_t>(std::max(count, 0L)));
        if (!batch.verdict.ok())
            return Reply{std::move(batch.verdict), text(kErrorText)};
        return Reply{{}, text(batchLines(batch.lines))};
    }};
