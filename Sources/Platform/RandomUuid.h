// Random identifiers from the operating system's generator, one implementation per platform.
#pragma once

#include <string>

// A new random (version 4) UUID: 32 lower-case hexadecimal digits in groups of 8, 4, 4, 4 and 12
// joined by "-".
std::string platformRandomUuid();

// The same UUID, as the plug-in names a fresh identifier for a card or group.
inline std::string newguid() {
    return platformRandomUuid();
}
