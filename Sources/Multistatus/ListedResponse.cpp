#include "Multistatus/ListedResponse.h"

#include "Multistatus/MultistatusResponse.h"

const std::array<ListedProperty, 6> kListedProperties = {{
    {xmlns::dav, "displayname", &ListedResponse::displayname},
    {xmlns::dav, "getlastmodified", &ListedResponse::lastmodified},
    {xmlns::dav, "creationdate", &ListedResponse::creationdate},
    {xmlns::dav, "getetag", &ListedResponse::etag},
    {xmlns::dav, "getcontentlength", &ListedResponse::contentlength},
    {xmlns::carddav, "address-data", &ListedResponse::addressData},
}};

namespace {

// The text of `element` (empty for none), kept in `joined` where the document holds it in pieces.
std::string_view keptTextOf(pugi::xml_node element, std::deque<std::string>& joined) {
    std::string pieces;
    const std::string_view text = textOf(element, pieces);
    if (text.data() != pieces.data())
        return text;
    return joined.emplace_back(std::move(pieces));
}

} // namespace

void readParsedResponses(const ParsedBody& batch, std::vector<ListedResponse>& responses,
                         std::deque<std::string>& joined) {
    MultistatusResponse response;
    for (pugi::xml_node node = batch.firstResponse(); node; node = batch.nextResponse(node)) {
        response.read(batch.enter(node));
        ListedResponse& listed = responses.emplace_back();
        listed.href = keptTextOf(response.hrefElement(), joined);
        listed.status = response.status();
        listed.hasProp = response.hasProp();
        for (const ListedProperty& property : kListedProperties)
            listed.*property.text =
                keptTextOf(response.propertyElement(property.ns, property.localName), joined);
    }
}
