#include "Functions/CardDavState.h"

#include "Transport/HrefResolver.h"
#include "Utils/VorlixUtils.h"

#include <cctype>

fmx::int16 InitFunction(bool connect) {
    session().last_error = ErrorCode::None;
    if (connect && !session().connected)
        session().last_error = Connect();
    if (session().root_address_url.empty())
        session().last_error = ErrorCode::NoAddressBookHome;
    return session().last_error;
}

bool isOnConnectedServer(const std::string& url) {
    return !session().root_address_url.empty() && sameOrigin(url, session().root_address_url);
}

fmx::int16 Error(fmx::int16 code) {
    if (session().last_error == ErrorCode::None)
        session().last_error = code;
    return code;
}

namespace {

// The HTTP statuses that count as success: 200, 201, 204, 207.
bool isAcceptedStatus(int status) {
    return status == 200 || status == 201 || status == 204 || status == 207;
}

} // namespace

fmx::int16 handleQuery(Query query) {
    if (isAcceptedStatus(query.status))
        return ErrorCode::None;
    switch (query.status) {
    case 403:
        return ErrorCode::Forbidden;
    case 404:
        return ErrorCode::NotFound;
    case 500:
        return ErrorCode::ServerError;
    case CardDavClient::kCertificateFailed:
        return ErrorCode::CertificateFailed;
    case CardDavClient::kAbortedByCallback:
        return ErrorCode::TransferAborted;
    default:
        return ErrorCode::Failed;
    }
}

std::string getEtag(std::string headers) {
    // HTTP header names are case-insensitive, and HTTP/2 delivers them in lower case.
    static const std::string name = "etag:";
    for (std::string line : split(headers, '\r', 0)) {
        line = replace(replace(line, "\n", ""), " ", "");
        if (line.size() >= name.size() && str_cmp(line.substr(0, name.size()), name))
            return replace(line.substr(name.size()), "\"", "");
    }
    return "";
}

namespace {

// How one discovery attempt ended.
struct Attempt {
    fmx::int16 code = ErrorCode::None;
    // Whether the server answered over HTTP at all: after a transport failure (no answer, a
    // refused certificate) the same host would only fail again.
    bool answered = false;
    bool principalFound = false;
    bool homeFound = false;
    // The URL that answered the principal request.
    std::string rootUrl;
};

// The principal's URL: from the allprop answer, or asked for by name when the server leaves
// current-user-principal out of allprop (a WebDAV server need not list it there). Empty when the
// server names none.
std::string discoverPrincipal(const Query& allprop, Redirects redirects) {
    std::string href = session().xmlparser.getBasePrincipal(allprop.body, allprop.url).principal;
    if (!href.empty())
        return resolveHref(allprop.url, href);
    const Query named = session().cd.get_userprincipal(allprop.url, redirects);
    if (handleQuery(named) != ErrorCode::None)
        return "";
    href = session().xmlparser.getBasePrincipal(named.body, named.url).principal;
    return href.empty() ? "" : resolveHref(named.url, href);
}

// Principal and home discovery from the collection at `rootUrl`. Without a principal the home is
// asked of `homeFallback`, unless that is empty.
Attempt attempt(const std::string& rootUrl, const std::string& homeFallback, Redirects redirects) {
    Attempt result;
    const Query allprop = session().cd.get_baseprincipal(rootUrl, redirects);
    result.answered = !isTransportFailure(allprop.status);
    result.code = handleQuery(allprop);
    if (result.code != ErrorCode::None)
        return result;
    result.rootUrl = allprop.url;
    const std::string principalUrl = discoverPrincipal(allprop, redirects);
    result.principalFound = !principalUrl.empty();
    if (!result.principalFound && homeFallback.empty())
        return result;

    const Query home = session().cd.get_addressbookurl(
        result.principalFound ? principalUrl : homeFallback, redirects);
    result.code = handleQuery(home);
    if (result.code != ErrorCode::None)
        return result;
    session().connected = true;
    const std::string homeHref = session().xmlparser.getAddressHome(home.body);
    result.homeFound = !homeHref.empty();
    if (result.homeFound)
        session().root_address_url = resolveHref(home.url, homeHref);
    return result;
}

} // namespace

fmx::int16 Connect() {
    try {
        CardDavClient& cd = session().cd;
        // The principal request goes to the server URL followed by "/" (or to the DAV root an
        // earlier discovery found); without a principal the home is asked of the server URL.
        const bool knownRoot = !cd.server_facts().davRoot.empty();
        const std::string root = cd.dav_root();
        const Attempt given =
            attempt(root, knownRoot ? root : cd.get_baseurl(), Redirects::refused);
        if (given.homeFound || given.principalFound || !given.answered)
            return given.code;
        // The URL names no principal (often only a host name was typed): service discovery on
        // its host (RFC 6764), following the redirects to the DAV root.
        const Attempt wellKnown =
            attempt(resolveHref(cd.get_baseurl(), "/.well-known/carddav"), "", Redirects::followed);
        if (!wellKnown.principalFound)
            return given.code;
        cd.server_facts().davRoot = wellKnown.rootUrl;
        return wellKnown.code;
    } catch (const std::exception&) {
        return ErrorCode::ConnectException;
    }
}
