// A new card made from a card object as CardDav_GetvCardJSON gives it (vCard/CardJson.h), for the
// functions that create cards from what a script holds rather than from a placeholder.
#pragma once

#include "Engine/Verdict.h"
#include "Mapping/DataMapping.h"

#include <nlohmann/json.hpp>

#include <string>

// The UID of a new card: `given` when not empty, else the object's "uid", else a new one.
std::string newCardUid(const std::string& given, const nlohmann::json& object);

// The text of a new vCard 3.0 card with UID `uid`, holding what `object` sets, its field names
// read in `vocabulary`. `href` and `etag` are left out (a card copied from a book names its place
// there, which the new card does not have); every other key is taken as CardDav_SetvCardJSON
// takes it on an empty card, the read-only ones only where they hold what a new card holds.
// Without a display name (FN) the card is named from its name's components, else its
// organisation. Fails with 21 for anything else than such an object, or a card that names
// nobody.
Judged<std::string> cardTextFromJson(const std::string& uid, nlohmann::json object,
                                     const FieldMap& vocabulary);
