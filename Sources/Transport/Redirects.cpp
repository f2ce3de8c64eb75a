#include "Transport/Redirects.h"

#include "Transport/HrefResolver.h"
#include "Utils/AsciiCase.h"

#include <string_view>

namespace {

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Location of the last response in `headers` (several blocks follow one another after an
// authentication round), trimmed; empty when that response names none.
std::string finalLocation(std::string_view headers) {
    static constexpr std::string_view name = "Location:";
    std::string_view location;
    while (!headers.empty()) {
        const std::size_t end = headers.find('\n');
        std::string_view line = headers.substr(0, end);
        headers.remove_prefix(end == std::string_view::npos ? headers.size() : end + 1);
        if (startsWithIgnoringAsciiCase(line, "HTTP/"))
            location = {};
        else if (startsWithIgnoringAsciiCase(line, name))
            location = line.substr(name.size());
    }
    const std::size_t first = location.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return "";
    return std::string(location.substr(first, location.find_last_not_of(" \t\r") + 1 - first));
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
    const std::string location = finalLocation(answer.headers);
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
