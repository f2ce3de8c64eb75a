#include "vCard/CardContents.h"

#include "Utils/AsciiCase.h"
#include "vCard/CardDates.h"
#include "vCard/vCardEncoding.h"
#include "vCard/vCardParameters.h"
#include "vCard/vCardPropertyLine.h"
#include "vCard/vCardText.h"
#include "vCard/vCardWords.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace {

bool isOfKind(const vCardItem& item, EntryKind kind) {
    return isPropertyOf(kind, propertyKind(item.name));
}

std::string groupOf(const vCardItem& item) {
    const std::size_t dot = item.name.rfind('.');
    return dot == std::string::npos ? "" : toLowerAscii(item.name.substr(0, dot));
}

// Lines that only describe the property of their group in Apple's cards: its label, and the
// country format of an address.
bool isGroupCompanion(const vCardItem& item) {
    return isOneOf(propertyKind(item.name), {"X-ABLABEL", "X-ABADR"});
}

bool isVersion4(const vCard& card) {
    const vCardItem* version = firstOfKind(card, "VERSION");
    return version && !version->value.empty() && version->value[0] == '4';
}

// The label of each group of the card: its first X-ABLabel, without Apple's decoration of a
// built-in label (_$!<Home>!$_).
std::map<std::string, std::string> groupLabels(const vCard& card) {
    std::map<std::string, std::string> labels;
    for (const vCardItem& item : card.items) {
        if (!equalsIgnoringAsciiCase(propertyKind(item.name), "X-ABLABEL"))
            continue;
        std::string label = unescapedText(item.value);
        const std::string_view open = "_$!<", close = ">!$_";
        if (label.size() >= open.size() + close.size() && label.compare(0, 4, open) == 0 &&
            label.compare(label.size() - 4, 4, close) == 0)
            label = label.substr(4, label.size() - 8);
        labels.emplace(groupOf(item), std::move(label));
    }
    return labels;
}

void readTypes(const vCardItem& item, CardEntry& entry) {
    for (const RawDataPair& param : item.params) {
        const std::string_view name = parameterName(param);
        if (equalsIgnoringAsciiCase(name, "PREF")) {
            entry.pref = entry.pref || unquoted(param.value) == "1";
            continue;
        }
        if (!equalsIgnoringAsciiCase(name, "TYPE"))
            continue;
        for (const std::string_view listed : parameterValues(param.value)) {
            // A parameter in 8-bit bytes reads as values do (vCardEncoding.h).
            std::string type = toLowerAscii(textToUtf8(std::string(listed), ""));
            if (type == "pref")
                entry.pref = true;
            else if (!type.empty() &&
                     std::find(entry.types.begin(), entry.types.end(), type) == entry.types.end())
                entry.types.push_back(std::move(type));
        }
    }
}

CardEntry entryOf(const vCardItem& item, EntryKind kind,
                  const std::map<std::string, std::string>& labels) {
    CardEntry entry;
    entry.property = std::string(propertyKind(item.name));
    entry.group = groupOf(item);
    entry.value = unescapedText(item.value);
    if (kind == EntryKind::Date) {
        const std::string date =
            isoDate(item.value, unquoted(item.getTypeValue("X-APPLE-OMIT-YEAR")));
        if (!date.empty())
            entry.value = date;
    }
    if (kind == EntryKind::Address) {
        const std::vector<std::string> pieces = item.getRawValues(';');
        for (std::size_t i = 0; i < addressParts().size(); ++i)
            entry.components.push_back(i < pieces.size() ? unescapedText(pieces[i]) : "");
    }
    readTypes(item, entry);
    if (!entry.group.empty()) {
        const auto label = labels.find(entry.group);
        if (label != labels.end())
            entry.label = label->second;
    }
    return entry;
}

const char* usualProperty(EntryKind kind) {
    switch (kind) {
    case EntryKind::Email:
        return "EMAIL";
    case EntryKind::Phone:
        return "TEL";
    case EntryKind::Address:
        return "ADR";
    case EntryKind::Url:
        return "URL";
    case EntryKind::Im:
        return "IMPP";
    default:
        return "BDAY";
    }
}

std::string propertyToWrite(const CardEntry& entry, EntryKind kind) {
    return toUpperAscii(entry.property.empty() ? usualProperty(kind) : entry.property);
}

// What an entry holds that decides whether a property holds the same: property, value (and the
// components of an address), types in any order, preference and label; not the group.
std::string contentKey(const CardEntry& entry, EntryKind kind) {
    std::vector<std::string> types = entry.types;
    std::sort(types.begin(), types.end());
    std::string key = propertyToWrite(entry, kind);
    const auto add = [&key](const std::string& part) {
        key += '\0';
        key += std::to_string(part.size());
        key += ':';
        key += part;
    };
    add(entry.value);
    if (kind == EntryKind::Address)
        for (const std::string& component : entry.components)
            add(component);
    for (const std::string& type : types)
        add(type);
    add(entry.pref ? "pref" : "");
    add(entry.label);
    return key;
}

// The value a line written for `entry` holds: an address from its components, anything else
// from its text, escaped as the property needs.
std::string valueToWrite(const CardEntry& entry, EntryKind kind, const std::string& property,
                         const std::vector<RawDataPair>& params) {
    if (kind != EntryKind::Address)
        return escapedText(entry.value, escapedSeparators(property, params));
    std::string value;
    for (std::size_t i = 0; i < entry.components.size(); ++i)
        value += (i > 0 ? ";" : "") + escapedText(entry.components[i], ";,");
    return value;
}

// The property line written for an entry that no line of the card holds as it is, in the group
// `prefix` names ("item1.", or empty): a TYPE parameter per type, PREF as a type (a PREF=1
// parameter on a vCard 4 card).
vCardItem newProperty(const CardEntry& entry, EntryKind kind, const std::string& prefix,
                      bool version4) {
    const std::string property = propertyToWrite(entry, kind);
    std::vector<RawDataPair> params;
    for (const std::string& type : entry.types)
        params.push_back({"TYPE", typeParameterValue(toUpperAscii(type))});
    if (entry.pref)
        params.push_back(version4 ? RawDataPair{"PREF", "1"} : RawDataPair{"TYPE", "PREF"});
    vCardItem item(prefix + property, valueToWrite(entry, kind, property, params));
    item.params = std::move(params);
    vCard::addInnerValues(item);
    return item;
}

vCardItem newLabel(const std::string& prefix, const std::string& label) {
    return vCardItem(prefix + "X-ABLABEL", escapedText(label, ",;"));
}

// The group prefix of a line as it was written ("item1."), or empty.
std::string writtenGroupPrefix(const vCardItem& item) {
    const std::string_view name = item.writtenName();
    return std::string(name.substr(0, name.rfind('.') + 1));
}

bool sameTypes(const CardEntry& a, const CardEntry& b) {
    std::vector<std::string> typesOfA = a.types, typesOfB = b.types;
    std::sort(typesOfA.begin(), typesOfA.end());
    std::sort(typesOfB.begin(), typesOfB.end());
    return a.pref == b.pref && typesOfA == typesOfB;
}

// The property `item` (read as `was`) changed to what `entry` holds, the label aside: where
// only the value changed, the line keeps its name and parameters as written; where the types or
// the preference changed, it is written anew in its group as written.
vCardItem editedProperty(vCardItem item, const CardEntry& was, const CardEntry& entry,
                         EntryKind kind, bool version4) {
    if (!sameTypes(was, entry))
        return newProperty(entry, kind, writtenGroupPrefix(item), version4);
    if (entry.value != was.value || entry.components != was.components) {
        item.set(valueToWrite(entry, kind, item.name, item.params), "");
        vCard::addInnerValues(item);
    }
    return item;
}

// The property of the card that an entry matching none by content edits, not yet taken: the
// one of the entry's group (the group it was read from), or, for an entry without group or
// label, the one without group at the entry's own position. The same property either way.
std::optional<std::size_t> editedBy(const CardEntry& entry, std::size_t position, EntryKind kind,
                                    const std::vector<CardEntry>& held,
                                    const std::vector<bool>& taken) {
    const auto editable = [&](std::size_t h) {
        return !taken[h] && held[h].property == propertyToWrite(entry, kind);
    };
    const std::string group = toLowerAscii(entry.group);
    if (!group.empty()) {
        for (std::size_t h = 0; h < held.size(); ++h)
            if (held[h].group == group && editable(h))
                return h;
        return std::nullopt;
    }
    if (entry.label.empty() && position < held.size() && held[position].group.empty() &&
        editable(position))
        return position;
    return std::nullopt;
}

// The number after "item" in Apple-style group names, or nothing.
std::optional<unsigned long> itemNumber(const std::string& group) {
    if (group.size() <= 4 || group.size() > 13 || group.compare(0, 4, "item") != 0 ||
        !std::all_of(group.begin() + 4, group.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoul(group.substr(4));
}

// Which entries (by position) are written at each of `slots` places of the kind's properties.
// Where the properties that stay keep their order, each stays in its place and a new entry
// follows the entry before it (the first place when none is before it), so that removing,
// adding or editing one moves no other line; entries handed in another order fill the places in
// that order, the surplus at the last.
std::vector<std::vector<std::size_t>>
unitsBySlot(const std::vector<std::optional<std::size_t>>& keptBy,
            const std::vector<std::optional<std::size_t>>& edits, std::size_t slots) {
    std::vector<std::vector<std::size_t>> placed(slots);
    if (slots == 0)
        return placed;
    std::vector<std::optional<std::size_t>> stays(keptBy.size());
    std::optional<std::size_t> before;
    bool inOrder = true;
    for (std::size_t e = 0; e < keptBy.size(); ++e) {
        stays[e] = keptBy[e] ? keptBy[e] : edits[e];
        if (stays[e]) {
            inOrder = inOrder && (!before || *before < *stays[e]);
            before = stays[e];
        }
    }
    std::size_t place = 0;
    for (std::size_t e = 0; e < keptBy.size(); ++e) {
        if (inOrder)
            place = stays[e] ? *stays[e] : place;
        else
            place = std::min(e, slots - 1);
        placed[place].push_back(e);
    }
    return placed;
}

} // namespace

const std::vector<std::string>& addressParts() {
    static const std::vector<std::string> parts{"pobox",  "extended",   "street", "city",
                                                "region", "postalcode", "country"};
    return parts;
}

bool isPropertyOf(EntryKind kind, std::string_view property) {
    switch (kind) {
    case EntryKind::Email:
        return equalsIgnoringAsciiCase(property, "EMAIL");
    case EntryKind::Phone:
        return equalsIgnoringAsciiCase(property, "TEL");
    case EntryKind::Address:
        return equalsIgnoringAsciiCase(property, "ADR");
    case EntryKind::Url:
        return equalsIgnoringAsciiCase(property, "URL");
    case EntryKind::Im:
        return isOneOf(property, {"IMPP", "X-AIM", "X-ICQ", "X-JABBER", "X-MSN", "X-YAHOO",
                                  "X-SKYPE", "X-SKYPE-USERNAME", "X-GADUGADU", "X-GOOGLE-TALK",
                                  "X-QQ", "X-SIP", "X-GROUPWISE"});
    case EntryKind::Date:
        return isOneOf(property, {"BDAY", "ANNIVERSARY", "X-ABDATE"});
    }
    return false;
}

bool isDateField(const FieldMap& vocabulary, const std::string& name) {
    const auto field = vocabulary.find(splitFieldName(name).mainprop);
    return field != vocabulary.end() && isPropertyOf(EntryKind::Date, field->second.property);
}

std::vector<CardEntry> entriesOf(const vCard& card, EntryKind kind) {
    std::vector<CardEntry> entries;
    const std::map<std::string, std::string> labels = groupLabels(card);
    for (const vCardItem& item : card.items)
        if (isOfKind(item, kind))
            entries.push_back(entryOf(item, kind, labels));
    return entries;
}

void replaceEntries(vCard& card, EntryKind kind, const std::vector<CardEntry>& entries) {
    std::vector<std::size_t> slots; // the positions of the kind's properties
    std::vector<CardEntry> held;
    const std::map<std::string, std::string> labels = groupLabels(card);
    for (std::size_t i = 0; i < card.items.size(); ++i) {
        if (isOfKind(card.items[i], kind)) {
            slots.push_back(i);
            held.push_back(entryOf(card.items[i], kind, labels));
        }
    }

    // Each entry kept by the first property of the same content not yet taken; then each entry
    // left edits the property of its group (or place) where it has one.
    std::multimap<std::string, std::size_t> untaken;
    for (std::size_t h = 0; h < held.size(); ++h)
        untaken.emplace(contentKey(held[h], kind), h);
    std::vector<std::optional<std::size_t>> keptBy(entries.size()), edits(entries.size());
    std::vector<bool> taken(held.size(), false);
    std::set<std::string> keptGroups;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        // Equal keys keep their order: the first is the earliest property.
        const std::string key = contentKey(entries[e], kind);
        const auto same = untaken.lower_bound(key);
        if (same == untaken.end() || same->first != key)
            continue;
        const std::size_t h = same->second;
        untaken.erase(same);
        taken[h] = true;
        keptBy[e] = h;
        keptGroups.insert(held[h].group);
    }
    for (std::size_t e = 0; e < entries.size(); ++e) {
        if (keptBy[e])
            continue;
        edits[e] = editedBy(entries[e], e, kind, held, taken);
        if (edits[e]) {
            taken[*edits[e]] = true;
            keptGroups.insert(held[*edits[e]].group);
        }
    }
    // The groups whose property goes: their labels go with it, unless a line of the group
    // stays that is neither a property of the kind nor a companion.
    std::set<std::string> goneGroups;
    for (std::size_t h = 0; h < held.size(); ++h)
        if (!taken[h] && !held[h].group.empty() && keptGroups.count(held[h].group) == 0)
            goneGroups.insert(held[h].group);
    unsigned long lastItemNumber = 0;
    std::map<std::string, std::size_t> labelLines; // the first X-ABLabel line of each group
    for (std::size_t i = 0; i < card.items.size(); ++i) {
        const vCardItem& item = card.items[i];
        const std::string group = groupOf(item);
        if (goneGroups.count(group) && !isOfKind(item, kind) && !isGroupCompanion(item))
            goneGroups.erase(group);
        if (const auto number = itemNumber(group))
            lastItemNumber = std::max(lastItemNumber, *number);
        if (!group.empty() && equalsIgnoringAsciiCase(propertyKind(item.name), "X-ABLABEL"))
            labelLines.emplace(group, i);
    }

    const bool version4 = isVersion4(card);
    std::set<std::string> groupsGiven;
    std::vector<std::vector<vCardItem>> units; // the lines of each entry, in entry order
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const CardEntry& entry = entries[e];
        if (keptBy[e]) {
            units.push_back({card.items[slots[*keptBy[e]]]});
            continue;
        }
        if (edits[e]) {
            const CardEntry& was = held[*edits[e]];
            const vCardItem& property = card.items[slots[*edits[e]]];
            units.push_back({editedProperty(property, was, entry, kind, version4)});
            // The label line changes only with the label; a group without one gets one.
            const auto label = labelLines.find(was.group);
            if (label != labelLines.end() && entry.label != was.label)
                card.items[label->second].set(escapedText(entry.label, ",;"), "");
            else if (label == labelLines.end() && !entry.label.empty())
                units.back().push_back(newLabel(writtenGroupPrefix(property), entry.label));
            continue;
        }
        std::string group;
        const std::string asked = toLowerAscii(entry.group);
        if (!asked.empty() && goneGroups.count(asked) && groupsGiven.count(asked) == 0)
            group = asked;
        else if (!entry.label.empty())
            group = "item" + std::to_string(++lastItemNumber);
        groupsGiven.insert(group);
        const std::string prefix = group.empty() ? "" : toUpperAscii(group) + ".";
        units.push_back({newProperty(entry, kind, prefix, version4)});
        if (!entry.label.empty())
            units.back().push_back(newLabel(prefix, entry.label));
    }

    const std::vector<std::vector<std::size_t>> placed = unitsBySlot(keptBy, edits, slots.size());
    std::vector<vCardItem> items;
    items.reserve(card.items.size() + entries.size());
    std::size_t slot = 0;
    for (std::size_t i = 0; i < card.items.size(); ++i) {
        if (slot < slots.size() && slots[slot] == i) {
            for (const std::size_t u : placed[slot++])
                for (vCardItem& item : units[u])
                    items.push_back(std::move(item));
            continue;
        }
        if (goneGroups.count(groupOf(card.items[i])) == 0)
            items.push_back(std::move(card.items[i]));
    }
    if (slots.empty())
        for (std::vector<vCardItem>& unit : units)
            for (vCardItem& item : unit)
                items.push_back(std::move(item));
    card.items = std::move(items);
}

const vCardItem* firstOfKind(const vCard& card, std::string_view kind) {
    for (const vCardItem& item : card.items)
        if (equalsIgnoringAsciiCase(propertyKind(item.name), kind))
            return &item;
    return nullptr;
}

vCardItem& itemOfKind(vCard& card, std::string_view kind) {
    for (vCardItem& item : card.items)
        if (equalsIgnoringAsciiCase(propertyKind(item.name), kind))
            return item;
    card.items.emplace_back(toUpperAscii(std::string(kind)), "");
    vCard::addInnerValues(card.items.back());
    return card.items.back();
}
