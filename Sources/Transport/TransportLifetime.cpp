#include "Transport/TransportLifetime.h"

#include <curl/curl.h>

bool startTransport() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

void stopTransport() {
    curl_global_cleanup();
}
