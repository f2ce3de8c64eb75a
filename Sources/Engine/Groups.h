// Group membership: the names of the groups a card belongs to, and making a card a member of
// exactly the groups a script names, in either group style (Engine/GroupStyle.h). A group card
// style group is a card of its own whose member lines name the UIDs of its member cards; a change
// of membership changes those lines of the group card on the server. In the categories style a
// card's groups are its CATEGORIES, and a change rewrites that line of the card alone. What is
// known of the book changes only once the server took the change.
#pragma once

#include "Engine/GroupStyle.h"
#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// A group name as a group card's FN value holds it, escaped as vCard text: the form in which
// names are compared, where the name a script writes ("Smith, Jones" or "Smith\, Jones") and the
// name the server stores agree.
std::string groupFnValue(const std::string& name);

// The style the group functions work in for the selected book: the style the script chose, or,
// for `Auto` (and a book selected), group cards where the book holds any, else categories where
// any of its cards carries some, else group cards, unless the server is known to keep no group
// cards but may keep categories (Engine/GroupKeeping.h).
GroupStyle groupStyleInForce(const Session& session);

// The names of the groups of the selected address book that hold the card with this UID, in the
// style in force, escaped as vCard text (as group cards' FN values hold them): the FN values of
// the group cards listing it, in the order the groups are known, or the card's categories in the
// card's order.
std::vector<std::string> groupNamesOf(const Session& session, const std::string& uid);

// The names of the selected book's groups, escaped likewise: the FN values of its group cards in
// UID order, or the distinct categories of its cards in byte order.
std::vector<std::string> bookGroupNames(const Session& session);

// Names as a script is given them in a list, one per line: unescaped ("Smith, Jones"), but for a
// line break within a name, which stays "\n"; in the same order. Handed back, they name the same
// groups.
std::vector<std::string> shownGroupNames(const std::vector<std::string>& names);

// Reads again from the server what the card's groups are: the book's group cards, or the card's
// own categories. On failure what is known stays as it was.
Verdict refreshGroupsOf(Session& session, const std::string& uid);

// Makes the card `uid` a member of exactly the groups `list` names: one per line, as a checkbox
// field or a list of the group functions gives them (a comma belonging to the name), or, in a
// list of one line, comma-separated. Fails with 3 for a card that is not listed, 29 in a
// read-only book, 30 where the server is known to keep no groups in the style in force (nothing
// sent), or when a write shows that it keeps none (Engine/GroupKeeping.h); otherwise with the
// first failed write, each failed write named by a line in `failures`.
struct GroupChange {
    Verdict verdict;
    std::vector<std::string> failures;
};
GroupChange setGroupsOf(Session& session, const std::string& uid, const std::string& list);

// Chooses the group style by its word ("cards", "categories", "auto", any case). A book whose
// cards were listed without their categories is listed again with them, so that the new style
// sees its groups. Fails with 22 for another word, or with the listing's verdict; the style then
// stays as it was.
Verdict chooseGroupStyle(Session& session, const std::string& word);

// Takes a deleted card out of every group card that lists it, and rewrites those on the server.
// Fails with the first failing group write.
Verdict leaveAllGroups(Session& session, const std::string& uid);
// The same for many deleted cards, each group card rewritten once; for each card whose removal
// from a group failed, the first such write's verdict.
std::map<std::string, Verdict> leaveAllGroups(Session& session, const std::set<std::string>& uids);
