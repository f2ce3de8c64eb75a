#include "Shell/StringResources.h"

#include "Shell/Linux/StringTable.h"

#include <algorithm>

// The table is compiled into the plug-in itself, so the resource handle is not needed.
std::optional<std::u16string> platformFindString(void*, fmx::uint32 id) {
    const StringTableEntry* end = kStringTable + kStringTableSize;
    const StringTableEntry* entry = std::find_if(
        kStringTable, end, [id](const StringTableEntry& candidate) { return candidate.id == id; });
    if (entry == end)
        return std::nullopt;
    return std::u16string(entry->text);
}
