#include "Shell/FMPluginHandlers.h"

#include "Functions/Sessions.h"

#include <curl/curl.h>

// libcurl initialises itself on first use unless told otherwise, but that is not safe while
// other threads of the host may be starting transfers: it is done here, once, on init.
bool Startup() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

// The sessions' states live until the library is unloaded, settings included; only the kept
// connections and libcurl's global resources are given back, once no function call is running
// any more, so that nothing of libcurl outlives its global state.
void Shutdown() {
    sessions().releaseConnections();
    curl_global_cleanup();
}

void SessionShutdown(SessionId id) {
    sessions().end(id);
}
