// Turns the hrefs a WebDAV server sends into absolute URLs, and tells whether two URLs belong to
// the same server. This is the one place where the plug-in resolves and compares URLs.
#pragma once

#include <optional>
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

// The normal form of an absolute URL (RFC 3986 section 6.2.2), in which two URLs that name the
// same resource are the same text: scheme and host in lower case, percent escapes of unreserved
// characters decoded ("%63" is "c") and the hex digits of the others in upper case, the scheme's
// default port dropped ("http://h:80/" is "http://h/"), dot segments removed, an empty path as
// "/", the fragment dropped. Anything that is no absolute URL is returned as it is.
std::string normalUrl(std::string_view url);
// Whether an http or https URL is in that normal form already, as nearly every URL a server names
// is: scheme and host in lower case, no percent escape, no default port, a path, no dot segment,
// no fragment. Told in one pass, without taking the URL apart.
bool isNormalUrl(std::string_view url);

// What may be used of `url`, an absolute URL that an href named, when `given` is the URL the
// user configured (or the one whose answer named the href), so that credentials never go over
// plain HTTP when the user gave https: `url` itself when it keeps the scheme or goes from http
// to https; for a plain http `url` while `given` is https, `url` taken as https when it names
// the same host and the same port (a TLS-terminating proxy writes "http://host/dav/" for
// "https://host/dav/": an http URL and an https URL without a port count as the same port);
// nothing otherwise, nor for a URL that is no http or https URL.
std::optional<std::string> secureHrefUrl(std::string_view given, std::string_view url);

// Whether `url` names the collection `collection`, a URL in normal form with its final "/",
// with or without that "/". A URL in normal form already, as nearly every one a server names, is
// compared as it is.
bool namesCollection(std::string_view url, std::string_view collection);

// A collection URL with its final "/": "https://h/book" names the collection "https://h/book/",
// and a resource inside it is "https://h/book/x.vcf", not "https://h/bookx.vcf".
std::string collectionUrl(const std::string& url);
