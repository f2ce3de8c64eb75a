// Groups as things of their own: created, renamed and deleted by name, in the group style in
// force (Engine/GroupStyle.h). A group card is created with one create-only PUT, renamed in
// place (its FN, and its N where that holds the name; every other line as it was) and deleted
// guarded by the tag it is known at. Where groups are categories, a group lives on its cards:
// each card holding it has its CATEGORIES line rewritten, guarded by the tag just fetched.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <string>

// Creates the group `name` in the selected book holding the cards `members` (UIDs one per line,
// each a card the book knows). Its value: the new group card's UID, or, where groups are
// categories, the name. Fails with 3 for a member that is not known, 37 when a group of that
// name exists, 38 for a categories group without members, or the first failed write's verdict.
Judged<std::string> createGroup(Session& session, const std::string& name,
                                const std::string& members);

// Renames every group named `name` to `newName`. Fails with 36 when there is none, 37 when a
// group named `newName` exists, or the first failed write's verdict.
Verdict renameGroup(Session& session, const std::string& name, const std::string& newName);

// Deletes every group named `name`: its group cards, each guarded by the tag it is known at (one
// changed since stays, with 19; one gone already counts as deleted), or the category on every
// card holding it. The member cards stay. Fails with 36 when there is none, or the first failed
// write's verdict.
Verdict deleteGroup(Session& session, const std::string& name);
