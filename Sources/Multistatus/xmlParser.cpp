#include "Multistatus/xmlParser.h"

#include "Mapping/DataMapping.h"
#include "Multistatus/MultistatusResponse.h"
#include "Transport/HrefResolver.h"
#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardComponents.h"
#include "vCard/vCardItem.h"
#include "vCard/vCardParser.h"

#include <algorithm>
#include <utility>

namespace {

// The FN line; an empty name still gives the line, which every vCard 3.0 card must have.
std::string fullNameLine(const std::string& fn) {
    const std::string line = vCardItem("FN", fn).toString();
    return line.empty() ? "FN:" : line;
}

// The N line with the whole name as the family name and the other four components empty.
std::string nameLine(const std::string& fn) {
    const std::vector<std::string>& components = componentNames("N");
    vCardItem name("N", "");
    name.setinnervalues(components);
    name.set(fn, components.front());
    return name.toString();
}

// The address-book marker as CardDAV defines it, in the resource type, or as older answers
// write it: an element named addressbook (any case) anywhere in the response that declares its
// own namespace.
bool isAddressbook(pugi::xml_node node, const MultistatusResponse& response) {
    if (response.property(xmlns::dav, "resourcetype").child(xmlns::carddav, "addressbook"))
        return true;
    node_walker walker("addressbook");
    node.traverse(walker);
    return walker.found.type() == pugi::node_element && *walker.found.attribute("xmlns").value();
}

// The card text of an address-data element, a view of the document where possible. Some
// servers send the card text escaped with the CDATA markers still in it; those are removed.
std::string_view cardTextOf(pugi::xml_node addressData, std::string& buffer) {
    const std::string_view text = textOf(addressData, buffer);
    if (text.find("<![CDATA[") == std::string_view::npos &&
        text.find("]]>") == std::string_view::npos)
        return text;
    buffer = replace(replace(std::string(text), "<![CDATA[", ""), "]]>", "");
    return buffer;
}

// An entity tag as stored: every double quote removed.
std::string withoutQuotes(std::string_view tag) {
    std::string stored(tag);
    stored.erase(std::remove(stored.begin(), stored.end(), '"'), stored.end());
    return stored;
}

// The href of an addressbook-home-set. Servers that declare the CardDAV namespace as the
// default on the property itself leave an unprefixed href in that namespace; it can mean
// nothing but the WebDAV href, so it is read there too.
std::string homeSetHref(const XmlScope& homeSet) {
    const XmlScope href = homeSet.child(xmlns::dav, "href");
    return textOf((href ? href : homeSet.child(xmlns::carddav, "href")).element());
}

} // namespace

std::string addresscard::getRawvCard() const {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:Vorlix Plugin\r\n";
    text += "UID:" + uid + "\r\n";
    text += fullNameLine(fn) + "\r\n";
    text += nameLine(fn) + "\r\n";
    if (isgroup) {
        text += "X-ADDRESSBOOKSERVER-KIND:group\r\n";
        for (const std::string& member : members)
            text += "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:" + member + "\r\n";
    }
    text += "END:VCARD\r\n";
    return text;
}

node_walker::node_walker(std::string name) : name(toLowerAscii(std::move(name))) {}

bool node_walker::for_each(pugi::xml_node& node) {
    if (!str_cmp(node.name(), name))
        return true;
    found = node;
    return false;
}

xmlParser::xmlParser(xmlParser&&) noexcept {}

xmlParser& xmlParser::operator=(xmlParser&&) noexcept {
    parsed = false;
    responseParent = XmlScope();
    document.reset();
    body.clear();
    return *this;
}

pugi::xml_node xmlParser::getRootNode(std::string xml) {
    // Default options: no DOCTYPE processing and no entity expansion beyond the predefined
    // ones, nothing fetched. A body that does not parse whole (an HTML page, a truncated
    // answer) is dropped rather than read in part. The text of an element is kept in the
    // element itself rather than in a child node of its own (textOf reads both forms): a
    // listing has a text node for every property, and a third fewer nodes to build and walk
    // saves a tenth of the parse.
    // The document is built in the body's own bytes, which it keeps until the next call.
    document.reset();
    body = std::move(xml);
    parsed = static_cast<bool>(document.load_buffer_inplace(
        body.data(), body.size(), pugi::parse_default | pugi::parse_embed_pcdata,
        pugi::encoding_utf8));
    if (!parsed)
        document.reset();
    const XmlScope documentScope = names.documentScope(document);
    const pugi::xml_node top = document.document_element();
    if (!documentScope.matches(top, xmlns::dav, "multistatus")) {
        responseParent = documentScope;
        return top;
    }
    responseParent = documentScope.enter(top);
    return responseParent.child(xmlns::dav, "response").element();
}

pugi::xml_node xmlParser::nextResponse(pugi::xml_node response) const {
    for (pugi::xml_node node = response.next_sibling(); node; node = node.next_sibling())
        if (responseParent.matches(node, xmlns::dav, "response"))
            return node;
    return {};
}

baseprincipal xmlParser::getBasePrincipal(std::string xml, const std::string& requestUrl) {
    baseprincipal principal;
    const HrefResolver hrefs(requestUrl);
    MultistatusResponse response;
    for (pugi::xml_node node = getRootNode(std::move(xml)); node; node = nextResponse(node)) {
        response.read(responseParent.enter(node));
        const std::string href = response.href();
        if (href != "/" && hrefs.resolve(href) != requestUrl)
            continue;
        principal.creationdate = response.propertyText(xmlns::dav, "creationdate");
        principal.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
        principal.etag = response.propertyText(xmlns::dav, "getetag");
        principal.principal = textOf(response.property(xmlns::dav, "current-user-principal")
                                         .child(xmlns::dav, "href")
                                         .element());
        break;
    }
    return principal;
}

std::string xmlParser::getAddressHome(std::string xml) {
    MultistatusResponse response;
    for (pugi::xml_node node = getRootNode(std::move(xml)); node; node = nextResponse(node)) {
        response.read(responseParent.enter(node));
        const XmlScope home = response.property(xmlns::carddav, "addressbook-home-set");
        if (home)
            return homeSetHref(home);
    }
    return "";
}

std::vector<addressbook> xmlParser::getAddressbooks(std::string xml,
                                                    const std::string& requestUrl) {
    const HrefResolver hrefs(requestUrl);
    std::vector<addressbook> books;
    MultistatusResponse response;
    for (pugi::xml_node node = getRootNode(std::move(xml)); node; node = nextResponse(node)) {
        response.read(responseParent.enter(node));
        if (!response.hasProp() || !isAddressbook(node, response))
            continue;
        books.push_back({hrefs.resolve(response.href()),
                         response.propertyText(xmlns::dav, "displayname"),
                         response.propertyText(xmlns::dav, "getlastmodified")});
    }
    return books;
}

namespace {

// The last segment of a path ("/book/abc.vcf" gives "abc.vcf"). Most servers give a card
// resource no display name: its identifier is then the name of the resource itself.
std::string lastSegment(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

std::vector<addresscard> xmlParser::getCardData(std::string xml, const std::string& requestUrl) {
    const HrefResolver hrefs(requestUrl);
    // The responses are found first so that the list of cards gets its size at once: growing
    // it would move every record already made, several times.
    std::vector<pugi::xml_node> responses;
    for (pugi::xml_node node = getRootNode(std::move(xml)); node; node = nextResponse(node))
        responses.push_back(node);
    std::vector<addresscard> cards;
    cards.reserve(responses.size());
    MultistatusResponse response;
    std::string text; // text that the server split into pieces, or card text it escaped
    for (const pugi::xml_node node : responses) {
        response.read(responseParent.enter(node));
        if (!response.hasProp())
            continue;
        const std::string_view href = textOf(response.hrefElement(), text);
        std::string url = hrefs.resolve(href);
        // The user's credentials go with every request about a card: only to its own server.
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        addresscard& card = cards.emplace_back();
        card.displayname = response.propertyText(xmlns::dav, "displayname");
        // Before `text` is used again: `href` may be a view of it.
        card.cardid =
            replace(card.displayname.empty() ? lastSegment(href) : card.displayname, ".vcf", "");
        card.url = std::move(url);
        card.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
        card.creationdate = response.propertyText(xmlns::dav, "creationdate");
        card.etag = withoutQuotes(textOf(response.propertyElement(xmlns::dav, "getetag"), text));
        vCardMini summary = readCardSummary(
            cardTextOf(response.propertyElement(xmlns::carddav, "address-data"), text));
        card.uid = std::move(summary.uid);
        card.isgroup = summary.isgroup;
        card.members = std::move(summary.members);
        card.fn = std::move(summary.fn);
    }
    return cards;
}

std::vector<std::string> xmlParser::getSearchResults(std::string xml,
                                                     const std::string& requestUrl) {
    const HrefResolver hrefs(requestUrl);
    for (pugi::xml_node node = getRootNode(std::move(xml)); node; node = nextResponse(node)) {
        const std::string href = MultistatusResponse(responseParent.enter(node)).href();
        if (!href.empty())
            return {hrefs.resolve(href)};
    }
    return {};
}

std::string xmlParser::getSyncToken(std::string xml) {
    return syncTokenOf(getRootNode(std::move(xml)));
}

std::string xmlParser::syncTokenOf(pugi::xml_node firstResponse) const {
    // A sync-collection answer gives the token beside its responses, after them as a rule.
    for (pugi::xml_node child = responseParent.element().first_child(); child;
         child = child.next_sibling())
        if (responseParent.matches(child, xmlns::dav, "sync-token"))
            return textOf(child);
    MultistatusResponse response;
    for (pugi::xml_node node = firstResponse; node; node = nextResponse(node)) {
        response.read(responseParent.enter(node));
        const std::string token = response.propertyText(xmlns::dav, "sync-token");
        if (!token.empty())
            return token;
    }
    return "";
}

syncanswer xmlParser::getSyncChanges(std::string xml, const std::string& requestUrl) {
    syncanswer answer;
    const pugi::xml_node first = getRootNode(std::move(xml));
    answer.token = syncTokenOf(first);
    const HrefResolver hrefs(requestUrl);
    MultistatusResponse response;
    std::string text;
    for (pugi::xml_node node = first; node; node = nextResponse(node)) {
        response.read(responseParent.enter(node));
        std::string url = hrefs.resolve(textOf(response.hrefElement(), text));
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        if (response.status() == 507) {
            answer.truncated = true;
        } else if (response.status() == 404) {
            answer.changes.push_back({std::move(url), "", true});
        } else if (response.hasProp() && url != requestUrl) {
            answer.changes.push_back(
                {std::move(url),
                 withoutQuotes(textOf(response.propertyElement(xmlns::dav, "getetag"), text)),
                 false});
        }
    }
    return answer;
}

std::vector<cardtext> xmlParser::getCardTexts(std::string xml, const std::string& requestUrl) {
    const HrefResolver hrefs(requestUrl);
    std::vector<cardtext> cards;
    MultistatusResponse response;
    std::string text;
    for (pugi::xml_node node = getRootNode(std::move(xml)); node; node = nextResponse(node)) {
        response.read(responseParent.enter(node));
        const pugi::xml_node addressData = response.propertyElement(xmlns::carddav, "address-data");
        if (!addressData)
            continue;
        std::string url = hrefs.resolve(textOf(response.hrefElement(), text));
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        cardtext& card = cards.emplace_back();
        card.url = std::move(url);
        card.etag = withoutQuotes(textOf(response.propertyElement(xmlns::dav, "getetag"), text));
        card.text = std::string(cardTextOf(addressData, text));
    }
    return cards;
}

bool xmlParser::isDavError(std::string xml, std::string_view condition) {
    // For a top element that is no multistatus, that element itself.
    const pugi::xml_node top = getRootNode(std::move(xml));
    return responseParent.matches(top, xmlns::dav, "error") &&
           responseParent.enter(top).child(xmlns::dav, condition);
}
