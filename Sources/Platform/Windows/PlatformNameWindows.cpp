#include "Platform/PlatformName.h"

const char* platformName() {
    return "Windows";
}
