#include "Shell/FMPluginHandlers.h"

#include "Functions/Sessions.h"
#include "Transport/TransportLifetime.h"
#include "Utils/KeptThread.h"

// The transport's global state is started here, once, on init.
bool Startup() {
    return startTransport();
}

// The sessions' states live until the library is unloaded, settings included; only the kept
// connections and the transport's global resources are given back, once no function call is
// running any more, so that nothing of libcurl outlives its global state, and the thread kept for
// work beside a call ends, so that none runs in the library once it is unloaded.
void Shutdown() {
    sessions().releaseConnections();
    stopTransport();
    stopKeptThread();
}

void SessionShutdown(SessionId id) {
    sessions().end(id);
}
