#include "Engine/ServerWrites.h"

#include "Engine/AnswerJudge.h"
#include "Platform/RandomUuid.h"
#include "Transport/HrefResolver.h"
#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
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

// The record as the server now holds the card its summary says: its name, members and
// categories (its UID and kind stay the record's), with the tag when one is known.
void takeUpSummary(addresscard& record, vCardMini summary, const std::string& tag) {
    record.members = std::move(summary.members);
    record.fn = std::move(summary.fn);
    record.categories = std::move(summary.categories);
    if (!tag.empty())
        record.etag = tag;
}

void takeUpCard(addresscard& record, const std::string& text, const std::string& tag) {
    takeUpSummary(record, readCardSummary(text), tag);
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

std::string newCardUrl(const std::string& bookUrl) {
    return collectionUrl(bookUrl) + toLowerAscii(replace(newguid(), "-", "")) + ".vcf";
}

Placement judgeCreation(const CardDavClient& client, const Query& answer) {
    Placement placed;
    placed.verdict = judgeStatus(client, answer);
    placed.nameTaken = isConflict(answer);
    if (!placed.verdict.ok())
        return placed;
    placed.created = true;
    placed.url = answer.url;
    const std::string elsewhere = createdAt(answer);
    if (!elsewhere.empty()) {
        // The credentials go only to the server the card was sent to.
        if (!sameOrigin(elsewhere, answer.url)) {
            placed.verdict = failedBecause(
                ErrorCode::OffServer,
                "the server created the card but names its place on another server: " + elsewhere);
            return placed;
        }
        placed.url = elsewhere;
    }
    placed.etag = getEtag(answer.headers);
    return placed;
}

addresscard cardRecord(const std::string& url, const std::string& etag, const std::string& text) {
    addresscard record;
    record.url = url;
    record.etag = etag;
    const std::string path = pathOf(url);
    record.cardid = replace(path.substr(path.rfind('/') + 1), ".vcf", "");
    vCardMini summary = readCardSummary(text);
    record.uid = summary.uid;
    record.isgroup = summary.isgroup;
    takeUpSummary(record, std::move(summary), etag);
    return record;
}

namespace {

// Both the fresh name and the one after it taken: the server means something else by 412.
constexpr int kCreationAttempts = 2;

// The card the server holds at `url`, read back with its tag.
Judged<NewCard> readBack(CardDavClient& client, const std::string& url) {
    const Query answer = client.get_vcard(url);
    Verdict fetched = judgeStatus(client, answer);
    if (!fetched.ok())
        return {std::move(fetched), {}};
    std::string tag = getEtag(answer.headers);
    if (tag.empty())
        tag = fetchEtag(client, url);
    addresscard record = cardRecord(url, tag, answer.body);
    if (tag.empty() || record.uid.empty())
        return {failedBecause(ErrorCode::Failed,
                              tag.empty() ? "the server names no tag for the card"
                                          : "the server's copy of the card holds no UID"),
                {}};
    return {{}, {std::move(record), answer.body}};
}

} // namespace

CreatedCard createCard(CardDavClient& client, const std::string& bookUrl, const std::string& text) {
    Placement placed;
    for (int attempt = 0; attempt < kCreationAttempts; ++attempt) {
        placed = judgeCreation(client, client.save_vcard(newCardUrl(bookUrl), text, ""));
        if (!placed.nameTaken)
            break;
    }
    if (!placed.verdict.ok())
        return {std::move(placed.verdict), placed.created, {}};
    // A tag says the server holds the card as it was sent.
    if (!placed.etag.empty())
        return {{}, true, {cardRecord(placed.url, placed.etag, text), text}};
    Judged<NewCard> read = readBack(client, placed.url);
    if (!read.verdict.ok())
        return {failedBecause(read.verdict.code,
                              "the server created the card but it could not be read back: " +
                                  read.verdict.reason),
                true,
                {}};
    return {{}, true, std::move(read.value)};
}
