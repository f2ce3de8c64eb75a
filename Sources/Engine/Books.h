// The account's address books, and the selected one.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>
#include <vector>

// The URLs of the address books under the home, in the server's order; a book the credentials
// may not go to is no book of this account.
Judged<std::vector<std::string>> addressBookUrls(Session& session);

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
