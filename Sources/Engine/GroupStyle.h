// How an address book keeps its groups. Apple clients and iCloud write a group as a card of its
// own whose member lines name the UIDs of its members (vCard 4 says KIND:group and MEMBER); the
// contacts app of most self-hosted servers and Android's sync apps write a card's groups as the
// CATEGORIES of the card itself. The group functions work in one style at a time, chosen by the
// script (CardDav_SetGroupStyle); `Auto` takes the style the selected book shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class GroupStyle { Cards, Categories, Auto };

// The style a script names: "cards", "categories" or "auto", in any case; nothing for another
// word.
std::optional<GroupStyle> groupStyleNamed(std::string_view word);
// The word for a style, as CardDav_GetGroupStyle answers.
std::string groupStyleName(GroupStyle style);
