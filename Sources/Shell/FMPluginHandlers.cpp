#include "Shell/FMPluginHandlers.h"

#include "Functions/CardDavState.h"
#include "Shell/SerialisedCall.h"

#include <curl/curl.h>

#include <mutex>

// libcurl initialises itself on first use unless told otherwise, but that is not safe while
// other threads of the host may be starting transfers: it is done here, once, on init.
bool Startup() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

// The plug-in state itself lives until the library is unloaded, settings included; only the kept
// connection and libcurl's global resources are given back, once no function call is running
// any more, so that nothing of libcurl outlives its global state.
void Shutdown() {
    const std::lock_guard<std::mutex> lock(pluginCallLock());
    plugin_state.cd.release_connection();
    curl_global_cleanup();
}
