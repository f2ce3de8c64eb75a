// HTTP digest authentication (MD5, qop "auth" or none) on the server side of the loopback tests.
#pragma once

#include <string>

namespace loopback {

struct DigestCredentials {
    std::string user;
    std::string password;
    std::string realm = "talvero-tests";
};

// The value of a "WWW-Authenticate" line that challenges for these credentials.
std::string digestChallenge(const DigestCredentials& credentials, const std::string& nonce);

// True when `authorization`, the value of an "Authorization" line, is a digest answer to the
// challenge with `nonce` that proves the credentials for this method and request target.
bool digestAuthorizes(const std::string& authorization, const DigestCredentials& credentials,
                      const std::string& nonce, const std::string& method,
                      const std::string& target);

} // namespace loopback
