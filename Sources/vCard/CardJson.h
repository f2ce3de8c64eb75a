// A whole card as one JSON object, as FileMaker scripts read it with JSONGetElement, and the
// changes such an object makes to a card: values as a person reads them (escapes resolved, line
// breaks as CR), every e-mail address, phone, address, URL, messaging handle and date with its
// types, preference and label, the fields of the vocabulary in force, name, organisation, groups
// and the photo's kind and size.
#pragma once

#include "Mapping/DataMapping.h"
#include "vCard/vCard.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// What the card's entry in the address book says of it, beside its text.
struct CardIdentity {
    std::string uid;
    std::string href;
    std::string etag;
    // The names of the groups holding the card, as their FN values hold them (escaped).
    std::vector<std::string> groups;
};

// The card as a JSON object; `vocabulary` is the field map whose names `fields` lists.
nlohmann::json cardJson(const vCard& card, const CardIdentity& identity,
                        const FieldMap& vocabulary);

// Makes the changes `changes` (an object as cardJson gives) to `card`: each key present changes
// what it stands for, but only where its value differs from what cardJson gives for the card as
// it is (so a key handed back unchanged changes nothing, and a line nobody changed stays as it
// was read). Arrays and objects go first, then `fields` through the vocabulary. The read-only
// keys (uid, href, etag, version, kind, groups; photo but for null) are refused unless they hold
// what the card holds. Returns false, with `refusal` saying why, for anything that is not such
// an object: an unknown key, a value of the wrong kind, a changed read-only key. On failure the
// card may be changed in part: apply to a copy.
bool applyCardJson(vCard& card, const CardIdentity& identity, const FieldMap& vocabulary,
                   const nlohmann::json& changes, std::string& refusal);
