// The current card as one JSON object, and the current card changed from such an object: one
// call per record where a script otherwise reads and writes each field on its own.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>

// The current card as JSON text (vCard/CardJson.h), with its UID, href and groups as the
// selected book knows them, and the tag of the text it was built from (currentCardTag). Fails with
// 3 while no card is current.
Judged<std::string> currentCardJson(const Session& session);

// Changes the current card from the JSON text `changes` (vCard/CardJson.h): every change is made
// on a copy, which replaces the card only when every change was taken. Fails with 3 while no card
// is current, 21 when the text is no such object (the card is unchanged).
Verdict changeCurrentCardFromJson(Session& session, const std::string& changes);
