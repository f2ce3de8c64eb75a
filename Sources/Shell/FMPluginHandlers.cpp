#include "Shell/FMPluginHandlers.h"

#include "Functions/CardDavState.h"
#include "Shell/SerialisedCall.h"
#include "Transport/TransportLifetime.h"

#include <mutex>

// The transport's global state is started here, once, on init.
bool Startup() {
    return startTransport();
}

// The plug-in state itself lives until the library is unloaded, settings included; only the kept
// connection and libcurl's global resources are given back, once no function call is running
// any more, so that nothing of libcurl outlives its global state.
void Shutdown() {
    const std::lock_guard<std::mutex> lock(pluginCallLock());
    plugin_state.cd.release_connection();
    stopTransport();
}
