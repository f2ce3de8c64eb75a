// Creating, saving and deleting cards on the server, keeping the selected address book and the
// current card in step with what was done.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>

// A new card in the book named by `bookUrl` (which becomes the selected book, before anything is
// sent) or in the selected one.
struct NewCardOutcome {
    Verdict verdict;
    // How a failed creation failed, for the script's result text.
    enum class Failure {
        None,
        NoBook,     // no book named or selected, or one off the connected server: nothing sent
        NotCreated, // the card is unwritable, its UID taken, or the server refused: nothing created
        Unusable,   // created, but not where or as it can be written again safely
    } failure = Failure::None;
    // The new card's UID as the server holds it.
    std::string uid;
};
// Creates a card with one create-only PUT and makes it the current card, exactly as the server
// holds it (read back where the server names no tag, which may have changed it and its UID). The
// card is the one `cardJson` describes (CardFromJson.h), or, when that is empty, a placeholder
// (FN "New"). Its UID is `uid`, else the one the object names, else a new one. No card is
// current until the card is. Fails with 4 when the book already holds a card or group with that
// UID, 5 when the UID holds a control character, 21 for an object that makes no card, 29 when the
// book is read-only for the account (Engine/WriteChecks.h; nothing sent), or the creation's
// verdict.
NewCardOutcome createNewCard(Session& session, const std::string& bookUrl, const std::string& uid,
                             const std::string& cardJson);

// Whether `uid` can go into a UID line as it is: a control character (a line break above all)
// would end the line and let the rest of the text become properties of its own.
bool isWritableUid(const std::string& uid);

// How a save of the current card went.
struct Save {
    Verdict verdict;
    enum class Outcome {
        Saved,         // written, and the server names its tag
        ServerChanged, // written, but the server changed it on storing (no tag came back)
        NotCurrent,    // no card is current, or its fetch failed: nothing sent (3)
        ReadOnly,      // the book is read-only for the account: nothing sent (29)
        Invalid,       // FN, N, PRODID or VERSION present but empty: nothing sent (-1)
        Conflict,      // 412: another client changed the card since (19)
        Refused,       // 403 (43)
        Failed,        // any other failure, with the answer's status (0: no answer came)
    } outcome = Outcome::Saved;
    int status = 0;
};
// Writes the current card with one PUT to its href, guarded by If-Match with `etag`, or, when
// `etag` is empty, with the tag of the text the card was built from (currentCardTag). The card's
// new tag is taken up; a text kept for it is dropped, whatever the answer.
Save saveCurrentCard(Session& session, const std::string& etag);

// Deletes the card `uid` of the selected book. With `etag` the DELETE is guarded: a card another
// client changed since stays (19), and one already gone counts as deleted. A deleted card is
// also taken out of every group card that lists it, unless the book keeps its groups as
// categories. Fails with 3 for a UID that is not listed, 29 in a read-only book. `deleted` tells
// whether the card is gone, also when a group card could not be rewritten afterwards.
struct Deletion {
    Verdict verdict;
    bool deleted = false;
};
Deletion deleteCard(Session& session, const std::string& uid, const std::string& etag);

// Deletes every card the book at `bookUrl` lists, group cards included, going on after a failed
// DELETE; the first failure is the verdict. A listing that fails or does not read whole deletes
// nothing, and so does a read-only book (29). What is known of the selected book does not change.
Verdict deleteAllCards(Session& session, const std::string& bookUrl);
