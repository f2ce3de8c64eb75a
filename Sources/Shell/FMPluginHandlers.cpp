#include "Shell/FMPluginHandlers.h"

#include "Shell/SerialisedCall.h"

#include <curl/curl.h>

#include <mutex>

// libcurl initialises itself on first use unless told otherwise, but that is not safe while
// other threads of the host may be starting transfers: it is done here, once, on init.
bool Startup() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

// The plug-in state itself lives until the library is unloaded; only libcurl's global
// resources are given back, once no function call is running any more.
void Shutdown() {
    const std::lock_guard<std::mutex> lock(pluginCallLock());
    curl_global_cleanup();
}
