// libcurl's verbose output, written as libcurl itself writes it (to standard error), except that
// the credentials of Authorization lines never appear: a bearer token or a basic password in a
// log is as good as the password itself.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

// The lines of `block` with the value of every Authorization and Proxy-Authorization field (any
// case) after its scheme word replaced by "[hidden]", whether the field stands as a header line
// ("Authorization: Basic ...") or inside one of libcurl's bracketed text lines
// ("h2h3 [authorization: Basic ...]"); every other byte as it was.
std::string withCredentialsHidden(std::string_view block);

// The CURLOPT_DEBUGFUNCTION of every request; libcurl calls it only while CURLOPT_VERBOSE is on.
int writeVerboseLog(CURL* handle, curl_infotype type, char* data, size_t size, void* unused);
