// Many writes in one call: cards created, changed and deleted from a JSON array, each element on
// its own, without a listing of the book and without touching the current card. Every write is
// guarded: a creation by If-None-Match, a change or a deletion by If-Match with the tag the
// element names (the tag the script read the card at). The writes go out side by side on a few
// connections (CardDavClient::query_all), those to one card in the order given.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <cstddef>
#include <string>
#include <vector>

// What became of one element.
struct BatchLine {
    enum class Outcome {
        Created,  // a new card
        Saved,    // the changes written
        Deleted,  // the card deleted
        Conflict, // the card changed on the server since the element's tag (19): not written
        Gone,     // the card is no longer on the server: a change 23, a deletion 0
        Refused,  // not sent, the element being unusable, or refused by the server as invalid
        Failed,   // no answer, or the server failed or refused the credentials
    } outcome = Outcome::Failed;
    // The card's UID (as the server holds it, for a new card), its tag after the write (empty
    // where it has none), its URL.
    std::string uid;
    std::string etag;
    std::string href;
    // 0, or the code with its reason; a written card whose tag could not be read back has the
    // reading's code.
    Verdict verdict;
};

struct Batch {
    // A failure only when no element could be worked on: no book, or no JSON array.
    Verdict verdict;
    std::vector<BatchLine> lines;
};

// Works through the elements of the JSON array `elements` from index `from` on (0 for the first),
// `count` of them (0: all that follow), in the book named by `bookUrl` (which becomes the selected
// book) or the selected one; one line per element in their order. Elements:
//   {"action": "create", "card": {...}, "uid": "..."}    the card as CardDav_GetvCardJSON gives
//                                                        it; the UID optional (CardFromJson.h)
//   {"action": "change", "uid" or "href", "etag", "card": {changes}}
//   {"action": "delete", "uid" or "href", "etag"}
// A card named by UID must be known to the session (listed, synced or fetched); an href needs no
// listing. A change is made to the card's text as the server holds it: the text kept at the
// element's tag, else read with the other changes' cards by multiget. A card written without a
// tag in the answer is read back (one multiget for all), and what is known of the book follows
// every write; a deleted card leaves the group cards that list it.
Batch writeCards(Session& session, const std::string& elements, const std::string& bookUrl,
                 std::size_t from, std::size_t count);
