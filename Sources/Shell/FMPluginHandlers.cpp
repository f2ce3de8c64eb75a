#include "Shell/FMPluginHandlers.h"

// The plug-in state is built when the library is loaded and lives until it is unloaded, so there
// is nothing to prepare or release here.
bool Startup() {
    return true;
}

void Shutdown() {}
