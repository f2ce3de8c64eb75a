// The plug-in's string resources on Linux: a table of UTF-16 texts by ID, generated at build time
// from Resources/Talvero.strings.
#pragma once

#include <cstddef>

struct StringTableEntry {
    unsigned id;
    const char16_t* text;
};

extern const StringTableEntry kStringTable[];
extern const std::size_t kStringTableSize;
