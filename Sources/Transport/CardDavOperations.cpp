// The CardDAV conversation: each operation builds one request (method, URL, header lines, body)
// and returns the `Query` of `CardDavClient::query` unchanged.
#include "Transport/CardDavClient.h"

#include <curl/curl.h>

#include "Transport/EntityTag.h"
#include "Transport/HeaderList.h"
#include "Transport/HrefResolver.h"

#include <new>
#include <vector>

namespace {

const char* const kXmlType = "Content-Type: text/xml; charset=utf-8";
const char* const kAcceptXml = "Accept:  text/xml";
const char* const kDepthOne = "Depth:\t1";
const char* const kDepthZero = "Depth:\t0";
const char* const kVcardType = "Content-Type: text/vcard; charset=utf-8";
// A server that honours content negotiation refuses a GET for text/xml with 406.
const char* const kAcceptVcard = "Accept: text/vcard, */*;q=0.5";
const char* const kCreateOnly = "If-None-Match:\t*";
const char* const kAcceptPicture = "Accept: image/*, */*;q=0.5";

// What the address-book list needs of each member: its kind, its name, and whether the account
// may write to it (a computed property that an allprop answer need not hold).
const char* const kAddressBooksBody =
    R"(<?xml version="1.0" encoding="utf-8" ?><D:propfind xmlns:D="DAV:"><D:prop>)"
    R"(<D:resourcetype/><D:displayname/><D:getlastmodified/><D:current-user-privilege-set/>)"
    R"(</D:prop></D:propfind>)";
const char* const kPrincipalBody =
    "<?xml version='1.0' encoding='utf-8'?><propfind xmlns='DAV:'><allprop/></propfind>";
const char* const kUserPrincipalBody =
    R"(<?xml version="1.0" encoding="utf-8" ?><D:propfind xmlns:D="DAV:"><D:prop>)"
    R"(<D:current-user-principal/></D:prop></D:propfind>)";
const char* const kHomeBody =
    R"(<?xml version="1.0" encoding="utf-8" ?> <D:propfind xmlns:D="DAV:" )"
    R"(xmlns:C="urn:ietf:params:xml:ns:carddav"> <D:prop> <D:getetag/> )"
    R"(<C:addressbook-home-set/> <C:principal-address/> <D:displayname/> </D:prop> </D:propfind>)";
// The properties a listing asks of every card, the summary multiget likewise: the tags and dates,
// and of the card text what tells a card from a group card and a group's members, in the Apple
// dialect and in vCard 4's.
const std::string kCardSummaryProperties =
    R"(<D:getetag/><D:displayname/><D:creationdate/><D:getlastmodified/><D:getcontenttype/>)"
    R"(<D:getcontentlength/><C:address-data><C:prop name="UID"/><C:prop name="FN"/>)"
    R"(<C:prop name="X-ADDRESSBOOKSERVER-KIND"/><C:prop name="X-ADDRESSBOOKSERVER-MEMBER"/>)"
    R"(<C:prop name="KIND"/><C:prop name="MEMBER"/></C:address-data>)";
// The summary with the card's categories, for books whose groups are categories.
const std::string kCardSummaryWithCategories =
    std::string(kCardSummaryProperties)
        .insert(kCardSummaryProperties.rfind("</C:address-data>"),
                R"(<C:prop name="CATEGORIES"/>)");
const std::string kWholeCardProperties = R"(<D:getetag/><D:getlastmodified/><C:address-data/>)";
const char* const kMemberProperties =
    R"(<?xml version="1.0" encoding="utf-8" ?><D:propfind xmlns:D="DAV:"><D:prop>)"
    R"(<D:getetag/><D:getlastmodified/></D:prop></D:propfind>)";

const std::string& cardProperties(CardDavClient::CardContent content) {
    switch (content) {
    case CardDavClient::CardContent::Summary:
        return kCardSummaryProperties;
    case CardDavClient::CardContent::SummaryWithCategories:
        return kCardSummaryWithCategories;
    case CardDavClient::CardContent::WholeCard:
        break;
    }
    return kWholeCardProperties;
}
// The book's sync token, and whether the account may write to it.
const char* const kBookStateBody =
    R"(<?xml version="1.0" encoding="utf-8" ?><D:propfind xmlns:D="DAV:"><D:prop>)"
    R"(<D:sync-token/><D:current-user-privilege-set/></D:prop></D:propfind>)";
const char* const kEtagBody =
    R"(<?xml version="1.0" encoding="utf-8" ?><D:propfind xmlns:D="DAV:"><D:prop>)"
    R"(<D:getetag/></D:prop></D:propfind>)";

// Text made safe for XML character data and attribute values.
std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

Query CardDavClient::get_baseprincipal(const std::string& url, Redirects redirects) {
    return query(url, "PROPFIND", kPrincipalBody, headerList({kXmlType, kAcceptXml, kDepthOne}),
                 redirects);
}

Query CardDavClient::get_userprincipal(const std::string& url, Redirects redirects) {
    return query(url, "PROPFIND", kUserPrincipalBody,
                 headerList({kXmlType, kAcceptXml, kDepthZero}), redirects);
}

Query CardDavClient::get_addressbookurl(const std::string& url, Redirects redirects) {
    return query(url, "PROPFIND", kHomeBody, headerList({kXmlType, kAcceptXml, kDepthOne}),
                 redirects);
}

Query CardDavClient::get_addressbooks(const std::string& url) {
    return query(url, "PROPFIND", kAddressBooksBody, headerList({kXmlType, kAcceptXml, kDepthOne}));
}

Query CardDavClient::get_addressbookitems(const std::string& url, CardContent content,
                                          std::size_t maxBody, BodySink* sink) {
    const std::string body =
        R"(<?xml version="1.0" encoding="utf-8" ?><C:addressbook-query xmlns:D="DAV:" )"
        R"(xmlns:C="urn:ietf:params:xml:ns:carddav"><D:prop>)" +
        cardProperties(content) + R"(</D:prop><C:filter/></C:addressbook-query>)";
    return query(url, "REPORT", body, headerList({kXmlType, kAcceptXml, kDepthOne}),
                 Redirects::refused, maxBody, sink);
}

Query CardDavClient::list_members(const std::string& url) {
    return query(url, "PROPFIND", kMemberProperties, headerList({kXmlType, kAcceptXml, kDepthOne}));
}

Query CardDavClient::get_vcard(const std::string& url) {
    return query(url, "GET", "", headerList({kAcceptVcard}));
}

Query CardDavClient::get_picture(const std::string& url, const std::string& connectedUrl,
                                 std::size_t maxBytes) {
    if (httpSchemeOf(url) == UrlScheme::other) {
        Query refused;
        refused.url = url;
        refused.failure = "the picture's address is no http or https URL";
        return refused;
    }
    curl_slist* headers = headerList({kAcceptPicture});
    if (sameOrigin(url, connectedUrl))
        return query(url, "GET", "", headers, Redirects::refused, maxBytes);
    return getWithoutCredentials(url, headers, maxBytes);
}

Query CardDavClient::get_etag(const std::string& url) {
    return query(url, "PROPFIND", kEtagBody, headerList({kXmlType, kAcceptXml, kDepthZero}));
}

HttpRequest CardDavClient::save_request(const std::string& url, const std::string& data,
                                        const std::string& etag) {
    const std::string precondition =
        etag.empty() ? std::string(kCreateOnly) : "If-Match: " + quotedEntityTag(etag);
    return {url, "PUT", {kVcardType, precondition}, data};
}

Query CardDavClient::save_vcard(const std::string& url, const std::string& data,
                                const std::string& etag) {
    return send(save_request(url, data, etag));
}

HttpRequest CardDavClient::delete_request(const std::string& url, const std::string& etag) {
    if (etag.empty())
        return {url, "DELETE", {}, ""};
    return {url, "DELETE", {"If-Match: " + quotedEntityTag(etag)}, ""};
}

Query CardDavClient::delete_vcard(const std::string& url, const std::string& etag) {
    return send(delete_request(url, etag));
}

Query CardDavClient::send(const HttpRequest& request) {
    // No header list at all where the request has no lines of its own.
    curl_slist* headers = request.headers.empty() ? nullptr : headerList(request.headers);
    return query(request.url, request.method, request.body, headers);
}

Query CardDavClient::sync_collection(const std::string& url, const std::string& token,
                                     Depth depth, BodySink* sink) {
    const std::string tokenElement = token.empty()
                                         ? "<D:sync-token/>"
                                         : "<D:sync-token>" + xmlEscaped(token) + "</D:sync-token>";
    // The cards' texts come with the changes where the server sends them, which spares reading
    // each changed card again.
    const std::string body =
        R"(<?xml version="1.0" encoding="utf-8" ?><D:sync-collection xmlns:D="DAV:" )"
        R"(xmlns:C="urn:ietf:params:xml:ns:carddav">)" +
        tokenElement +
        R"(<D:sync-level>1</D:sync-level><D:prop><D:getetag/><D:getlastmodified/>)"
        R"(<C:address-data/></D:prop>)"
        R"(</D:sync-collection>)";
    // The report goes by its sync level; the Depth header is the caller's choice.
    return query(url, "REPORT", body,
                 headerList({kXmlType, kAcceptXml, depth == Depth::One ? kDepthOne : kDepthZero}),
                 Redirects::refused, 0, sink);
}

Query CardDavClient::get_synctoken(const std::string& url) {
    return query(url, "PROPFIND", kBookStateBody, headerList({kXmlType, kAcceptXml, kDepthZero}));
}

Query CardDavClient::multiget_vcards(const std::string& url,
                                     const std::vector<std::string>& cardUrls, CardContent content,
                                     std::size_t maxBody, BodySink* sink) {
    std::string body =
        R"(<?xml version="1.0" encoding="utf-8" ?><C:addressbook-multiget xmlns:D="DAV:" )"
        R"(xmlns:C="urn:ietf:params:xml:ns:carddav"><D:prop>)";
    body += cardProperties(content);
    body += "</D:prop>";
    for (const std::string& cardUrl : cardUrls)
        body += "<D:href>" + xmlEscaped(pathOf(cardUrl)) + "</D:href>";
    body += "</C:addressbook-multiget>";
    return query(url, "REPORT", body, headerList({kXmlType, kAcceptXml, kDepthOne}),
                 Redirects::refused, maxBody, sink);
}
