// Reading what a whole address book holds, as every operation that lists one does.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"
#include "Multistatus/xmlParser.h"

#include <string>

struct Listing {
    // A success when the server answered with a listing read whole; otherwise the failed
    // request's verdict, -1 for an answer that is no complete multistatus (cut off, an error
    // page), or 35 for a listing the server cut short (507): neither says what the address book
    // holds.
    Verdict verdict;
    // The cards and group cards on the book's own server, in the server's order (with the texts
    // of those the server proved whole by their length); empty unless the verdict is a success.
    cardlisting cards;
};

// The book an operation that reads the server's cards works on: the one named by `given` (which
// becomes the selected book, with nothing known of it yet unless it was selected already), or,
// when `given` is empty, the selected one. Fails with 20 for a URL off the connected server
// (nothing changes), -1 when no book is named or selected.
Verdict selectNamedBook(Session& session, const std::string& given);

// The listing REPORT on the address book at `url`. The cards' categories are asked too where
// the group style may need them. With `into`, the cards are made records of the book there as
// they are read, and the listing holds none: what `into` holds is the book only where the
// verdict is a success.
Listing listAddressBook(Session& session, const std::string& url,
                        SelectedBook::ListedCards* into = nullptr);

struct BookToken {
    // A success also when the server answers but offers no token (it has no sync support); the
    // failure of a request that got no usable answer (none at all, one cut off or unreadable, a
    // server failure), after which an empty token would only look like no sync support.
    Verdict verdict;
    std::string token;
};

// The sync token of the address book at `url`, asked before its listing so that it stands for a
// state no later than the listing's: changes made in between come again at the next sync
// rather than never. Whether the account may write to the book comes with it, and is learnt.
BookToken bookSyncToken(Session& session, const std::string& url);
