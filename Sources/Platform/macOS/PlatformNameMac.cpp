#include "Platform/PlatformName.h"

const char* platformName() {
    return "Mac OS X";
}
