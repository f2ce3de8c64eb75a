#include "Functions/CardDavState.h"

#include "Transport/HrefResolver.h"
#include "Utils/VorlixUtils.h"

#include <cctype>

PluginState plugin_state;

fmx::int16 InitFunction(bool connect) {
    plugin_state.last_error = ErrorCode::None;
    if (connect && !plugin_state.connected)
        plugin_state.last_error = Connect();
    if (plugin_state.root_address_url.empty())
        plugin_state.last_error = ErrorCode::NoAddressBookHome;
    return plugin_state.last_error;
}

fmx::int16 Error(fmx::int16 code) {
    if (plugin_state.last_error == ErrorCode::None)
        plugin_state.last_error = code;
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

// The principal's href: from the allprop answer, or asked for by name when the server leaves
// current-user-principal out of allprop (a WebDAV server need not list it there).
std::string discoverPrincipal(const Query& allprop, const std::string& requestUrl) {
    std::string principal =
        plugin_state.xmlparser.getBasePrincipal(allprop.body, requestUrl).principal;
    if (!principal.empty())
        return principal;
    const Query named = plugin_state.cd.get_userprincipal();
    if (handleQuery(named) != ErrorCode::None)
        return "";
    return plugin_state.xmlparser.getBasePrincipal(named.body, requestUrl).principal;
}

} // namespace

fmx::int16 Connect() {
    try {
        const Query allprop = plugin_state.cd.get_baseprincipal();
        fmx::int16 code = handleQuery(allprop);
        if (code != ErrorCode::None)
            return code;
        // The principal request goes to the server URL followed by "/"; without a principal the
        // home is asked of the server URL itself.
        const std::string& serverUrl = plugin_state.cd.get_baseurl();
        const std::string rootUrl = serverUrl + "/";
        const std::string principalHref = discoverPrincipal(allprop, rootUrl);
        const std::string principalUrl =
            principalHref.empty() ? serverUrl : resolveHref(rootUrl, principalHref);

        const Query home = plugin_state.cd.get_addressbookurl(principalUrl);
        code = handleQuery(home);
        if (code != ErrorCode::None)
            return code;
        plugin_state.connected = true;
        const std::string homeHref = plugin_state.xmlparser.getAddressHome(home.body);
        if (!homeHref.empty())
            plugin_state.root_address_url = resolveHref(principalUrl, homeHref);
        return ErrorCode::None;
    } catch (const std::exception&) {
        return ErrorCode::ConnectException;
    }
}
