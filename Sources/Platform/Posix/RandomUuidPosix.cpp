#include "Platform/RandomUuid.h"

#include <uuid/uuid.h>

// libuuid on Linux, the C library on macOS; uuid_unparse alone writes upper case on macOS.
std::string platformRandomUuid() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_lower(uuid, text);
    return text;
}
