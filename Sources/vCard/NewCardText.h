// The text of a card the plug-in creates.
#pragma once

#include <string>
#include <vector>

// A minimal vCard 3.0 card: VERSION, PRODID, the UID, FN and N (the whole name as the family
// name, the other four components empty); for a group card the group kind and one member line
// per UID of `members` in Apple's form (X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:<uid>). FN and N are
// escaped as vCard text, and an empty name still gives both lines (every vCard 3.0 card has FN).
// The UID and the members are written as they are, commas and semicolons included, only a line
// break written "\n"; their lines are not folded.
std::string newCardText(const std::string& uid, const std::string& fullName, bool isGroup,
                        const std::vector<std::string>& members);
