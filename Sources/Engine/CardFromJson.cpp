#include "Engine/CardFromJson.h"

#include "Platform/RandomUuid.h"
#include "vCard/CardJson.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardParser.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

vCardItem* firstOfKind(vCard& card, const char* kind) {
    const auto found = std::find_if(card.items.begin(), card.items.end(),
                                    [&](const vCardItem& item) { return item.isOfKind(kind); });
    return found == card.items.end() ? nullptr : &*found;
}

// The card's display name from its name's components (prefix, first, additional, last, suffix,
// as a person says them), else from its organisation; false when the card names nobody.
bool giveDisplayName(vCard& card) {
    vCardItem* displayName = firstOfKind(card, "FN");
    if (displayName && !displayName->value.empty())
        return true;
    std::string name;
    if (const vCardItem* structured = firstOfKind(card, "N"))
        for (const char* component : {"prefix", "first", "additional", "last", "suffix"}) {
            const std::string part = structured->get(component);
            if (!part.empty())
                name += (name.empty() ? "" : " ") + part;
        }
    const vCardItem* org = firstOfKind(card, "ORG");
    if (name.empty() && org) {
        const std::vector<std::string> units = org->getRawValues(';');
        if (!units.empty())
            name = units.front();
    }
    if (name.empty() || !displayName)
        return false;
    displayName->set(name, "");
    return true;
}

} // namespace

std::string newCardUid(const std::string& given, const nlohmann::json& object) {
    if (!given.empty())
        return given;
    const auto uid = object.is_object() ? object.find("uid") : object.end();
    if (uid != object.end() && uid->is_string() && !uid->get<std::string>().empty())
        return uid->get<std::string>();
    return newguid();
}

Judged<std::string> cardTextFromJson(const std::string& uid, nlohmann::json object,
                                     const FieldMap& vocabulary) {
    if (!object.is_object())
        return {failedBecause(ErrorCode::InvalidCardJson, "the card is no JSON object"), ""};
    object.erase("href");
    object.erase("etag");
    vCard card = readvCard(newCardText(uid, "", false, {}), vocabulary);
    CardIdentity identity;
    identity.uid = uid;
    std::string refusal;
    if (!applyCardJson(card, identity, vocabulary, object, refusal))
        return {failedBecause(ErrorCode::InvalidCardJson, refusal), ""};
    if (!giveDisplayName(card))
        return {failedBecause(ErrorCode::InvalidCardJson,
                              "a new card needs a name: fields.displayname, name or org"),
                ""};
    return {{}, card.toString()};
}
