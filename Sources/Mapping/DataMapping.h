// Field-name vocabulary: which vCard property (and which TYPE value among several occurrences)
// a FileMaker-side field name such as email1, celltel or home_city stands for.
#pragma once

#include <cstddef>
#include <cstdint>
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

// The built-in vocabulary of 42 field names.
FieldMap createDefaultRawDataMap();

// Reads a field vocabulary from a comma-separated file, one row per line: field name
// (lower-cased), vCard property (upper-cased), and an optional TYPE value. Lines are separated by
// LF, or by CR when the file has no LF before its last two bytes; a line break at the end of a line
// is dropped. Empty fields do not count, lines with fewer than two fields are skipped, and rows for
// the reserved names modifed_on, created_on, etag and uniqueid or for the property UID are refused.
// When any row was taken, uniqueid is mapped to UID.
class DataMapping {
public:
    static constexpr std::int16_t kLoaded = 0;
    static constexpr std::int16_t kCannotOpen = 1;
    static constexpr std::int16_t kTooLarge = 2;
    static constexpr std::int16_t kReadFailed = 3;
    // A mapping file holds a few dozen short rows; anything larger is refused unread rather
    // than held in memory whole.
    static constexpr std::size_t kMaxFileSize = 1024 * 1024;

    // Empties `fieldmap`, then fills it from the file at `path`. Returns kLoaded (also when no
    // row was taken), kCannotOpen when the file cannot be opened or read, kTooLarge for a file
    // over kMaxFileSize (the map stays empty), kReadFailed when an exception ended the reading
    // (the map holds the rows read until then).
    std::int16_t LoadvCardMapping(std::string path, FieldMap& fieldmap);
};
