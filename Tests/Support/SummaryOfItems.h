// The card summary as the full reader's properties give it, which readCardSummary must equal on
// any text (the `whole` flag aside): for the summary's tests and the vCard fuzz target alike.
#pragma once

#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardCategories.h"
#include "vCard/vCardParser.h"
#include "vCard/vCardPropertyLine.h"

#include <string>
#include <string_view>

// The summary condensed from the items of the full reader, by each item's property name without
// its group.
inline vCardMini summaryOfItems(const std::string& text) {
    vCardDataParser parser;
    parser.InternalParse(text);
    vCardMini summary;
    for (const vCardItem& item : parser.items) {
        const std::string_view kind = propertyKind(item.name);
        if (kind == "FN")
            summary.fn = item.value;
        else if (kind == "UID")
            summary.uid = item.value;
        else if (kind == "VERSION")
            summary.version = item.value;
        else if (kind == "X-ADDRESSBOOKSERVER-KIND" || kind == "KIND")
            summary.isgroup = summary.isgroup || toLowerAscii(item.value) == "group";
        else if (kind == "X-ADDRESSBOOKSERVER-MEMBER" || kind == "MEMBER")
            summary.members.push_back(replace(item.value, "urn:uuid:", ""));
        else if (kind == "CATEGORIES")
            addCategoryNames(summary.categories, item.value);
    }
    return summary;
}

inline bool sameSummary(const vCardMini& a, const vCardMini& b) {
    return a.version == b.version && a.fn == b.fn && a.uid == b.uid && a.isgroup == b.isgroup &&
           a.members == b.members && a.categories == b.categories;
}
