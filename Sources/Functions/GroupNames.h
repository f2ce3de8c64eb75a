// Which groups hold a card, in the group style in force, as the functions that list a card's
// groups tell it.
#pragma once

#include "Functions/GroupStyle.h"

#include <string>
#include <vector>

// The style the group functions work in for the selected book: the style the script chose, or,
// for `Auto` (and a book selected), group cards where the book holds any, else categories where
// any of its cards carries some, else group cards.
GroupStyle groupStyleInForce();

// The names of the groups of the selected address book that hold the card with this UID, in the
// style in force, escaped as vCard text (as group cards' FN values hold them): the FN values of
// the group cards listing it, in the order the groups are known, or the card's categories in the
// card's order.
std::vector<std::string> groupNamesOf(const std::string& uid);

// The names of the selected book's groups, escaped likewise: the FN values of its group cards in
// UID order, or the distinct categories of its cards in byte order.
std::vector<std::string> bookGroupNames();
