// The lines the synchronisation and book functions answer with: tab-separated columns, each line
// ended by a carriage return.
#pragma once

#include "Engine/Changes.h"
#include "Multistatus/xmlParser.h"

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

// One line per address book: URL, name ("" when the server names none; a tab or line break in
// it becomes a blank), "writable" or "read-only".
std::string bookLines(const std::vector<addressbook>& books);
