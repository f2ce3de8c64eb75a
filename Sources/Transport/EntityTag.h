// Entity tags are kept without their double quotes, a weak one as W/x; HTTP wants them quoted.
// A tag read from an "ETag:" header and one read from a WebDAV getetag element are stored alike,
// so that they compare equal. The kept form tells a weak tag from a strong one whose value
// happens to begin with "W/": that one keeps its quotes.
#pragma once

#include <string>
#include <string_view>

// The tag as it is kept: the spaces, TABs, CRs and LFs around it trimmed and its double quotes
// removed: `"abc"` gives `abc`, `W/"x"` gives `W/x`, ` "abc"\r\n` gives `abc`, and the strong
// `"W/x"` gives `"W/x"`. A tag not quoted as HTTP has it loses every double quote.
std::string storedEntityTag(std::string_view raw);

// The tag as an "If-Match" header needs it: `abc` gives `"abc"`, `W/x` gives `W/"x"`; a tag that
// already begins with a double quote or with `W/"` is returned as it is. Control characters
// (CR, LF, NUL...) are dropped, so that a tag from a script can never end or cut the header line.
std::string quotedEntityTag(const std::string& tag);
