// Lookup of the plug-in's string resources, one implementation per platform.
#pragma once

#include "FMWrapper/FMXTypes.h"

#include <optional>
#include <string>

// The whole text of string resource `id` of the plug-in identified by `resourceHandle` (the
// module instance on Windows, the bundle on macOS), as UTF-16; nothing when there is no such
// string.
std::optional<std::u16string> platformFindString(void* resourceHandle, fmx::uint32 id);
