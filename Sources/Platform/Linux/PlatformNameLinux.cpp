#include "Platform/PlatformName.h"

const char* platformName() {
    return "Linux";
}
