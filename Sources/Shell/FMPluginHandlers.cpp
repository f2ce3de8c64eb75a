#include "Shell/FMPluginHandlers.h"

#include "Functions/Sessions.h"
#include "Transport/TransportLifetime.h"

// The transport's global state is started here, once, on init.
bool Startup() {
    return startTransport();
}

// The sessions' states live until the library is unloaded, settings included; only the kept
// connections and the transport's global resources are given back, once no function call is
// running any more, so that nothing of libcurl outlives its global state.
void Shutdown() {
    sessions().releaseConnections();
    stopTransport();
}

void SessionShutdown(SessionId id) {
    sessions().end(id);
}
