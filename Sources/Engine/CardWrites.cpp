#include "Engine/CardWrites.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/Discovery.h"
#include "Engine/Groups.h"
#include "Engine/ServerWrites.h"
#include "Engine/WriteChecks.h"
#include "Platform/RandomUuid.h"
#include "Utils/AsciiCase.h"
#include "vCard/vCardPropertyLine.h"

#include <algorithm>
#include <utility>

namespace {

// After a creation the current card holds only what identifies it; the field map in force is
// installed with it so that the edits that follow reach the card.
void startCurrentCard(Session& session, const std::string& uid) {
    session.current_vcard_id = uid;
    session.current_vcard.setData({}, session.current_mapping);
    session.current_vcard.set("uniqueid", uid);
    session.current_vcard.set("version", "3.0");
    session.current_vcard.set("productid", "Vorlix Plugin");
}

// Whether the card holds a UID line, with or without a group prefix, as the listing reads it.
bool holdsUid(const vCard& card) {
    return std::any_of(card.items.begin(), card.items.end(), [](const vCardItem& item) {
        return equalsIgnoringAsciiCase(propertyKind(item.name), "UID");
    });
}

// Whether `uid` can go into a UID line as it is: a control character (a line break above all)
// would end the line and let the rest of the text become properties of its own.
bool isWritableUid(const std::string& uid) {
    return std::none_of(uid.begin(), uid.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// How a PUT of the current card was answered; the card's new tag is taken up.
Save judgeSave(Session& session, const Query& answer, const addresscard& entry) {
    Verdict saved = judgeStatus(session.cd, answer);
    if (saved.ok()) {
        // Without a tag in the answer the server changed the card while storing it: what it
        // holds differs from what was sent. Its tag is still kept, so that the next save is not
        // refused as a conflict that never happened. The card was written all the same.
        const bool tagged = !getEtag(answer.headers).empty();
        const std::string tag = tagAfterPut(session.cd, entry.url, answer);
        if (!tag.empty())
            session.book.retag(entry.uid, tag);
        return {{}, tagged ? Save::Outcome::Saved : Save::Outcome::ServerChanged, answer.status};
    }
    // No complete answer came: there is no server status to tell.
    const int status = isTransportFailure(answer.status) ? 0 : answer.status;
    if (isConflict(answer))
        // The same code as a guarded delete's conflict, so that a script can branch on it.
        return {failedBecause(ErrorCode::ChangedOnServer, std::move(saved.reason)),
                Save::Outcome::Conflict, status};
    if (isGone(answer))
        return {failedBecause(ErrorCode::CardGone,
                              saved.reason + ": " + describeError(ErrorCode::CardGone)),
                Save::Outcome::Failed, status};
    if (isForbidden(answer))
        return {std::move(saved), Save::Outcome::Refused, status};
    return {std::move(saved), Save::Outcome::Failed, status};
}

} // namespace

Creation createNewCard(Session& session, const std::string& bookUrl, std::string uid) {
    // Whatever follows, the card opened before is current no more: a creation that fails leaves
    // nothing the script's next edits and save could write over.
    session.current_vcard.clear();
    session.current_vcard_id.clear();
    SelectedBook& book = session.book;
    // A book named here becomes the selected one (before anything is sent, whatever follows);
    // the UID check below then looks at the book the card goes into.
    if (!bookUrl.empty()) {
        const std::optional<std::string> url = onConnectedServer(session, bookUrl);
        if (!url)
            return {failure(ErrorCode::OffServer), Creation::Failure::NoBook, {}};
        book.select(*url);
    }
    if (uid.empty())
        uid = newguid();
    if (!book.isSelected())
        return {failedBecause(ErrorCode::Failed, "no address book is selected"),
                Creation::Failure::NoBook,
                {}};
    if (Verdict refused = mayWriteTo(session, book.url()); !refused.ok())
        return {std::move(refused), Creation::Failure::NotCreated, {}};
    // A second card with a UID the book already holds would be saved over the first.
    if (book.holds(uid))
        return {failure(ErrorCode::UidAlreadyListed), Creation::Failure::NotCreated, {}};
    if (!isWritableUid(uid))
        return {failure(ErrorCode::UidNotWritable), Creation::Failure::NotCreated, {}};

    addresscard record;
    record.uid = uid;
    record.fn = "New";
    Verdict created = createCard(session.cd, book.url(), record);
    if (!created.ok())
        return {std::move(created), Creation::Failure::NotCreated, {}};
    if (record.etag.empty())
        // The card exists on the server, but without its tag it cannot be saved safely, so it
        // does not become the current card: the script must not go on editing.
        return {
            failedBecause(ErrorCode::Failed, "the server created the card but names no tag for it"),
            Creation::Failure::Untagged,
            {}};
    book.put(record);
    startCurrentCard(session, uid);
    return {{}, Creation::Failure::None, uid};
}

Save saveCurrentCard(Session& session, const std::string& givenTag) {
    const addresscard* listed = session.book.card(session.current_vcard_id);
    // The current card was never read (its fetch failed) when it holds no UID: saving it would
    // replace the server's card with the few fields set since.
    if (!listed || !holdsUid(session.current_vcard))
        return {failure(ErrorCode::CardNotListed), Save::Outcome::NotCurrent, 0};
    if (Verdict refused = mayWriteTo(session, session.book.url()); !refused.ok())
        return {std::move(refused), Save::Outcome::ReadOnly, 0};
    const addresscard entry = *listed;
    const std::string etag = givenTag.empty() ? entry.etag : givenTag;
    if (!session.current_vcard.valid())
        return {failedBecause(ErrorCode::Failed, "FN, N, PRODID or VERSION is present but empty"),
                Save::Outcome::Invalid, 0};
    const Query answer = session.cd.save_vcard(entry.url, session.current_vcard.toString(), etag);
    return judgeSave(session, answer, entry);
}

Deletion deleteCard(Session& session, const std::string& uid, const std::string& etag) {
    SelectedBook& book = session.book;
    const addresscard* listed = book.card(uid);
    if (!listed)
        return {failure(ErrorCode::CardNotListed), false};
    if (Verdict refused = mayWriteTo(session, book.url()); !refused.ok())
        return {std::move(refused), false};
    const Query answer = session.cd.delete_vcard(listed->url, etag);
    // With a tag the delete is guarded: another client's change since keeps the card, and a
    // card already gone is what the script wanted.
    if (!etag.empty() && isConflict(answer))
        return {failedBecause(ErrorCode::ChangedOnServer,
                              answerReason(session.cd, answer) + ": " +
                                  describeError(ErrorCode::ChangedOnServer)),
                false};
    if (etag.empty() || !isGone(answer)) {
        Verdict deleted = judgeStatus(session.cd, answer);
        if (!deleted.ok())
            return {std::move(deleted), false};
    }
    book.remove(uid);
    // Where groups are categories, a card's groups went with it: no other card changes.
    if (groupStyleInForce(session) == GroupStyle::Categories)
        return {{}, true};
    return {leaveAllGroups(session, uid), true};
}

Verdict deleteAllCards(Session& session, const std::string& bookUrl) {
    if (Verdict refused = mayWriteTo(session, bookUrl); !refused.ok())
        return refused;
    Listing listing = listAddressBook(session, bookUrl);
    // Nothing is deleted when the listing failed: a script must not take the book for empty.
    if (!listing.verdict.ok())
        return std::move(listing.verdict);
    // A failure does not stop the others; the first one's is the verdict.
    FirstFailure deletions;
    for (const addresscard& card : listing.cards.cards)
        deletions.record(judgeStatus(session.cd, session.cd.delete_vcard(card.url)));
    return std::move(deletions.first);
}
