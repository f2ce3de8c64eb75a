// Reading many cards in few requests, so that opening each of them afterwards needs none: the
// cards a list names (by multiget, a hundred a request), or the whole address book in one
// request.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>
#include <utility>
#include <vector>

// Reads the cards `list` names (UIDs one per line, or lines of the change functions, whose
// changed card lines are taken), or the whole book for "*", from the book named by `bookUrl`
// (which becomes the selected book) or the selected one. Each card named comes back once, in the
// order given, with whether its text is now kept; the whole book comes back in UID order and is
// known anew, as after a selection, with a new token. A failed request stops the reading: the
// cards read before it are kept. The whole book is taken only when every member was read: a
// member the server leaves out or sends without a UID fails the call with -1, a member listing
// cut short with 35, and nothing is applied (the token stays).
struct FetchedList {
    Verdict verdict;
    // No book was named or selected (or one off the connected server): nothing was read.
    bool noBook = false;
    std::vector<std::pair<std::string, bool>> cards; // UID, and whether its text is kept
};
FetchedList fetchCards(Session& session, const std::string& list, const std::string& bookUrl);
