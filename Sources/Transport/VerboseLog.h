// libcurl's verbose output, written as libcurl itself writes it (to standard error), except that
// no secret appears in it: not the credentials the plug-in sends, nor what a server sends back
// that could stand for them (a session cookie, an authentication exchange, an echo of the
// password or token). A bearer token or a basic password in a log is as good as the password.
#pragma once

#include "Transport/SecretForms.h"

#include <curl/curl.h>

#include <string>
#include <string_view>

// The lines of `block` with secrets hidden ("[hidden]"), whether a field stands as a header line
// ("Authorization: Basic ...") or inside one of libcurl's bracketed text lines
// ("[HTTP/2] [1] [authorization: Basic ...]"), field names in any case:
// - Authorization and Proxy-Authorization keep their scheme word and lose the rest;
// - Cookie and Set-Cookie lose their whole value;
// - WWW-Authenticate, Proxy-Authenticate and the Authentication-Info fields keep their scheme
//   words and the realm, error, algorithm, qop, stale and charset parameters, and lose every
//   other parameter's value and any token;
// - anywhere, every form of `secrets` (SecretForms.h).
// Every other byte stays as it was.
std::string withCredentialsHidden(std::string_view block, const SecretForms& secrets = {});

// The CURLOPT_DEBUGFUNCTION of every request, with the client's SecretForms as CURLOPT_DEBUGDATA;
// libcurl calls it only while CURLOPT_VERBOSE is on.
int writeVerboseLog(CURL* handle, curl_infotype type, char* data, size_t size, void* secrets);
