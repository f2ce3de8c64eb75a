// Which groups hold a card, as the functions that list a card's groups tell it.
#pragma once

#include <string>
#include <vector>

// The names of the groups of the selected address book that hold the card with this UID, as
// their FN values hold them (escaped), in the order the groups are known.
std::vector<std::string> groupNamesOf(const std::string& uid);
