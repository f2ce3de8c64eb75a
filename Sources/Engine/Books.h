// The account's address books, and the selected one.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>
#include <vector>

// The address books under the home, in the server's order, each with its URL on the connected
// server, its name and whether the account may write to it (which is learnt for the write
// check); a book the credentials may not go to is no book of this account.
Judged<std::vector<addressbook>> accountBooks(Session& session);

// Selects the book at `url` (empty: the selected one again) and reads its listing into the
// session, its sync token first. `selected` is false when nothing was selected: a URL off the
// connected server (20, nothing sent). A failed or unreadable answer leaves the book selected
// with nothing known of it, and no token.
struct Selection {
    Verdict verdict;
    bool selected = true;
};
Selection selectAddressBook(Session& session, const std::string& url);

// The UIDs of the selected book's cards, in byte order.
std::vector<std::string> bookCardUids(const Session& session);
