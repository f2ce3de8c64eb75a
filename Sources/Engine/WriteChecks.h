// The check every write to the server passes before anything is sent: a card created, saved or
// deleted, a group changed, a book emptied. One rule in one place, so that no write function can
// skip it.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>

// Fails with 29 when the server said that the account may only read the book at `bookUrl`
// (SelectedBook::isReadOnly); nothing is sent then.
Verdict mayWriteTo(const Session& session, const std::string& bookUrl);
