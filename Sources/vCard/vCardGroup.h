// Group cards in the two forms servers hold them: Apple's (X-ADDRESSBOOKSERVER-KIND:group, one
// X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:<uid> line per member) and vCard 4's (KIND:group,
// MEMBER:urn:uuid:<uid>). Property names count in any case and with or without group prefix;
// the edits change member lines only, every other line is written back as it was read.
#pragma once

#include "vCard/vCard.h"
#include "vCard/vCardWords.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Whether a property kind (its name without group) marks the kind of card: KIND or
// X-ADDRESSBOOKSERVER-KIND, in any case. Inline, like the next two: the card summary asks it
// of every line of every card of a listing.
inline bool isGroupKindProperty(std::string_view kind) {
    return isOneOf(kind, {"KIND", "X-ADDRESSBOOKSERVER-KIND"});
}
// Whether a property kind names a member of a group card: MEMBER or X-ADDRESSBOOKSERVER-MEMBER.
inline bool isGroupMemberProperty(std::string_view kind) {
    return isOneOf(kind, {"MEMBER", "X-ADDRESSBOOKSERVER-MEMBER"});
}
// Whether the value of a kind property makes the card a group card: "group" in any case.
inline bool meansGroup(std::string_view kindValue) {
    return equalsIgnoringAsciiCase(kindValue, "group");
}
// The UID a member value names: the value with every "urn:uuid:" removed.
std::string memberUid(std::string memberValue);

// Makes `uid` a member, appending one member line in the card's own form: MEMBER:urn:uuid:<uid>
// when a KIND line makes it a group card, else X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:<uid>. False,
// changing nothing, when `uid` is empty or already a member.
bool addGroupMember(vCard& card, const std::string& uid);
// Removes every member line of either form that names `uid`; returns how many.
std::size_t removeGroupMember(vCard& card, const std::string& uid);
