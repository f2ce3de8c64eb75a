#include "Engine/CardWrites.h"

#include "Engine/AnswerJudge.h"
#include "Engine/BookListing.h"
#include "Engine/CardFromJson.h"
#include "Engine/CurrentCard.h"
#include "Engine/Discovery.h"
#include "Engine/Groups.h"
#include "Engine/ServerWrites.h"
#include "Engine/WriteChecks.h"
#include "Utils/AsciiCase.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardPropertyLine.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <utility>

namespace {

// Whether the card holds a UID line, with or without a group prefix, as the listing reads it.
bool holdsUid(const vCard& card) {
    return std::any_of(card.items.begin(), card.items.end(), [](const vCardItem& item) {
        return equalsIgnoringAsciiCase(propertyKind(item.name), "UID");
    });
}

// How a PUT of the current card was answered; the card's new tag is taken up.
Save judgeSave(Session& session, const Query& answer, const addresscard& entry) {
    Verdict saved = judgeStatus(session.cd, answer);
    // Whatever the answer, a text kept from before no longer stands for the server's card: it
    // was overwritten, changed by another client (412), or is gone (404).
    session.book.dropText(entry.uid);
    if (saved.ok()) {
        // Without a tag in the answer the server changed the card while storing it: what it
        // holds differs from what was sent. Its tag is still kept, so that the next save is not
        // refused as a conflict that never happened. The card was written all the same.
        const bool tagged = !getEtag(answer.headers).empty();
        const std::string tag = tagAfterPut(session.cd, entry.url, answer);
        if (!tag.empty())
            session.book.retag(entry.uid, tag);
        currentCardSavedAt(session, tag);
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

bool isWritableUid(const std::string& uid) {
    return std::none_of(uid.begin(), uid.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

NewCardOutcome createNewCard(Session& session, const std::string& bookUrl,
                             const std::string& givenUid, const std::string& cardJson) {
    using Failure = NewCardOutcome::Failure;
    // Whatever follows, the card current before is current no more: the edits and the save
    // meant for the new card must not reach it.
    dropCurrentCard(session);
    SelectedBook& book = session.book;
    // A book named here becomes the selected one (before anything is sent, whatever follows);
    // the UID check below then looks at the book the card goes into.
    if (!bookUrl.empty()) {
        const std::optional<std::string> url = onConnectedServer(session, bookUrl);
        if (!url)
            return {failure(ErrorCode::OffServer), Failure::NoBook, {}};
        book.select(*url);
    }
    const nlohmann::json object =
        cardJson.empty() ? nlohmann::json() : nlohmann::json::parse(cardJson, nullptr, false);
    const std::string uid = newCardUid(givenUid, object);
    if (!book.isSelected())
        return {
            failedBecause(ErrorCode::Failed, "no address book is selected"), Failure::NoBook, {}};
    if (Verdict refused = mayWriteTo(session, book.url()); !refused.ok())
        return {std::move(refused), Failure::NotCreated, {}};
    // A second card with a UID the book already holds would be saved over the first.
    if (book.holds(uid))
        return {failure(ErrorCode::UidAlreadyListed), Failure::NotCreated, {}};
    if (!isWritableUid(uid))
        return {failure(ErrorCode::UidNotWritable), Failure::NotCreated, {}};
    std::string text = newCardText(uid, "New", false, {});
    if (!cardJson.empty()) {
        Judged<std::string> fromJson = cardTextFromJson(uid, object, session.current_mapping);
        if (!fromJson.verdict.ok())
            return {std::move(fromJson.verdict), Failure::NotCreated, {}};
        text = std::move(fromJson.value);
    }

    CreatedCard created = createCard(session.cd, book.url(), text);
    if (!created.verdict.ok())
        return {std::move(created.verdict),
                created.created ? Failure::Unusable : Failure::NotCreated,
                {}};
    NewCard& card = created.card;
    const std::string serverUid = card.record.uid;
    takeCurrentCard(session, serverUid, card.text, card.record.etag);
    book.put(std::move(card.record), std::move(card.text));
    return {{}, Failure::None, serverUid};
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
    // Guarded by the tag of the text the card in memory was built from, never by one listed or
    // synced since: another client's change in between is refused, not overwritten.
    const std::string etag = givenTag.empty() ? currentCardTag(session) : givenTag;
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
    // A card changed on the server since, or gone, no longer has the text kept for it.
    if (isConflict(answer) || isGone(answer))
        book.dropText(uid);
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
