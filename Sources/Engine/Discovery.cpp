#include "Engine/Discovery.h"

#include "Engine/AnswerJudge.h"
#include "Transport/HrefResolver.h"

#include <utility>

Verdict checkConnection(Session& session, bool connect) {
    Verdict connecting;
    if (connect && !session.connected)
        connecting = Connect(session);
    if (session.root_address_url.empty()) {
        // Why no home is known, when connecting just failed.
        std::string reason = describeError(ErrorCode::NoAddressBookHome);
        if (!connecting.ok())
            reason += " (connecting failed: " + connecting.reason + ")";
        return failedBecause(ErrorCode::NoAddressBookHome, std::move(reason));
    }
    return connecting;
}

std::optional<std::string> onConnectedServer(const Session& session, const std::string& url) {
    const std::string& home = session.root_address_url;
    if (home.empty())
        return std::nullopt;
    // A path alone names a place on the connected server.
    const std::string absolute = resolveHref(home, url);
    std::optional<std::string> secure = secureHrefUrl(home, absolute);
    if (!secure || !sameOrigin(*secure, home))
        return std::nullopt;
    return secure;
}

namespace {

// How one discovery attempt ended.
struct Attempt {
    Verdict verdict;
    // Whether the server answered over HTTP at all: after a transport failure (no answer, a
    // refused certificate) the same host would only fail again.
    bool answered = false;
    bool principalFound = false;
    bool homeFound = false;
    // The URL that answered the principal request.
    std::string rootUrl;
};

// One discovery on a session's server.
class Discovery {
public:
    explicit Discovery(Session& session) : session(session), cd(session.cd) {}

    // Principal and home discovery from the collection at `rootUrl`. Without a principal the
    // home is asked of `homeFallback`, unless that is empty.
    Attempt attempt(const std::string& rootUrl, const std::string& homeFallback,
                    Redirects redirects) {
        Attempt result;
        const Query allprop = cd.get_baseprincipal(rootUrl, redirects);
        result.answered = !isTransportFailure(allprop.status);
        result.verdict = judgeStatus(cd, allprop);
        if (!result.verdict.ok())
            return result;
        result.rootUrl = allprop.url;
        const std::optional<std::string> principalUrl = discoverPrincipal(allprop, redirects);
        if (!principalUrl) {
            result.verdict = offServer("principal");
            return result;
        }
        result.principalFound = !principalUrl->empty();
        if (!result.principalFound && homeFallback.empty())
            return result;

        Query home =
            cd.get_addressbookurl(result.principalFound ? *principalUrl : homeFallback, redirects);
        result.verdict = judgeStatus(cd, home);
        if (!result.verdict.ok())
            return result;
        session.connected = true;
        const std::string homeHref = xmlParser().getAddressHome(home.body).value;
        if (homeHref.empty())
            return result;
        const std::optional<std::string> homeUrl = discoveredUrl(home.url, homeHref);
        if (!homeUrl) {
            result.verdict = offServer("address-book home");
            return result;
        }
        result.homeFound = true;
        session.root_address_url = *homeUrl;
        return result;
    }

private:
    // An href of a discovery answer as a URL the credentials may go to: on the scheme the user
    // gave (an http href of the same host and port taken as https), or nothing.
    std::optional<std::string> discoveredUrl(const std::string& answerUrl,
                                             const std::string& href) const {
        return secureHrefUrl(cd.get_baseurl(), resolveHref(answerUrl, href));
    }

    // The principal's URL: from the allprop answer, or asked for by name when the server leaves
    // current-user-principal out of allprop (a WebDAV server need not list it there). Empty when
    // the server names none; nothing at all when it names one the credentials may not go to.
    std::optional<std::string> discoverPrincipal(const Query& allprop, Redirects redirects) {
        std::string href = xmlParser().getBasePrincipal(allprop.body, allprop.url).value.principal;
        if (!href.empty())
            return discoveredUrl(allprop.url, href);
        const Query named = cd.get_userprincipal(allprop.url, redirects);
        if (!judgeStatus(cd, named).ok())
            return "";
        href = xmlParser().getBasePrincipal(named.body, named.url).value.principal;
        if (href.empty())
            return "";
        return discoveredUrl(named.url, href);
    }

    static Verdict offServer(const std::string& what) {
        return failedBecause(ErrorCode::OffServer,
                             "the server named a " + what +
                                 " on plain HTTP or on another server; the credentials do not go "
                                 "there");
    }

    Session& session;
    CardDavClient& cd;
};

// The verdict of a discovery that got its answers but found no address-book home.
Verdict noHome(const Attempt& attempt) {
    if (!attempt.verdict.ok() || attempt.homeFound)
        return attempt.verdict;
    return failedBecause(ErrorCode::NoAddressBookHome,
                         "the server names no address-book home (is it a CardDAV server, and "
                         "the URL its DAV root?)");
}

} // namespace

Verdict Connect(Session& session) {
    try {
        CardDavClient& cd = session.cd;
        Discovery discovery(session);
        // The principal request goes to the server URL followed by "/" (or to the DAV root an
        // earlier discovery found); without a principal the home is asked of the server URL.
        const bool knownRoot = !cd.server_facts().davRoot.empty();
        const std::string root = cd.dav_root();
        const Attempt given =
            discovery.attempt(root, knownRoot ? root : cd.get_baseurl(), Redirects::refused);
        if (given.homeFound || given.principalFound || !given.answered ||
            given.verdict.code == ErrorCode::OffServer)
            return noHome(given);
        // The URL names no principal (often only a host name was typed): service discovery on
        // its host (RFC 6764), following the redirects to the DAV root.
        const Attempt wellKnown = discovery.attempt(
            resolveHref(cd.get_baseurl(), "/.well-known/carddav"), "", Redirects::followed);
        // A web root answers the first route as a web page would (a redirect to its log-in, a
        // 404, a 405); a refusal of the credentials on the DAV route says more than that.
        if (wellKnown.verdict.code == ErrorCode::CredentialsRefused)
            return wellKnown.verdict;
        if (!wellKnown.principalFound)
            return noHome(given);
        cd.server_facts().davRoot = wellKnown.rootUrl;
        return noHome(wellKnown);
    } catch (const std::exception&) {
        return failure(ErrorCode::ConnectException);
    }
}
