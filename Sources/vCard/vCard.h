// One contact card in memory: its property lines in card order and its own copy of the field
// map, through which scripts read and write the card by field names (email1, home_city...).
#pragma once

#include "Mapping/DataMapping.h"
#include "vCard/vCardItem.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class vCard {
public:
    // Position value meaning "no item".
    static constexpr std::uint32_t notFound = 0xFFFFFFFFu;

    std::vector<vCardItem> items;
    FieldMap mapping;
    // The lines that followed the card's END:VCARD line in the text it was read from (more
    // cards), each ended by CR LF: written back after the card as they came.
    std::string afterCard;

    // Installs parsed items (ADR, N and GEO get their components), a field map and the text
    // that follows the card.
    void setData(std::vector<vCardItem> newItems, FieldMap fieldmap, std::string textAfter = {});
    // Gives an ADR, N or GEO item (with or without group prefix) its component names and fills
    // them.
    static void addInnerValues(vCardItem& item);
    // Finds the first item that the field-map entry of `key` selects: the property the entry
    // names (ignoring case; ITEM1.EMAIL is an EMAIL, and the entry ITEM1.EMAIL selects it too)
    // and, when the entry has a TYPE value, parameters that list it as a type: TYPE lists,
    // vCard 2.1 bare types (TEL;CELL), and for PREF a vCard 4 PREF parameter.
    bool findprop(const std::string& key, std::uint32_t& index) const;

    // The value, or one component of it ("home_city"), of the field; empty text when the field
    // or the property is missing.
    std::string get(const std::string& field) const;
    // Writes the value or one component; a missing property is added first.
    void set(const std::string& field, std::string value);
    // Writes text as a person reads it (escapes resolved, line breaks as CR: what get gives once
    // unescaped) into the field, escaped as its property needs, so that the field reads back as
    // that text: backslashes and line breaks always, separators where the kind of value has them.
    void setText(const std::string& field, const std::string& text);
    std::string getTypeValue(const std::string& field, const std::string& paramName) const;
    void setTypeValue(const std::string& field, const std::string& paramName, std::string value);
    // Appends an empty item for the field-map entry of `key` (with its TYPE parameter, also
    // when empty) and returns its position, or -1 when the key is not in the field map.
    std::int32_t addRawProp(const std::string& key);

    // False when FN, N, PRODID or VERSION is present with an empty value.
    bool valid() const;
    // The whole card as vCard text with CR LF line ends, each item as vCardItem::toString
    // writes it: the lines read and not changed exactly as they were read, empty values
    // included; other items with an empty value are left out. `afterCard` follows END:VCARD.
    // A line that an edit brought after a value ending in a backslash, which would take it in,
    // is written before that value instead.
    std::string toString();

    // Editing a card read from text while every other line stays as it was read (the member
    // lines of a group card, its categories: vCardGroup.h, vCardCategories.h), e.g.:
    //     vCard group = readvCard(text, FieldMap());
    //     card.removeProperties("X-ABLABEL", [](const vCardItem& label) { return true; });
    //     card.appendProperty("X-ANNIVERSARY", "2020-05-01");
    //     const std::string written = card.toString();
    // Removes every property of this kind (ignoring case and group prefix) that `matches`;
    // returns how many.
    template <class Matches>
    std::size_t removeProperties(std::string_view kind, Matches&& matches) {
        const std::size_t before = items.size();
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [&](const vCardItem& item) {
                                       return item.isOfKind(kind) && matches(item);
                                   }),
                    items.end());
        return before - items.size();
    }
    // Appends a property made in memory, written at the end of the card with escaping as every
    // value a script sets (and not at all while `value` is empty).
    void appendProperty(std::string name, std::string value);
    // Removes all items and the text after the card; the field map stays.
    void clear();

private:
    const vCardItem* findItem(const std::string& key) const;
    vCardItem* findOrAddItem(const std::string& key);
};
