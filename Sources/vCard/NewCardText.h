// The text of a card the plug-in creates: the placeholder of a new card, or a new group card.
#pragma once

#include <string>
#include <vector>

// The minimal vCard 3.0 text: UID, FN, N (the whole name as family name) and, for a group, the
// group kind and one member line per entry of `members`. FN and N are escaped as vCard text;
// UID and member values are written as they are.
std::string newCardText(const std::string& uid, const std::string& fn, bool isgroup,
                        const std::vector<std::string>& members);
