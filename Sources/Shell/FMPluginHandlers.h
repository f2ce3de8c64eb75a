// Start-up and shut-down hooks of the plug-in, run on the host's init and shutdown messages.
#pragma once

#include "Functions/Sessions.h"

// Runs once on init before the functions are registered; false keeps the plug-in disabled.
bool Startup();
// Runs on shutdown after the functions are unregistered, and after a failed registration.
void Shutdown();
// Runs when the host ends a session (a server-side script, a WebDirect user, a Data API call):
// the session's connection is closed and its state freed.
void SessionShutdown(SessionId id);
