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

// A card the plug-in created, as the server holds it: its record (UID, name, group members and
// categories read from the text, href, tag) and its text.
struct NewCard {
    addresscard record;
    std::string text;
};

// How a creation went. A card can be created (the server took it) and still fail: when the
// server put it on another server, or names no tag for it and cannot read it back, it cannot
// be written again safely.
struct CreatedCard {
    Verdict verdict;
    bool created = false;
    NewCard card; // when the verdict is a success
};

// The URL a new card is PUT at in the book at `bookUrl` (a "/" is added when it does not end in
// one): a fresh name of hexadecimal digits and ".vcf", which every server takes.
std::string newCardUrl(const std::string& bookUrl);

// What the answer to the create-only PUT of `text` says of the new card: where it is (the place
// the server chose, Location, or where it was PUT) and its tag (empty when the answer names
// none: the server changed the card while storing it, and it must be read back). `nameTaken`:
// the server holds a resource at that name already (412), and a fresh name may be tried.
struct Placement {
    Verdict verdict;
    bool created = false;
    bool nameTaken = false;
    std::string url;
    std::string etag;
};
Placement judgeCreation(const CardDavClient& client, const Query& answer);

// The record of the card the server holds as `text` at `url` under `etag`.
addresscard cardRecord(const std::string& url, const std::string& etag, const std::string& text);

// Creates the card `text` in the book at `bookUrl` with one create-only PUT (again under a fresh
// name when the first is taken). When the server names no tag for it, it is read back, so that
// the card and its UID are as the server holds them (a server may replace the UID and rewrite
// the card). Fails with the refused PUT's verdict (nothing created), or, the card created, with
// 20 when the server put it on another server, or -1 when it cannot be read back with its tag.
CreatedCard createCard(CardDavClient& client, const std::string& bookUrl, const std::string& text);
