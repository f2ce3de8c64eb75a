#include "Engine/ServerWrites.h"

#include "Engine/AnswerJudge.h"
#include "Transport/HrefResolver.h"
#include "Utils/VorlixUtils.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardGroup.h"
#include "vCard/vCardParser.h"

std::string fetchEtag(CardDavClient& client, const std::string& url) {
    Query answer = client.get_etag(url);
    const auto read = judgedMultistatus(client, answer, [&](std::string body) {
        return xmlParser().getCardData(std::move(body), url);
    });
    for (const addresscard& card : read.value.cards)
        if (!card.etag.empty())
            return card.etag;
    return "";
}

std::string tagAfterPut(CardDavClient& client, const std::string& url, const Query& answer) {
    const std::string tag = getEtag(answer.headers);
    return tag.empty() ? fetchEtag(client, url) : tag;
}

namespace {

// The record as the server now holds the card `text`.
void takeUpCard(addresscard& record, const std::string& text, const std::string& tag) {
    vCardMini summary = readCardSummary(text);
    record.members = std::move(summary.members);
    record.fn = std::move(summary.fn);
    record.categories = std::move(summary.categories);
    if (!tag.empty())
        record.etag = tag;
}

// The tag of a group card created without one, read back with its text: the server changed the
// card while storing it, and `isgroup` tells whether it still holds a group card (a server that
// keeps no group cards stores an ordinary contact). Empty when it cannot be read.
std::string readBackGroup(CardDavClient& client, addresscard& record) {
    const Query read = client.get_vcard(record.url);
    if (!judgeStatus(client, read).ok())
        return "";
    record.isgroup = readCardSummary(read.body).isgroup;
    const std::string tag = getEtag(read.headers);
    return tag.empty() ? fetchEtag(client, record.url) : tag;
}

enum class Attempt { Done, Conflict };

// One fetch, change and guarded PUT; `outcome` receives how it went. Conflict: the PUT was
// refused because the card changed since the fetch.
Attempt tryChange(CardDavClient& client, addresscard& record,
                  const std::function<bool(vCard&)>& change, Verdict& outcome) {
    const Query fetched = client.get_vcard(record.url);
    outcome = judgeStatus(client, fetched);
    if (!outcome.ok())
        return Attempt::Done;
    std::string tag = getEtag(fetched.headers);
    if (tag.empty())
        tag = fetchEtag(client, record.url);
    vCard card = readvCard(fetched.body, FieldMap());
    if (card.items.empty() || tag.empty()) {
        // No card to change, or none that can be written back safely.
        outcome = failedBecause(ErrorCode::Failed, card.items.empty()
                                                       ? "the server's answer holds no card"
                                                       : "the server names no tag for the card");
        return Attempt::Done;
    }
    if (!change(card)) {
        takeUpCard(record, fetched.body, tag);
        return Attempt::Done;
    }
    const std::string text = card.toString();
    const Query answer = client.save_vcard(record.url, text, tag);
    outcome = judgeStatus(client, answer);
    if (isConflict(answer))
        return Attempt::Conflict;
    if (outcome.ok())
        takeUpCard(record, text, tagAfterPut(client, record.url, answer));
    return Attempt::Done;
}

} // namespace

Verdict changeCardOnServer(CardDavClient& client, addresscard& record,
                           const std::function<bool(vCard&)>& change) {
    // Another client's change between the fetch and the PUT is met by fetching again, once.
    Verdict outcome;
    for (int attempt = 0; attempt < 2; ++attempt)
        if (tryChange(client, record, change, outcome) == Attempt::Done)
            break;
    return outcome;
}

Verdict changeGroupMembership(CardDavClient& client, addresscard& group, const std::string& uid,
                              Membership change) {
    return changeCardOnServer(client, group, [&](vCard& card) {
        return change == Membership::Join ? addGroupMember(card, uid)
                                          : removeGroupMember(card, uid) > 0;
    });
}

Verdict createCard(CardDavClient& client, const std::string& addressbookUrl, addresscard& record) {
    // A collection URL given without its final "/" still names the collection: the card goes
    // into it, not beside it.
    const std::string book = collectionUrl(addressbookUrl);
    Query lastProbe;
    const std::string id = client.get_new_vcardid(book, lastProbe);
    if (id.empty()) {
        Verdict probed = judgeStatus(client, lastProbe);
        return !probed.ok()
                   ? probed
                   : failedBecause(ErrorCode::Failed, "no free name for a new card was found");
    }
    record.cardid = id;
    record.url = book + id + ".vcf";
    record.displayname = id + ".vcf";

    const Query answer = client.save_vcard(
        record.url, newCardText(record.uid, record.fn, record.isgroup, record.members), "");
    Verdict created = judgeStatus(client, answer);
    if (!created.ok())
        return created;
    // A server may keep the card at a place of its own choosing, which its answer names; the
    // credentials go to no other server than the one the card was sent to.
    const std::string placed = createdAt(answer);
    if (!placed.empty() && sameOrigin(placed, record.url)) {
        record.url = placed;
        record.displayname = placed.substr(placed.rfind('/') + 1);
        record.cardid = replace(record.displayname, ".vcf", "");
    }
    record.etag = getEtag(answer.headers);
    if (record.etag.empty())
        record.etag =
            record.isgroup ? readBackGroup(client, record) : fetchEtag(client, record.url);
    return created;
}
