// The current card: fetching a card of the selected address book to make it current, shared by
// the functions that take a UID to read.
#pragma once

#include "FMWrapper/FMXTypes.h"

#include <string>

// Makes the card with this UID the current card: from the text kept for it while the server
// names the tag it was read at, else fetched from the server (its tag taken up). The card is
// current, and empty, before the request, so a failed fetch leaves no other card current.
// Returns 0, 3 when the UID is not listed in the selected book (nothing changes), or the
// fetch's code.
fmx::int16 makeCardCurrent(const std::string& uid);
