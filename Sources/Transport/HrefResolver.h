// Turns the hrefs a WebDAV server sends into absolute URLs on the server's base URL.
#pragma once

#include <string>
#include <string_view>

class HrefResolver {
public:
    HrefResolver() = default;
    // `baseUrl` is the server URL without a trailing "/", possibly with a path
    // ("https://host/dav").
    explicit HrefResolver(std::string baseUrl);

    // The absolute URL for `href`, the href's own bytes kept as the server sent them:
    // - a full URL (http:// or https://, any case) is returned as it is;
    // - an absolute path replaces the base URL's path: base "http://h/dav" with "/dav/a/" gives
    //   "http://h/dav/a/";
    // - anything else, the empty href included, is appended to the base URL.
    // For a base URL without a path (or one that is no URL) every result is the plain
    // concatenation of base URL and href.
    std::string resolve(std::string_view href) const;

    const std::string& baseUrl() const { return base; }

private:
    std::string base;
    // Scheme and authority of the base URL ("http://h:8080"), used for absolute paths.
    std::string origin;
};

// One-off form of HrefResolver(baseUrl).resolve(href).
std::string resolveHref(const std::string& baseUrl, const std::string& href);
