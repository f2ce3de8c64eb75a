// The lines the synchronisation functions answer with, and the book entries they make of cards
// read whole.
#pragma once

#include "Multistatus/xmlParser.h"

#include <string>
#include <string_view>

// Appends one line of a sync result: kind ("changed" or "deleted"), UID, ETag, "group" for a
// group card or nothing, href (the card's full URL); tab-separated, always five columns, ended
// by a carriage return. A deleted card has no ETag, and no UID where none is known.
void appendChangeLine(std::string& lines, std::string_view kind, const std::string& uid,
                      const std::string& etag, bool isgroup, const std::string& href);

// The book entry of the card at `url` whose whole text was read at tag `etag`: UID, kind, name
// and members as the text holds them (no UID when it holds none).
addresscard entryOfText(const std::string& url, const std::string& etag,
                        const std::string& lastmodified, const std::string& text);
