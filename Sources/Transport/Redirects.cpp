#include "Transport/Redirects.h"

#include "Transport/HrefResolver.h"
#include "Transport/ResponseHeaders.h"
#include "Utils/AsciiCase.h"

#include <string_view>

namespace {

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

RedirectChain::RedirectChain(const std::string& firstUrl, bool withCredentials)
    : trusted{firstUrl}, withCredentials(withCredentials) {}

bool RedirectChain::mayCarryCredentials(const std::string& target, const std::string& from) const {
    const bool secure = httpSchemeOf(target) == UrlScheme::https;
    for (const std::string& place : trusted)
        if (sameOrigin(target, place) || (secure && sameHost(target, place)))
            return true;
    // Every place the chain reached is trusted: it was followed with the credentials.
    return secure && httpSchemeOf(from) == UrlScheme::https;
}

std::optional<std::string> RedirectChain::next(const Query& answer) {
    if (!isRedirect(answer.status) || followed >= kMaxRedirects)
        return std::nullopt;
    const std::string location = finalHeader(answer.headers, "Location");
    if (location.empty())
        return std::nullopt;
    const std::string target = resolveHref(answer.url, location);
    const UrlScheme scheme = httpSchemeOf(target);
    if (scheme == UrlScheme::other ||
        (scheme == UrlScheme::http && httpSchemeOf(answer.url) == UrlScheme::https))
        return std::nullopt;
    if (withCredentials && !mayCarryCredentials(target, answer.url))
        return std::nullopt;
    trusted.push_back(target);
    ++followed;
    return target;
}
