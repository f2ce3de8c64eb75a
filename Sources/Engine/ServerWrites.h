// Writes to the server that several external functions share: creating a card resource from a
// record, rewriting a group card, and learning the entity tag a PUT produced.
#pragma once

#include "Engine/Verdict.h"
#include "Multistatus/xmlParser.h"
#include "Transport/CardDavClient.h"
#include "vCard/vCard.h"

#include <functional>
#include <string>

// The card's current entity tag (quotes removed) asked with a getetag PROPFIND; empty when the
// request fails or names no tag.
std::string fetchEtag(CardDavClient& client, const std::string& url);

// The entity tag after a successful PUT to `url`: the answer's ETag header, or, when the answer
// carries none (a server that changed the card while storing it, by adding a REV line for
// example), the tag the server reports for the card now.
std::string tagAfterPut(CardDavClient& client, const std::string& url, const Query& answer);

// Changes the card `record` stands for on the server: the card is fetched and `change` applied
// to it (answering whether it changed anything), so that everything else another client wrote in
// it goes back as it was. The PUT is guarded by the tag just fetched; when another client changed
// the card in between (412) it is fetched and changed once more. `record` (name, members,
// categories, tag) is updated from what the server then holds, and only when it accepted the
// change; a change that is already true on the server sends no PUT. Fails with the failed
// request's verdict (-1 for an answer that holds no card).
Verdict changeCardOnServer(CardDavClient& client, addresscard& record,
                           const std::function<bool(vCard&)>& change);

enum class Membership { Join, Leave };

// Adds `uid` to, or takes it out of, the members of an existing group card on the server, its
// member lines in the card's own dialect (changeCardOnServer).
Verdict changeGroupMembership(CardDavClient& client, addresscard& group, const std::string& uid,
                              Membership change);

// Creates a new card resource in the address book at `addressbookUrl` (a "/" is added when it
// does not end in one) from `record`, whose uid, fn, isgroup and members are set: a free identifier
// is found, the record's cardid, url and displayname are filled from it, and its minimal text is
// PUT create-only. On success the record's url is where the server keeps the card (the Location
// of its answer, on the same origin), and its etag holds the new tag (empty when the server named
// none); a group card the server named no tag for is read back, its `isgroup` as the server
// holds it. Fails with the refused PUT's verdict, or with the last identifier probe's (-1 when that
// has none) when no free identifier was found; nothing is PUT then.
Verdict createCard(CardDavClient& client, const std::string& addressbookUrl, addresscard& record);
