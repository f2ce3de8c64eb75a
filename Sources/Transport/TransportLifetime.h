// libcurl's global start-up and clean-up, so that no layer above Transport includes libcurl.
// libcurl initialises itself on first use unless told otherwise, but that is not safe while other
// threads of the host may be starting transfers: the plug-in starts it once, when it is loaded.
#pragma once

// libcurl's global state; false when libcurl cannot start (no request can then be sent).
bool startTransport();
// Gives libcurl's global resources back. Every client's kept connection must be released first.
void stopTransport();
