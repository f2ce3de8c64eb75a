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
    // A whole book read in pieces: how many of its cards are left for the next pieces.
    std::size_t left = 0;
};
FetchedList fetchCards(Session& session, const std::string& list, const std::string& bookUrl);

// The next piece of a whole-book read of the book named by `bookUrl` (which becomes the selected
// book) or the selected one: up to `piece` cards (at most kLargestPiece) read whole with one
// multiget. The first piece begins the read with the book's token and a listing of its members
// (two requests); the last one makes the book known anew, as after a selection, with that token.
// Each card read is known at once, its text kept, so that it opens without a request. A failed
// request, or an answer that leaves out a card asked for, fails the piece: the next call asks for
// it again.
constexpr std::size_t kLargestPiece = 1000;
FetchedList fetchBookPiece(Session& session, const std::string& bookUrl, std::size_t piece);
