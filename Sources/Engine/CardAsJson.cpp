#include "Engine/CardAsJson.h"

#include "Engine/CurrentCard.h"
#include "Engine/Groups.h"
#include "vCard/CardJson.h"

#include <nlohmann/json.hpp>

#include <utility>

namespace {

CardIdentity currentIdentity(const Session& session) {
    CardIdentity identity;
    identity.uid = session.current_vcard_id;
    if (const addresscard* entry = session.book.card(identity.uid))
        identity.href = entry->url;
    identity.etag = currentCardTag(session);
    identity.groups = groupNamesOf(session, identity.uid);
    return identity;
}

} // namespace

Judged<std::string> currentCardJson(const Session& session) {
    if (session.current_vcard_id.empty())
        return {failure(ErrorCode::CardNotListed), ""};
    const nlohmann::json card =
        cardJson(session.current_vcard, currentIdentity(session), currentVocabulary(session));
    return {{}, card.dump()};
}

Verdict changeCurrentCardFromJson(Session& session, const std::string& text) {
    if (session.current_vcard_id.empty())
        return failure(ErrorCode::CardNotListed);
    const nlohmann::json changes = nlohmann::json::parse(text, nullptr, false);
    std::string refusal = "the text is no JSON";
    // Changed on a copy, which replaces the card only when every change was taken.
    vCard changed = session.current_vcard;
    if (changes.is_discarded() || !applyCardJson(changed, currentIdentity(session),
                                                 currentVocabulary(session), changes, refusal))
        return failedBecause(ErrorCode::InvalidCardJson, refusal);
    session.current_vcard = std::move(changed);
    return {};
}
