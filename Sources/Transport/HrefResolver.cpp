#include "Transport/HrefResolver.h"

#include "Utils/AsciiCase.h"
#include "Utils/HexDigits.h"

#include <optional>
#include <utility>

namespace {

// The generic parts of an absolute URL (RFC 3986 section 3), as views of it. The scheme keeps its
// ":" and the authority its "//", so that the parts joined give the URL back.
struct UrlParts {
    std::string_view scheme;
    std::string_view authority;
    std::string_view path;
    std::string_view query;
};

bool isSchemeCharacter(char c, bool first) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first)
        return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The length of the scheme with its ":" at the start of `reference`, 0 when it has none.
std::size_t schemeLength(std::string_view reference) {
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (reference[i] == ':')
            return i > 0 ? i + 1 : 0;
        if (!isSchemeCharacter(reference[i], i == 0))
            return 0;
    }
    return 0;
}

// Splits a reference without its scheme into authority, path and query; the fragment is dropped.
void splitAfterScheme(std::string_view rest, UrlParts& parts) {
    rest = rest.substr(0, rest.find('#'));
    if (rest.substr(0, 2) == "//") {
        const std::size_t end = rest.find_first_of("/?", 2);
        parts.authority = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    const std::size_t question = rest.find('?');
    parts.path = rest.substr(0, question);
    parts.query = question == std::string_view::npos ? std::string_view() : rest.substr(question);
}

// The parts of an absolute URL with an authority ("scheme://host..."); nothing for anything else.
std::optional<UrlParts> absoluteUrl(std::string_view url) {
    const std::size_t length = schemeLength(url);
    if (length == 0 || url.substr(length, 2) != "//")
        return std::nullopt;
    UrlParts parts;
    parts.scheme = url.substr(0, length);
    splitAfterScheme(url.substr(length), parts);
    return parts;
}

bool hasDotSegment(std::string_view path) {
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "." || segment == "..")
            return true;
        start = end + 1;
    }
    return false;
}

// RFC 3986 section 5.2.4, for the paths that have dot segments (most have none and are kept).
std::string withoutDotSegments(std::string_view path) {
    if (!hasDotSegment(path))
        return std::string(path);
    std::string output;
    while (!path.empty()) {
        if (path.substr(0, 3) == "../") {
            path.remove_prefix(3);
        } else if (path.substr(0, 2) == "./") {
            path.remove_prefix(2);
        } else if (path.substr(0, 3) == "/./") {
            path.remove_prefix(2);
        } else if (path == "/.") {
            path = "/";
        } else if (path.substr(0, 4) == "/../" || path == "/..") {
            path = path.size() == 3 ? std::string_view("/") : path.substr(3);
            const std::size_t slash = output.rfind('/');
            output.erase(slash == std::string::npos ? 0 : slash);
        } else if (path == "." || path == "..") {
            path = {};
        } else {
            const std::size_t next = path.find('/', 1);
            const std::size_t take = next == std::string_view::npos ? path.size() : next;
            output.append(path.substr(0, take));
            path.remove_prefix(take);
        }
    }
    return output;
}

// The host of an authority ("//user@Host:8443" gives "host", lower-cased) and its port ("8443",
// empty when it names none).
struct HostPort {
    std::string host;
    std::string_view port;
};

HostPort splitAuthority(std::string_view authority) {
    authority.remove_prefix(2);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    // A bracketed IPv6 address holds colons of its own.
    const std::size_t hostEnd = authority.substr(0, 1) == "[" ? authority.find(']') : 0;
    const std::size_t colon =
        hostEnd == std::string_view::npos ? std::string_view::npos : authority.find(':', hostEnd);
    return {toLowerAscii(std::string(authority.substr(0, colon))),
            colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1)};
}

// Appends `path` to `out` without its dot segments; most paths have none and go as they are.
void appendWithoutDotSegments(std::string& out, std::string_view path) {
    if (hasDotSegment(path))
        out += withoutDotSegments(path);
    else
        out.append(path);
}

// The port a scheme's URLs use when they name none: 443 for https, 80 for http (and anything
// else, which only http and https callers reach).
std::string_view defaultPort(std::string_view scheme) {
    return equalsIgnoringAsciiCase(scheme, "https:") ? "443" : "80";
}

// Host and port of an authority, the port filled in from the scheme when the authority names
// none.
std::string hostAndPort(std::string_view authority, std::string_view scheme) {
    HostPort parts = splitAuthority(authority);
    if (parts.port.empty())
        parts.port = defaultPort(scheme);
    return parts.host + ":" + std::string(parts.port);
}

bool isUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// `text` with its percent escapes in normal form: those of unreserved characters decoded ("%63"
// is "c"), the hex digits of the others in upper case. A "%" without two hex digits stays. With
// `lowerCase` (for a host), every other letter is put in lower case.
std::string withNormalEscapes(std::string_view text, bool lowerCase = false) {
    std::string normal;
    normal.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? hexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexDigitValue(text[i + 2]) : -1;
        char literal = text[i];
        if (low >= 0) {
            i += 2;
            literal = static_cast<char>(high * 16 + low);
            if (!isUnreserved(literal)) {
                normal += '%';
                normal += upperAscii(text[i - 1]);
                normal += upperAscii(text[i]);
                continue;
            }
        }
        normal += lowerCase ? lowerAscii(literal) : literal;
    }
    return normal;
}

bool isHttp(std::string_view scheme) {
    return equalsIgnoringAsciiCase(scheme, "http:") || equalsIgnoringAsciiCase(scheme, "https:");
}

} // namespace

HrefResolver::HrefResolver(std::string requestUrl) : base(std::move(requestUrl)) {
    if (const std::optional<UrlParts> parts = absoluteUrl(base)) {
        scheme = std::string(parts->scheme);
        authority = std::string(parts->authority);
        path = std::string(parts->path);
        query = std::string(parts->query);
        origin = scheme + authority;
        isUrl = true;
    }
}

std::string HrefResolver::resolve(std::string_view href) const {
    if (!isUrl)
        return base + std::string(href);
    // The common case, an absolute path without dot segments or fragment: the request's origin
    // and the href as it stands.
    if (!href.empty() && href[0] == '/' && href.substr(0, 2) != "//" &&
        href.find('#') == std::string_view::npos && !hasDotSegment(href)) {
        std::string url;
        url.reserve(origin.size() + href.size());
        return url.append(origin).append(href);
    }
    UrlParts reference;
    const std::size_t ownScheme = schemeLength(href);
    if (ownScheme > 0) {
        // A full URL; only one without dot segments is the common case, kept as sent.
        reference.scheme = href.substr(0, ownScheme);
        splitAfterScheme(href.substr(ownScheme), reference);
        if (!hasDotSegment(reference.path) && href.find('#') == std::string_view::npos)
            return std::string(href);
        return std::string(reference.scheme) + std::string(reference.authority) +
               withoutDotSegments(reference.path) + std::string(reference.query);
    }
    splitAfterScheme(href, reference);
    std::string url;
    url.reserve(origin.size() + path.size() + href.size());
    url += scheme;
    if (!reference.authority.empty()) {
        url.append(reference.authority);
        appendWithoutDotSegments(url, reference.path);
        return url.append(reference.query);
    }
    url += authority;
    if (reference.path.empty()) {
        url += path;
        url += reference.query.empty() ? query : std::string(reference.query);
        return url;
    }
    if (reference.path[0] == '/') {
        appendWithoutDotSegments(url, reference.path);
    } else {
        // Merged with the request's path up to its last "/" (RFC 3986 section 5.2.3).
        const std::size_t slash = path.rfind('/');
        const std::string directory =
            slash == std::string::npos ? std::string("/") : path.substr(0, slash + 1);
        url += withoutDotSegments(directory + std::string(reference.path));
    }
    url += reference.query;
    return url;
}

bool HrefResolver::isOfRequestOrigin(std::string_view url) const {
    if (!isUrl || !isHttp(scheme))
        return true;
    // The request's own scheme and authority, written the same, followed by the path: the usual
    // case, told without taking the URL apart.
    const bool samePrefix =
        url.substr(0, origin.size()) == origin &&
        (url.size() == origin.size() || url[origin.size()] == '/' || url[origin.size()] == '?');
    return samePrefix || sameOrigin(url, base);
}

std::string resolveHref(const std::string& requestUrl, const std::string& href) {
    return HrefResolver(requestUrl).resolve(href);
}

std::string pathOf(std::string_view url) {
    const std::optional<UrlParts> parts = absoluteUrl(url);
    if (!parts)
        return std::string(url);
    const std::string path = parts->path.empty() ? "/" : std::string(parts->path);
    return path + std::string(parts->query);
}

bool sameOrigin(std::string_view a, std::string_view b) {
    const std::optional<UrlParts> first = absoluteUrl(a);
    const std::optional<UrlParts> second = absoluteUrl(b);
    if (!first || !second || !isHttp(first->scheme) || !isHttp(second->scheme))
        return false;
    return equalsIgnoringAsciiCase(first->scheme, second->scheme) &&
           hostAndPort(first->authority, first->scheme) ==
               hostAndPort(second->authority, second->scheme);
}

UrlScheme httpSchemeOf(std::string_view url) {
    const std::optional<UrlParts> parts = absoluteUrl(url);
    if (!parts)
        return UrlScheme::other;
    if (equalsIgnoringAsciiCase(parts->scheme, "https:"))
        return UrlScheme::https;
    return equalsIgnoringAsciiCase(parts->scheme, "http:") ? UrlScheme::http : UrlScheme::other;
}

bool isNormalUrl(std::string_view url) {
    const bool https = url.substr(0, 8) == "https://";
    if (!https && url.substr(0, 7) != "http://")
        return false;
    const std::size_t hostStart = https ? 8 : 7;
    const std::size_t pathStart = url.find('/', hostStart);
    if (pathStart == std::string_view::npos)
        return false;
    const std::string_view authority = url.substr(hostStart, pathStart - hostStart);
    for (const char c : authority)
        if ((c >= 'A' && c <= 'Z') || c == '%' || c == '?' || c == '#')
            return false;
    const std::string_view defaultPort = https ? ":443" : ":80";
    if (authority.size() >= defaultPort.size() &&
        authority.substr(authority.size() - defaultPort.size()) == defaultPort)
        return false;
    // No escape and no fragment, told in one look at each character (a set of two for
    // find_first_of costs a search per character); no segment "." or "..".
    const std::string_view rest = url.substr(pathStart);
    for (const char c : rest)
        if (c == '%' || c == '#')
            return false;
    return !hasDotSegment(rest);
}

std::string normalUrl(std::string_view url) {
    if (isNormalUrl(url))
        return std::string(url);
    const std::optional<UrlParts> parts = absoluteUrl(url);
    if (!parts)
        return std::string(url);
    const std::size_t at = parts->authority.rfind('@');
    const std::string_view userinfo =
        at == std::string_view::npos ? std::string_view() : parts->authority.substr(2, at - 1);
    const HostPort hostPort = splitAuthority(parts->authority);
    std::string normal = toLowerAscii(std::string(parts->scheme)) + "//";
    normal += withNormalEscapes(userinfo);
    normal += withNormalEscapes(hostPort.host, true);
    if (!hostPort.port.empty() && hostPort.port != defaultPort(parts->scheme))
        normal.append(":").append(hostPort.port);
    const std::string path = withoutDotSegments(withNormalEscapes(parts->path));
    normal += path.empty() ? "/" : path;
    return normal + withNormalEscapes(parts->query);
}

std::optional<std::string> secureHrefUrl(std::string_view given, std::string_view url) {
    const std::optional<UrlParts> parts = absoluteUrl(url);
    const UrlScheme scheme = httpSchemeOf(url);
    if (!parts || scheme == UrlScheme::other)
        return std::nullopt;
    if (scheme == UrlScheme::https || httpSchemeOf(given) != UrlScheme::https)
        return std::string(url);
    // Plain http where https was asked for: only the same place, taken as https.
    if (!sameHost(given, url))
        return std::nullopt;
    const std::string_view port = splitAuthority(parts->authority).port;
    const std::string_view givenPort = splitAuthority(absoluteUrl(given)->authority).port;
    const bool bothDefault =
        (port.empty() || port == "80") && (givenPort.empty() || givenPort == "443");
    if (!bothDefault && port != (givenPort.empty() ? "443" : givenPort))
        return std::nullopt;
    // "//host:80" loses its port, which would be wrong for https; any other port stays.
    std::string_view authority = parts->authority;
    if (port == "80")
        authority.remove_suffix(3);
    return "https:" + std::string(authority) + std::string(parts->path) + std::string(parts->query);
}

bool sameHost(std::string_view a, std::string_view b) {
    const std::optional<UrlParts> first = absoluteUrl(a);
    const std::optional<UrlParts> second = absoluteUrl(b);
    if (!first || !second || !isHttp(first->scheme) || !isHttp(second->scheme))
        return false;
    return splitAuthority(first->authority).host == splitAuthority(second->authority).host;
}

bool namesCollection(std::string_view url, std::string_view collection) {
    // The collection's own text followed by a segment of its own (no dot segment, escape,
    // fragment or query) names something inside it, whatever the rest of its form: the answer
    // for nearly every member a listing names, told without reading the URL.
    if (url.size() > collection.size() && url.compare(0, collection.size(), collection) == 0) {
        const std::string_view rest = url.substr(collection.size());
        if (rest != "." && rest != ".." && rest.find_first_of("/%#?") == std::string_view::npos)
            return false;
    }
    if (!isNormalUrl(url))
        return collectionUrl(normalUrl(url)) == collection;
    if (url.size() + 1 == collection.size())
        return collection.back() == '/' && collection.substr(0, url.size()) == url;
    return url == collection;
}

std::string collectionUrl(const std::string& url) {
    return !url.empty() && url.back() == '/' ? url : url + "/";
}
