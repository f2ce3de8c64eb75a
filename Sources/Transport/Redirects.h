// The redirects that discovery follows, and where the user's credentials may go on the way.
#pragma once

#include "Transport/CardDavClient.h"

#include <optional>
#include <string>
#include <vector>

// Follows the redirects of one discovery request: answers 301, 302, 303, 307 and 308 with a
// Location, at most kMaxRedirects in a row; the request goes on with its method and body. It
// never leaves https for http, nor http(s) for another scheme. A client that sends credentials
// is led only where they may go: the origin the request was first sent to (the host the user
// gave), that host over https, and any https URL named by a redirect that came over https from
// such a place. A redirect elsewhere is not followed: its answer stands.
class RedirectChain {
public:
    static constexpr int kMaxRedirects = 5;

    RedirectChain(const std::string& firstUrl, bool withCredentials);

    // Where to send the request next after `answer` (its `url` tells where it came from), or
    // nothing when the answer stands.
    std::optional<std::string> next(const Query& answer);

private:
    bool mayCarryCredentials(const std::string& target, const std::string& from) const;

    std::vector<std::string> trusted;
    bool withCredentials;
    int followed = 0;
};
