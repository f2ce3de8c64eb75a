// Turns the hrefs a WebDAV server sends into absolute URLs, and tells whether two URLs belong to
// the same server. This is the one place where the plug-in resolves and compares URLs.
#pragma once

#include <string>
#include <string_view>

class HrefResolver {
public:
    HrefResolver() = default;
    // `requestUrl` is the URL of the request whose answer holds the hrefs
    // ("https://host/dav/alice/book/").
    explicit HrefResolver(std::string requestUrl);

    // The absolute URL of `href`, resolved against the request URL as a relative reference
    // (RFC 3986 section 5): a full URL stands as it is, "//host/x" takes the request's scheme,
    // "/x" replaces the request's path, "x.vcf" replaces its last segment, "" is the request URL
    // itself; "." and ".." segments are removed. The bytes of the href are otherwise kept as the
    // server sent them (percent escapes and UTF-8 alike), and fragments are dropped. A request
    // URL that is no URL ("", "host/dav") has the href appended to it.
    std::string resolve(std::string_view href) const;

    // Whether `url` lies on the request's origin; true for every URL when the request URL has
    // no origin to compare with (it is no http or https URL).
    bool isOfRequestOrigin(std::string_view url) const;

    const std::string& requestUrl() const { return base; }

private:
    std::string base;
    // The parts of the request URL: "https:", "//host:8443", "/dav/alice/book/", "?q".
    std::string scheme;
    std::string authority;
    std::string path;
    std::string query;
    std::string origin; // scheme and authority as written: "https://host:8443"
    bool isUrl = false;
};

// One-off form of HrefResolver(requestUrl).resolve(href).
std::string resolveHref(const std::string& requestUrl, const std::string& href);

// The path (and query) of an absolute URL, as an href names a resource on its own server:
// "https://h/dav/a.vcf" gives "/dav/a.vcf". Anything that is no absolute URL is returned as it is.
std::string pathOf(std::string_view url);

// Whether two absolute URLs name the same origin: scheme and host compared ignoring ASCII case,
// ports compared with the scheme's default filled in (http 80, https 443); user names are not
// part of the origin. False when either is not an absolute http or https URL.
bool sameOrigin(std::string_view a, std::string_view b);

enum class UrlScheme { other, http, https };

// The scheme of an absolute URL with an authority, ignoring ASCII case; `other` for anything that
// is not such an http or https URL.
UrlScheme httpSchemeOf(std::string_view url);

// Whether two absolute http or https URLs name the same host (ASCII case ignored), whatever their
// schemes and ports.
bool sameHost(std::string_view a, std::string_view b);
