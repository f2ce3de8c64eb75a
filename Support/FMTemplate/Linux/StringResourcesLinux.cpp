#include "StringResources.h"

#include "Linux/StringTable.h"

#include <algorithm>

// The table is compiled into the plug-in itself, so the resource handle is not needed.
const fmx::unichar16* platformFindString(void*, fmx::uint32 id) {
    const StringTableEntry* end = kStringTable + kStringTableSize;
    const StringTableEntry* entry = std::find_if(
        kStringTable, end, [id](const StringTableEntry& candidate) { return candidate.id == id; });
    return entry == end ? nullptr : entry->text;
}
