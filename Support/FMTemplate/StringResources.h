// Lookup of the plug-in's string resources, one implementation per platform.
#pragma once

#include "FMWrapper/FMXTypes.h"

// The zero-terminated text of string resource `id` of the plug-in identified by
// `resourceHandle`; null when there is no such string.
const fmx::unichar16* platformFindString(void* resourceHandle, fmx::uint32 id);
