// Writes to the server that several external functions share: creating a card resource from a
// record, rewriting a group card, and learning the entity tag a PUT produced.
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Multistatus/xmlParser.h"
#include "Transport/CardDavClient.h"

#include <string>

// The card's current entity tag (quotes removed) asked with a getetag PROPFIND; empty when the
// request fails or names no tag.
std::string fetchEtag(const std::string& url);

// The entity tag after a successful PUT to `url`: the answer's ETag header, or, when the answer
// carries none (a server that changed the card while storing it, by adding a REV line for
// example), the tag the server reports for the card now.
std::string tagAfterPut(const std::string& url, const Query& answer);

// Rewrites a group card on the server from its record, guarded by the record's tag ("If-Match"),
// and stores the new tag in the record on success. Returns the code of the PUT's answer.
fmx::int16 putGroup(addresscard& group);

// Creates a new card resource in the address book at `addressbookUrl` (a "/" is added when it
// does not end in one) from
// `record`, whose uid, fn, isgroup and members are set: a free identifier is found, the record's
// cardid, url and displayname are filled from it, and its minimal text is PUT create-only. On
// success the record's etag holds the new tag (empty when the server named none). Returns 0, the
// code of the refused PUT, or the code of the last identifier probe (-1 when that has none) when
// no free identifier was found; nothing is PUT then.
fmx::int16 createCard(const std::string& addressbookUrl, addresscard& record);
