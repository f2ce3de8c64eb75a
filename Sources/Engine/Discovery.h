// The connection: principal and address-book home discovery on the configured server, the check
// every operation that needs the server runs first, and the rule that keeps every request, and
// the credentials, on the server the connection found.
#pragma once

#include "Engine/Session.h"
#include "Engine/Verdict.h"

#include <optional>
#include <string>

// Principal and address-book home discovery on the configured server: at the base URL first
// (or at the DAV root an earlier discovery found there), then, when that names no principal, at
// /.well-known/carddav on its host, following redirects; the URL that answered there becomes the
// DAV root. Fails with the code of a failed request (the first attempt's when both failed), 11
// when the server named no home, 20 when it named one off the server, or 2 when an exception
// ended it.
Verdict Connect(Session& session);

// The check of an operation that needs the server: connects first when `connect` is set and no
// discovery has succeeded yet, and fails with 11 while no address-book home is known.
Verdict checkConnection(Session& session, bool connect);

// `url` (absolute, or a path on the connected server) as a URL on the server the connection
// found: the origin of the address-book home, the only place the session's requests, and its
// credentials, may go (an http URL of that host taken as https where the home is https).
// Nothing when it leads elsewhere, or while no home is known.
std::optional<std::string> onConnectedServer(const Session& session, const std::string& url);
