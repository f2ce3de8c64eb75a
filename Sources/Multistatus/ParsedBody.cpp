#include "Multistatus/ParsedBody.h"

#include <utility>

ParsedBody::ParsedBody(std::string xml) : body(std::move(xml)) {
    // Default options: no DOCTYPE processing and no entity expansion beyond the predefined ones,
    // nothing fetched. A body that does not parse whole (an HTML page, a truncated answer) is
    // dropped rather than read in part. The text of an element is kept in the element itself
    // rather than in a child node of its own (textOf reads both forms): a listing has a text
    // node for every property, and a third fewer nodes to build and walk saves a tenth of the
    // parse.
    const bool parsed = static_cast<bool>(
        document.load_buffer_inplace(body.data(), body.size(),
                                     pugi::parse_default | pugi::parse_embed_pcdata,
                                     pugi::encoding_utf8));
    if (!parsed) {
        document.reset();
        return;
    }
    documentLevel = names.documentScope(document);
    topElement = document.document_element();
    if (!documentLevel.matches(topElement, xmlns::dav, "multistatus")) {
        form = BodyForm::OtherXml;
        return;
    }
    form = BodyForm::Multistatus;
    responseParent = documentLevel.enter(topElement);
}

pugi::xml_node ParsedBody::firstResponse() const {
    if (form != BodyForm::Multistatus)
        return {};
    return responseParent.child(xmlns::dav, "response").element();
}

pugi::xml_node ParsedBody::nextResponse(pugi::xml_node response) const {
    for (pugi::xml_node node = response.next_sibling(); node; node = node.next_sibling())
        if (responseParent.matches(node, xmlns::dav, "response"))
            return node;
    return {};
}

std::size_t ParsedBody::responseCount() const {
    std::size_t count = 0;
    for (pugi::xml_node node = firstResponse(); node; node = nextResponse(node))
        ++count;
    return count;
}

pugi::xml_node ParsedBody::topLevelSyncToken() const {
    if (form != BodyForm::Multistatus)
        return {};
    for (pugi::xml_node child = topElement.first_child(); child; child = child.next_sibling())
        if (responseParent.matches(child, xmlns::dav, "sync-token"))
            return child;
    return {};
}
