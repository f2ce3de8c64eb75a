// One contact card in memory: its property lines in card order and its own copy of the field
// map, through which scripts read and write the card by field names (email1, home_city...).
#pragma once

#include "Mapping/DataMapping.h"
#include "vCard/vCardItem.h"

#include <cstdint>
#include <string>
#include <vector>

class vCard {
public:
    // Position value meaning "no item".
    static constexpr std::uint32_t notFound = 0xFFFFFFFFu;

    std::vector<vCardItem> items;
    FieldMap mapping;

    // Installs parsed items (ADR, N and GEO get their components) and a field map.
    void setData(std::vector<vCardItem> newItems, FieldMap fieldmap);
    // Gives an item named exactly ADR, N or GEO its component names and fills them.
    static void addInnerValues(vCardItem& item);
    // Finds the first item that the field-map entry of `key` selects: same property name
    // (ignoring case) and, when the entry has a TYPE value, a TYPE parameter listing it.
    bool findprop(const std::string& key, std::uint32_t& index) const;

    // The value, or one component of it ("home_city"), of the field; empty text when the field
    // or the property is missing.
    std::string get(const std::string& field) const;
    // Writes the value or one component; a missing property is added first.
    void set(const std::string& field, std::string value);
    std::string getTypeValue(const std::string& field, const std::string& paramName) const;
    void setTypeValue(const std::string& field, const std::string& paramName, std::string value);
    // Appends an empty item for the field-map entry of `key` (with its TYPE parameter, also
    // when empty) and returns its position, or -1 when the key is not in the field map.
    std::int32_t addRawProp(const std::string& key);

    // False when FN, N, PRODID or VERSION is present with an empty value.
    bool valid() const;
    // The whole card as vCard text with CR LF line ends; items with empty values are left out.
    // Upper-cases the parameters of the written items in place.
    std::string toString();
    // Removes all items; the field map stays.
    void clear();

    static std::string stringjoin(const std::vector<std::string>& list,
                                  const std::string& separator);

private:
    const vCardItem* findItem(const std::string& key) const;
    vCardItem* findOrAddItem(const std::string& key);
};
