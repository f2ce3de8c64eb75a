// What changed on the server: since a sync token, against the tags a script holds, or as the
// tags of the cards the session knows. Only the server says what was removed: a card is
// reported deleted when a sync answer names it gone (404), or when a whole listing no longer
// holds an href the script holds. A card an answer merely leaves out, or sends with a text that
// names no card (empty, or without a UID) even when read again, fails the call, and nothing is
// applied.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>
#include <vector>

// One card that changed or was deleted, or one the session knows.
struct CardChange {
    enum class Kind { Changed, Deleted } kind = Kind::Changed;
    std::string uid;  // empty for a deleted card nothing was ever known of
    std::string etag; // empty for a deleted card
    bool isgroup = false;
    std::string href; // the card's full URL
    std::string lastmodified;
};

// What changed in the book named by `bookUrl` (which becomes the selected book, no listing
// needed) or in the selected one, since `token` (empty: every card), with every changed card
// read whole. On success the book is brought in step and its token moved on; on failure nothing
// changes and `failureText` says how the script is told ("ERROR", or the expired and
// unsupported texts).
struct ChangesSince {
    Verdict verdict;
    std::string failureText;
    std::vector<CardChange> changes;
};
ChangesSince changesSince(Session& session, const std::string& token, const std::string& bookUrl);

// One listing of the selected book compared with what a script holds: `stored` is one line per
// record, href, tab, ETag (and, optionally, tab, UID). A listed card whose href the script does
// not hold, or holds with another tag, is changed; a held href the listing no longer holds is
// deleted. The book is known anew from the listing, with a new token.
Judged<std::vector<CardChange>> compareTags(Session& session, const std::string& stored);

// The cards and then the group cards the session knows of the selected book, in UID order.
std::vector<CardChange> knownTags(const Session& session);

// Whether the server's copy of the card `uid` still has the tag `heldTag`.
struct TagCheck {
    Verdict verdict;
    enum class Answer {
        NotChanged,
        Changed,
        Deleted,
        DataError,
        Unanswered
    } answer = Answer::Unanswered;
};
// Unanswered with no failure for an empty UID or tag or an unlisted card. The tag the server
// names is taken up as the card's (a text kept at another drops); a card found gone, or changed
// without a tag named, loses its kept text.
TagCheck checkTag(Session& session, const std::string& uid, const std::string& heldTag);
