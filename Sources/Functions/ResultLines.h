// The lines the synchronisation functions answer with: tab-separated columns, each line ended by
// a carriage return.
#pragma once

#include "Engine/CardBatch.h"
#include "Engine/Changes.h"

#include <string>
#include <utility>
#include <vector>

// One line per change: kind ("changed" or "deleted"), UID, ETag, "group" for a group card or
// nothing, href (the card's full URL); always five columns. A deleted card has no ETag, and no
// UID where none is known.
std::string changeLines(const std::vector<CardChange>& changes);

// One line per known card: UID, ETag, last modified, "group" or nothing, href.
std::string knownTagLines(const std::vector<CardChange>& known);

// One line per card read: "fetched" or "missing", tab, UID.
std::string fetchLines(const std::vector<std::pair<std::string, bool>>& cards);

// One line per element of a batch of writes: what happened ("created", "saved", "deleted",
// "conflict", "gone", "refused" or "failed"), UID, ETag, href, the code, and why in words where
// the code is not 0.
std::string batchLines(const std::vector<BatchLine>& lines);
