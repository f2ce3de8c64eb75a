// The lines the synchronisation functions answer with.
#pragma once

#include <string>
#include <string_view>

// Appends one line of a sync result: kind ("changed" or "deleted"), UID, ETag, "group" for a
// group card or nothing, href (the card's full URL); tab-separated, always five columns, ended
// by a carriage return. A deleted card has no ETag, and no UID where none is known.
void appendChangeLine(std::string& lines, std::string_view kind, const std::string& uid,
                      const std::string& etag, bool isgroup, const std::string& href);
