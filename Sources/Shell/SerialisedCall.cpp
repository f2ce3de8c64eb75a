#include "Shell/SerialisedCall.h"

std::mutex& pluginCallLock() {
    static std::mutex lock;
    return lock;
}
