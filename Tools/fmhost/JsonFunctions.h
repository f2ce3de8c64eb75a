// FileMaker's JSON functions (JSONGetElement, JSONSetElement, JSONListKeys, JSONFormatElements)
// on texts. Paths are written as FileMaker writes them: "key", ".key", "a.b[2].c", "[0]", and
// "[+]" (a new last element) in JSONSetElement; a key made of digits on an array is an index.
// Objects come out with their keys in order, compact. A text that is no JSON, or a path that
// cannot be followed, gives an error text beginning with "?".
#pragma once

#include "FMWrapper/FMXHost.h"

#include <string>
#include <vector>

// FileMaker's JSON type constants, the last argument of JSONSetElement.
enum JsonType : int {
    kJsonRaw = 0,
    kJsonString = 1,
    kJsonNumber = 2,
    kJsonObject = 3,
    kJsonArray = 4,
    kJsonBoolean = 5,
    kJsonNull = 6
};

// The element at `path` ("" is the whole): a string as its text, a number as FileMaker writes
// it, true and false as 1 and 0, null and what is not there as an empty text, an object or
// array as compact JSON.
std::string jsonGetElement(const std::string& json, const std::string& path);

// The keys of the object at `path`, or the indexes of the array there, one per line.
std::string jsonListKeys(const std::string& json, const std::string& path);

// The JSON indented with tabs, one element per line.
std::string jsonFormatElements(const std::string& json);

struct JsonChange {
    std::string path;
    fmx::host::Value value;
    double type = kJsonRaw; // JsonType; other numbers are taken as kJsonRaw
};

// The JSON with each change made in turn (an empty `json` starts as nothing): missing objects
// and arrays on the way are created, arrays padded with nulls. A value typed JSONRaw that is no
// JSON goes in as a string.
std::string jsonSetElements(const std::string& json, const std::vector<JsonChange>& changes);
