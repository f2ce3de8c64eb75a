#include "vCard/vCardGroup.h"

#include "Utils/VorlixUtils.h"
#include "vCard/vCardPropertyLine.h"

#include <algorithm>

namespace {

constexpr std::string_view memberPrefix = "urn:uuid:";

} // namespace

std::string memberUid(std::string memberValue) {
    return replace(std::move(memberValue), std::string(memberPrefix), "");
}

namespace {

// The UIDs of the card's member lines of either form, in card order.
std::vector<std::string> groupMembers(const vCard& card) {
    std::vector<std::string> members;
    for (const vCardItem& item : card.items)
        if (isGroupMemberProperty(propertyKind(item.name)))
            members.push_back(memberUid(item.value));
    return members;
}

} // namespace

bool addGroupMember(vCard& card, const std::string& uid) {
    const std::vector<std::string> members = groupMembers(card);
    if (uid.empty() || std::find(members.begin(), members.end(), uid) != members.end())
        return false;
    const bool version4 =
        std::any_of(card.items.begin(), card.items.end(), [](const vCardItem& item) {
            return item.isOfKind("KIND") && meansGroup(item.value);
        });
    card.appendProperty(version4 ? "MEMBER" : "X-ADDRESSBOOKSERVER-MEMBER",
                        std::string(memberPrefix) + uid);
    return true;
}

std::size_t removeGroupMember(vCard& card, const std::string& uid) {
    const auto naming = [&uid](const vCardItem& member) { return memberUid(member.value) == uid; };
    return card.removeProperties("MEMBER", naming) +
           card.removeProperties("X-ADDRESSBOOKSERVER-MEMBER", naming);
}
