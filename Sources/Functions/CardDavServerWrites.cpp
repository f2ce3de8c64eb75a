#include "Functions/CardDavServerWrites.h"

#include "Functions/AnswerJudge.h"
#include "Functions/CardDavState.h"
#include "Transport/HrefResolver.h"
#include "Utils/VorlixUtils.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardGroup.h"
#include "vCard/vCardParser.h"

std::string fetchEtag(const std::string& url) {
    Query answer = session().cd.get_etag(url);
    if (answer.status != 207)
        return "";
    const Read<cardlisting> read = xmlParser().getCardData(std::move(answer.body), url);
    for (const addresscard& card : read.value.cards)
        if (!card.etag.empty())
            return card.etag;
    return "";
}

std::string tagAfterPut(const std::string& url, const Query& answer) {
    const std::string tag = getEtag(answer.headers);
    return tag.empty() ? fetchEtag(url) : tag;
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

enum class Attempt { Done, Conflict };

// One fetch, change and guarded PUT; `code` receives the outcome. Conflict: the PUT was refused
// because the card changed since the fetch.
Attempt tryChange(addresscard& record, const std::function<bool(vCard&)>& change,
                  fmx::int16& code) {
    const Query fetched = session().cd.get_vcard(record.url);
    code = judgeStatus(fetched).code;
    if (code != ErrorCode::None)
        return Attempt::Done;
    std::string tag = getEtag(fetched.headers);
    if (tag.empty())
        tag = fetchEtag(record.url);
    vCard card = readvCard(fetched.body, FieldMap());
    if (card.items.empty() || tag.empty()) {
        // No card to change, or none that can be written back safely.
        code = failedBecause(ErrorCode::Failed, card.items.empty()
                                                    ? "the server's answer holds no card"
                                                    : "the server names no tag for the card")
                   .code;
        return Attempt::Done;
    }
    if (!change(card)) {
        takeUpCard(record, fetched.body, tag);
        return Attempt::Done;
    }
    const std::string text = card.toString();
    const Query answer = session().cd.save_vcard(record.url, text, tag);
    code = judgeStatus(answer).code;
    if (answer.status == 412)
        return Attempt::Conflict;
    if (code == ErrorCode::None)
        takeUpCard(record, text, tagAfterPut(record.url, answer));
    return Attempt::Done;
}

} // namespace

fmx::int16 changeCardOnServer(addresscard& record, const std::function<bool(vCard&)>& change) {
    // Another client's change between the fetch and the PUT is met by fetching again, once.
    fmx::int16 code = ErrorCode::None;
    for (int attempt = 0; attempt < 2; ++attempt)
        if (tryChange(record, change, code) == Attempt::Done)
            break;
    return code;
}

fmx::int16 changeGroupMembership(addresscard& group, const std::string& uid, Membership change) {
    return changeCardOnServer(group, [&](vCard& card) {
        return change == Membership::Join ? addGroupMember(card, uid)
                                          : removeGroupMember(card, uid) > 0;
    });
}

fmx::int16 createCard(const std::string& addressbookUrl, addresscard& record) {
    // A collection URL given without its final "/" still names the collection: the card goes
    // into it, not beside it.
    const std::string book = collectionUrl(addressbookUrl);
    Query lastProbe;
    const std::string id = session().cd.get_new_vcardid(book, lastProbe);
    if (id.empty()) {
        const fmx::int16 code = judgeStatus(lastProbe).code;
        return code != ErrorCode::None
                   ? code
                   : failedBecause(ErrorCode::Failed, "no free name for a new card was found").code;
    }
    record.cardid = id;
    record.url = book + id + ".vcf";
    record.displayname = id + ".vcf";

    const Query answer = session().cd.save_vcard(
        record.url, newCardText(record.uid, record.fn, record.isgroup, record.members), "");
    const fmx::int16 code = judgeStatus(answer).code;
    if (code == ErrorCode::None)
        record.etag = tagAfterPut(record.url, answer);
    return code;
}
