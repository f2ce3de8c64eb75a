#include "Functions/CardDavState.h"

#include "Transport/HrefResolver.h"
#include "Utils/VorlixUtils.h"

#include <cctype>

CardDavClient cd;
xmlParser xmlparser;
vCardDataParser vcparser;
fmx::int16 last_error = 0;
bool connected = false;
std::string root_address_url;
std::string current_addressbook_url;
std::map<std::string, addresscard> current_addressbook;
std::map<std::string, addresscard> current_addressbook_groups;
std::string current_vcard_id;
vCard current_vcard;
FieldMap current_mapping;

fmx::int16 InitFunction(bool connect) {
    last_error = ErrorCode::None;
    if (connect && !connected)
        last_error = Connect();
    if (root_address_url.empty())
        last_error = ErrorCode::NoAddressBookHome;
    return last_error;
}

fmx::int16 Error(fmx::int16 code) {
    if (last_error == ErrorCode::None)
        last_error = code;
    return code;
}

bool isSuccessStatus(int status) {
    return status == 200 || status == 201 || status == 204 || status == 207;
}

fmx::int16 handleQuery(Query query) {
    if (isSuccessStatus(query.status))
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
std::string discoverPrincipal(const Query& allprop) {
    std::string principal = xmlparser.getBasePrincipal(allprop.body).principal;
    if (!principal.empty())
        return principal;
    const Query named = cd.get_userprincipal();
    if (handleQuery(named) != ErrorCode::None)
        return "";
    return xmlparser.getBasePrincipal(named.body).principal;
}

} // namespace

fmx::int16 Connect() {
    try {
        const Query allprop = cd.get_baseprincipal();
        fmx::int16 code = handleQuery(allprop);
        if (code != ErrorCode::None)
            return code;
        const std::string principalUrl = resolveHref(cd.get_baseurl(), discoverPrincipal(allprop));

        const Query home = cd.get_addressbookurl(principalUrl);
        code = handleQuery(home);
        if (code != ErrorCode::None)
            return code;
        connected = true;
        const std::string homeHref = xmlparser.getAddressHome(home.body);
        if (!homeHref.empty())
            root_address_url = resolveHref(cd.get_baseurl(), homeHref);
        return ErrorCode::None;
    } catch (const std::exception&) {
        return ErrorCode::ConnectException;
    }
}
