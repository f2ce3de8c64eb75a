#include "vCard/vCardCategories.h"

#include "vCard/vCardText.h"

#include <algorithm>

namespace {

constexpr std::string_view categories = "CATEGORIES";

void addOnce(std::vector<std::string>& names, std::string name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(std::move(name));
}

} // namespace

void addCategoryNames(std::vector<std::string>& names, const std::string& value) {
    for (const std::string& piece : splitUnescaped(value, ','))
        addOnce(names, unescapedText(piece));
}

std::vector<std::string> categoryNames(const vCard& card) {
    std::vector<std::string> names;
    for (const vCardItem& item : card.items)
        if (item.isOfKind(categories))
            addCategoryNames(names, item.value);
    return names;
}

void setCategoryNames(vCard& card, const std::vector<std::string>& names) {
    std::vector<std::string> wanted;
    for (const std::string& name : names)
        addOnce(wanted, name);
    if (wanted == categoryNames(card))
        return;

    std::string value;
    for (const std::string& name : wanted)
        value.append(value.empty() ? "" : ",").append(escapedText(name));
    std::vector<vCardItem>& items = card.items;
    auto others = std::find_if(items.begin(), items.end(),
                               [](const vCardItem& item) { return item.isOfKind(categories); });
    if (others == items.end()) {
        card.appendProperty(std::string(categories), std::move(value));
        return;
    }
    if (!value.empty())
        (others++)->set(std::move(value), "");
    items.erase(std::remove_if(others, items.end(),
                               [](const vCardItem& item) { return item.isOfKind(categories); }),
                items.end());
}
