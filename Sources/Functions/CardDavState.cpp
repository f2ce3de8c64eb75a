#include "Functions/CardDavState.h"

#include "Functions/AnswerJudge.h"
#include "Transport/EntityTag.h"
#include "Transport/HrefResolver.h"
#include "Utils/AsciiCase.h"

#include <utility>

void resetLastError() {
    PluginState& state = session();
    state.last_error = ErrorCode::None;
    state.last_error_reason.clear();
    state.failure_notes.clear();
}

fmx::int16 InitFunction(bool connect) {
    PluginState& state = session();
    resetLastError();
    fmx::int16 code = ErrorCode::None;
    if (connect && !state.connected)
        code = Connect();
    if (state.root_address_url.empty()) {
        // Why no home is known, when connecting just failed.
        std::string reason = describeError(ErrorCode::NoAddressBookHome);
        for (const auto& [noted, why] : state.failure_notes)
            if (noted == code) {
                reason += " (connecting failed: " + why + ")";
                break;
            }
        state.failure_notes.clear();
        noteFailure(ErrorCode::NoAddressBookHome, std::move(reason));
        code = ErrorCode::NoAddressBookHome;
    }
    if (code != ErrorCode::None)
        Error(code);
    return state.last_error;
}

std::optional<std::string> onConnectedServer(const std::string& url) {
    const std::string& home = session().root_address_url;
    if (home.empty())
        return std::nullopt;
    // A path alone names a place on the connected server.
    const std::string absolute = resolveHref(home, url);
    std::optional<std::string> secure = secureHrefUrl(home, absolute);
    if (!secure || !sameOrigin(*secure, home))
        return std::nullopt;
    return secure;
}

fmx::int16 Error(fmx::int16 code) {
    PluginState& state = session();
    if (state.last_error != ErrorCode::None || code == ErrorCode::None)
        return code;
    state.last_error = code;
    state.last_error_function = state.calling_function;
    state.last_error_reason = describeError(code);
    for (const auto& [noted, reason] : state.failure_notes)
        if (noted == code) {
            state.last_error_reason = reason;
            break;
        }
    return code;
}

void noteFailure(fmx::int16 code, std::string reason) {
    std::vector<std::pair<fmx::int16, std::string>>& notes = session().failure_notes;
    for (const auto& note : notes)
        if (note.first == code)
            return;
    notes.emplace_back(code, std::move(reason));
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
    constexpr std::string_view name = "etag:";
    for (std::size_t at = 0; at < headers.size();) {
        std::size_t end = headers.find('\n', at);
        if (end == std::string::npos)
            end = headers.size();
        const std::string_view line(headers.data() + at, end - at);
        if (startsWithIgnoringAsciiCase(line, name))
            return storedEntityTag(line.substr(name.size()));
        at = end + 1;
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

// An href of a discovery answer as a URL the credentials may go to: on the scheme the user gave
// (an http href of the same host and port taken as https), or nothing.
std::optional<std::string> discoveredUrl(const std::string& answerUrl, const std::string& href) {
    return secureHrefUrl(session().cd.get_baseurl(), resolveHref(answerUrl, href));
}

// The principal's URL: from the allprop answer, or asked for by name when the server leaves
// current-user-principal out of allprop (a WebDAV server need not list it there). Empty when the
// server names none; nothing at all when it names one the credentials may not go to.
std::optional<std::string> discoverPrincipal(const Query& allprop, Redirects redirects) {
    std::string href = xmlParser().getBasePrincipal(allprop.body, allprop.url).value.principal;
    if (!href.empty())
        return discoveredUrl(allprop.url, href);
    const Query named = session().cd.get_userprincipal(allprop.url, redirects);
    if (!judgeStatus(named).ok())
        return "";
    href = xmlParser().getBasePrincipal(named.body, named.url).value.principal;
    if (href.empty())
        return "";
    return discoveredUrl(named.url, href);
}

Verdict offServer(const std::string& what) {
    return failedBecause(ErrorCode::OffServer,
                         "the server named a " + what +
                             " on plain HTTP or on another server; the credentials do not go "
                             "there");
}

// Principal and home discovery from the collection at `rootUrl`. Without a principal the home is
// asked of `homeFallback`, unless that is empty.
Attempt attempt(const std::string& rootUrl, const std::string& homeFallback, Redirects redirects) {
    Attempt result;
    const Query allprop = session().cd.get_baseprincipal(rootUrl, redirects);
    result.answered = !isTransportFailure(allprop.status);
    result.code = judgeStatus(allprop).code;
    if (result.code != ErrorCode::None)
        return result;
    result.rootUrl = allprop.url;
    const std::optional<std::string> principalUrl = discoverPrincipal(allprop, redirects);
    if (!principalUrl) {
        result.code = offServer("principal").code;
        return result;
    }
    result.principalFound = !principalUrl->empty();
    if (!result.principalFound && homeFallback.empty())
        return result;

    Query home = session().cd.get_addressbookurl(
        result.principalFound ? *principalUrl : homeFallback, redirects);
    result.code = judgeStatus(home).code;
    if (result.code != ErrorCode::None)
        return result;
    session().connected = true;
    const std::string homeHref = xmlParser().getAddressHome(home.body).value;
    if (homeHref.empty())
        return result;
    const std::optional<std::string> homeUrl = discoveredUrl(home.url, homeHref);
    if (!homeUrl) {
        result.code = offServer("address-book home").code;
        return result;
    }
    result.homeFound = true;
    session().root_address_url = *homeUrl;
    return result;
}

// The code of a discovery that got its answers but found no address-book home.
fmx::int16 noHome(const Attempt& attempt) {
    if (attempt.code != ErrorCode::None || attempt.homeFound)
        return attempt.code;
    return failedBecause(ErrorCode::NoAddressBookHome,
                         "the server names no address-book home (is it a CardDAV server, and "
                         "the URL its DAV root?)")
        .code;
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
        if (given.homeFound || given.principalFound || !given.answered ||
            given.code == ErrorCode::OffServer)
            return noHome(given);
        // The URL names no principal (often only a host name was typed): service discovery on
        // its host (RFC 6764), following the redirects to the DAV root.
        const Attempt wellKnown =
            attempt(resolveHref(cd.get_baseurl(), "/.well-known/carddav"), "", Redirects::followed);
        if (!wellKnown.principalFound)
            return noHome(given);
        cd.server_facts().davRoot = wellKnown.rootUrl;
        return noHome(wellKnown);
    } catch (const std::exception&) {
        return ErrorCode::ConnectException;
    }
}
