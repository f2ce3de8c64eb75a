// The lines the synchronisation and book functions answer with: tab-separated columns, each line
// ended by a carriage return.
#pragma once

#include "Engine/CardBatch.h"
#include "Engine/Changes.h"
#include "Multistatus/xmlParser.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Appends `value` to `text` with its control characters as percent escapes.
void appendSafely(std::string& text, std::string_view value);

// A list: each entry followed by a carriage return.
std::string listText(const std::vector<std::string>& entries);

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

// One line per address book: URL, name ("" when the server names none), "writable" or
// "read-only".
std::string bookLines(const std::vector<addressbook>& books);
