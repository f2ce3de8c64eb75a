// The session's secrets in every form an error page may echo them in, so that what the plug-in
// shows of a server's answer never holds one.
#pragma once

#include "Transport/CardDavClient.h"

#include <string>
#include <vector>

// The password or token, and the user name with it as Basic authentication encodes them, each
// as it is and as a page may escape it (HTML, URL and form encoding, JSON), longest first. Empty
// when the secret is too short to tell from ordinary text (fewer than three bytes).
std::vector<std::string> secretForms(const CardDavClient& client);

// `text` with every form of the secrets replaced by "[hidden]", and, when `cut` says the text
// was cut short, its end taken off where it is the start of one (at least three bytes of it).
std::string withoutSecrets(const std::vector<std::string>& forms, std::string text, bool cut);
