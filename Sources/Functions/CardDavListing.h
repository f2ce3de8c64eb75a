// Reading the card listing of an address book, as every function that needs one does.
#pragma once

#include "FMWrapper/FMXTypes.h"
#include "Multistatus/xmlParser.h"

#include <string>
#include <vector>

struct Listing {
    // 0 when the server answered with a listing read whole; otherwise the failed request's code,
    // or -1 for an answer that is no complete multistatus (cut off, an error page): its
    // emptiness says nothing about the address book.
    fmx::int16 code = 0;
    // The cards and group cards on the book's own server, in the server's order; empty unless
    // the code is 0.
    std::vector<addresscard> cards;
};

// The listing REPORT on the address book at `url`.
Listing listAddressBook(const std::string& url);

// The sync token of the address book at `url`, asked before its listing so that it stands for a
// state no later than the listing's: changes made in between come again at the next sync
// rather than never. Empty when the server offers none, or the request fails.
std::string bookSyncToken(const std::string& url);
