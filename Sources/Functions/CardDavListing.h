// Reading what a whole address book holds, as every function that lists one does.
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Multistatus/xmlParser.h"

#include <string>

struct Listing {
    // 0 when the server answered with a listing read whole; otherwise the failed request's code,
    // or -1 for an answer that is no complete multistatus (cut off, an error page): its
    // emptiness says nothing about the address book.
    fmx::int16 code = 0;
    // The cards and group cards on the book's own server, in the server's order (with the texts
    // of those the server sent whole); empty unless the code is 0.
    cardlisting cards;
};

// The book a function that reads the server's cards works on: the one named by `given` (which
// becomes the selected book, with nothing known of it yet unless it was selected already), or,
// when `given` is empty, the selected one. Returns 0; 20 for a URL off the connected server
// (nothing changes); -1 when no book is named or selected.
fmx::int16 selectNamedBook(const std::string& given);

// The listing REPORT on the address book at `url`. The cards' categories are asked too where
// the group style may need them.
Listing listAddressBook(const std::string& url);

struct BookToken {
    // 0, also when the server answers but offers no token (it has no sync support); the code of
    // a request that got no usable answer (none at all, one cut off or unreadable, a server
    // failure), after which an empty token would only look like no sync support.
    fmx::int16 code = 0;
    std::string token;
};

// The sync token of the address book at `url`, asked before its listing so that it stands for a
// state no later than the listing's: changes made in between come again at the next sync
// rather than never.
BookToken bookSyncToken(const std::string& url);
