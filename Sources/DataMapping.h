// Field-name vocabulary: which vCard property (and which TYPE value among several occurrences)
// a FileMaker-side field name such as email1, celltel or home_city stands for.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

// One mapping entry: the vCard property and the TYPE value that selects among several
// occurrences of it (empty: the first occurrence of any type).
struct RawLayoutMap {
    RawLayoutMap() = default;
    RawLayoutMap(std::string property, std::string type)
        : property(std::move(property)), type(std::move(type)) {}

    std::string property;
    std::string type;
};

// Field name to mapping entry, ordered byte-wise by field name; lookups are exact.
using FieldMap = std::map<std::string, RawLayoutMap>;

// A field name split at '_': the key looked up in the field map and the component of a
// structured property (empty when the name has no component).
struct FieldName {
    std::string mainprop;
    std::string typeprop;
};

// "home_city" gives home and city, "home_city_x" too; "email1" and "home_" have no component and
// are looked up whole.
FieldName splitFieldName(const std::string& field);

// The component names of ADR, N and GEO in value order; empty for every other property name.
const std::vector<std::string>& componentNames(const std::string& property);

// The built-in vocabulary of 42 field names.
FieldMap createDefaultRawDataMap();
