// Card create, save and delete functions: they change cards on the server and keep the selected
// address book and the current card in step with what they did.

#include "Functions/CardDav.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavFrame.h"
#include "Functions/CardDavListing.h"
#include "Functions/CardDavServerWrites.h"
#include "Functions/GroupNames.h"
#include "Functions/HostValues.h"
#include "Platform/RandomUuid.h"
#include "Utils/AsciiCase.h"
#include "vCard/vCardPropertyLine.h"

#include <algorithm>

namespace {

const char* const kCreationFailed = "ERROR: Creation of vcard failed";

// After a creation the current card holds only what identifies it; the field map in force is
// installed with it so that the edits that follow reach the card.
void startCurrentCard(const std::string& uid) {
    PluginState& state = session();
    state.current_vcard_id = uid;
    state.current_vcard.setData({}, state.current_mapping);
    state.current_vcard.set("uniqueid", uid);
    state.current_vcard.set("version", "3.0");
    state.current_vcard.set("productid", "Vorlix Plugin");
}

// Whether the card holds a UID line, with or without a group prefix, as the listing reads it.
bool holdsUid(const vCard& card) {
    return std::any_of(card.items.begin(), card.items.end(), [](const vCardItem& item) {
        return equalsIgnoringAsciiCase(propertyKind(item.name), "UID");
    });
}

struct Outcome {
    std::string text;
    fmx::int16 code;
};

// The result of a save, from the PUT's answer; the card's new tag is taken up. A save that did
// not happen carries the request's code.
Outcome judgeSave(const Query& answer, const addresscard& entry) {
    const Verdict saved = judgeStatus(answer);
    if (saved.ok()) {
        // Without a tag in the answer the server changed the card while storing it: what it
        // holds differs from what was sent. Its tag is still kept, so that the next save is not
        // refused as a conflict that never happened. The card was written all the same.
        const bool tagged = !getEtag(answer.headers).empty();
        const std::string tag = tagAfterPut(entry.url, answer);
        if (!tag.empty())
            session().book.retag(entry.uid, tag);
        return {tagged ? "Saved" : "Server data conflict!", ErrorCode::None};
    }
    switch (answer.status) {
    case 412:
        // The same code as a guarded delete's conflict, so that a script can branch on it.
        return {"Etag mismatch. Vcard already modifed on server!",
                failedBecause(ErrorCode::ChangedOnServer, answerReason(answer)).code};
    case 404:
    case 410:
        return {"Unkown error. Server result code: " + intToString(answer.status),
                failedBecause(ErrorCode::CardGone,
                              answerReason(answer) + ": " + describeError(ErrorCode::CardGone))
                    .code};
    case 403:
        return {"Invalid vcard", saved.code};
    default:
        // No complete answer came: there is no server result code to tell.
        return {"Unkown error. Server result code: " +
                    intToString(isTransportFailure(answer.status) ? 0 : answer.status),
                saved.code};
    }
}

// Whether `uid` can go into a UID line as it is: a control character (a line break above all)
// would end the line and let the rest of the text become properties of its own.
bool isWritableUid(const std::string& uid) {
    return std::none_of(uid.begin(), uid.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// Takes a deleted card out of every group that lists it and rewrites those groups on the
// server. Returns the first failing group write's code, 0 when all succeeded.
fmx::int16 removeFromGroups(const std::string& uid) {
    FirstFailure writes;
    for (auto& entry : session().book.groupsToEdit()) {
        const std::vector<std::string>& members = entry.second.members;
        if (std::find(members.begin(), members.end(), uid) == members.end())
            continue;
        writes.record(changeGroupMembership(entry.second, uid, Membership::Leave));
    }
    return writes.code;
}

Verdict offServer() {
    return failedBecause(ErrorCode::OffServer, describeError(ErrorCode::OffServer));
}

} // namespace

fmx::errcode CardDav_NewvCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                              fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            // Whatever follows, the card opened before is current no more: a creation that
            // fails leaves nothing the script's next edits and save could write over.
            session().current_vcard.clear();
            session().current_vcard_id.clear();
            SelectedBook& book = session().book;
            const std::string given = textArgument(args, 0);
            std::string uid = textArgument(args, 1);
            // A book named here becomes the selected one (before anything is sent, whatever
            // follows); the UID check below then looks at the book the card goes into.
            if (!given.empty()) {
                const std::optional<std::string> url = onConnectedServer(given);
                if (!url) {
                    SetTextResult("ERROR", result);
                    return offServer().code;
                }
                book.select(*url);
            }
            if (uid.empty())
                uid = newguid();
            if (!book.isSelected()) {
                SetTextResult("ERROR", result);
                return failedBecause(ErrorCode::Failed, "no address book is selected").code;
            }
            // A second card with a UID the book already holds would be saved over the first.
            if (book.holds(uid)) {
                SetTextResult(kCreationFailed, result);
                return ErrorCode::UidAlreadyListed;
            }
            if (!isWritableUid(uid)) {
                SetTextResult(kCreationFailed, result);
                return ErrorCode::UidNotWritable;
            }

            addresscard record;
            record.uid = uid;
            record.fn = "New";
            const fmx::int16 code = createCard(book.url(), record);
            if (code != ErrorCode::None) {
                SetTextResult(kCreationFailed, result);
                return code;
            }
            if (record.etag.empty()) {
                // The card exists on the server, but without its tag it cannot be saved safely,
                // so it does not become the current card: the script must not go on editing.
                SetTextResult(std::string(kCreationFailed) + ". Server issue.", result);
                return failedBecause(ErrorCode::Failed,
                                     "the server created the card but names no tag for it")
                    .code;
            }
            book.put(record);
            startCurrentCard(uid);
            SetTextResult(uid, result);
            return ErrorCode::None;
        },
        [] {}, [&] { SetTextResult("ERROR", result); });
}

fmx::errcode CardDav_SaveCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                              fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            PluginState& state = session();
            std::string etag = textArgument(args, 0);
            const addresscard* listed = state.book.card(state.current_vcard_id);
            // The current card was never read (its fetch failed) when it holds no UID: saving
            // it would replace the server's card with the few fields set since.
            if (!listed || !holdsUid(state.current_vcard)) {
                SetTextResult("Vcard not found", result);
                return ErrorCode::CardNotListed;
            }
            const addresscard entry = *listed;
            if (etag.empty())
                etag = entry.etag;
            if (!state.current_vcard.valid()) {
                SetTextResult(
                    "Invalid vcard. requiered fileds: display_name, first_name, last_name", result);
                return failedBecause(ErrorCode::Failed,
                                     "FN, N, PRODID or VERSION is present but empty")
                    .code;
            }
            const Query answer =
                state.cd.save_vcard(entry.url, state.current_vcard.toString(), etag);
            const Outcome saved = judgeSave(answer, entry);
            SetTextResult(saved.text, result);
            return saved.code;
        },
        [] {}, [&] { SetTextResult("ERROR", result); });
}

fmx::errcode CardDav_DeleteCard(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                fmx::Data& result) {
    return runFunction(
        true,
        [&] {
            SelectedBook& book = session().book;
            const std::string uid = textArgument(args, 0);
            const std::string etag = textArgument(args, 1);
            const addresscard* listed = book.card(uid);
            if (!listed) {
                SetResult(0, result);
                return ErrorCode::CardNotListed;
            }
            const Query answer = session().cd.delete_vcard(listed->url, etag);
            // With a tag the delete is guarded: another client's change since keeps the card,
            // and a card already gone is what the script wanted.
            if (!etag.empty() && answer.status == 412) {
                SetResult(0, result);
                return failedBecause(ErrorCode::ChangedOnServer,
                                     answerReason(answer) + ": " +
                                         describeError(ErrorCode::ChangedOnServer))
                    .code;
            }
            if (etag.empty() || answer.status != 404) {
                const Verdict deleted = judgeStatus(answer);
                if (!deleted.ok()) {
                    SetResult(0, result);
                    return deleted.code;
                }
            }
            book.remove(uid);
            SetResult(1, result);
            // Where groups are categories, a card's groups went with it: no other card changes.
            return groupStyleInForce() == GroupStyle::Categories ? ErrorCode::None
                                                                 : removeFromGroups(uid);
        },
        [] {}, [&] { SetResult(0, result); });
}

fmx::errcode CardDav_DeleteAllCards(short, const fmx::ExprEnv&, const fmx::DataVect& args,
                                    fmx::Data& result) {
    // Goes on whatever the entry check says, the address book to empty being named by its URL,
    // as long as that lies on the server the connection found.
    const fmx::int16 check = InitFunction(true);
    const fmx::int16 code = guarded(
        [&] {
            const std::optional<std::string> url = onConnectedServer(textArgument(args, 0));
            if (!url) {
                SetResult(0, result);
                return check != ErrorCode::None ? check : offServer().code;
            }
            const Listing listing = listAddressBook(*url);
            if (listing.code != ErrorCode::None) {
                // Nothing was deleted: a script must not take the address book for empty.
                SetResult(0, result);
                return listing.code;
            }
            // A failure does not stop the others; the first one's code is the function's.
            FirstFailure deletions;
            for (const addresscard& card : listing.cards.cards)
                deletions.record(judgeStatus(session().cd.delete_vcard(card.url)).code);
            SetResult(deletions.code == ErrorCode::None ? 1 : 0, result);
            return deletions.code;
        },
        [&] { SetResult(0, result); });
    return Error(check != ErrorCode::None ? check : code);
}
