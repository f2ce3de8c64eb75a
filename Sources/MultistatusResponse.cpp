#include "MultistatusResponse.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string textOf(pugi::xml_node element) {
    std::string text;
    for (pugi::xml_node node = element.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
    return text;
}

bool isSuccessStatus(std::string_view statusLine) {
    // Skip the protocol word, then expect three digits on their own.
    std::size_t at = 0;
    while (at < statusLine.size() && isBlank(statusLine[at]))
        ++at;
    while (at < statusLine.size() && !isBlank(statusLine[at]))
        ++at;
    while (at < statusLine.size() && isBlank(statusLine[at]))
        ++at;
    const std::string_view code = statusLine.substr(at, 4);
    return code.size() >= 3 && code[0] == '2' && isDigit(code[1]) && isDigit(code[2]) &&
           (code.size() == 3 || !isDigit(code[3]));
}

MultistatusResponse::MultistatusResponse(const XmlScope& response) {
    successfulProperties.reserve(8);
    for (pugi::xml_node node = response.element().first_child(); node; node = node.next_sibling()) {
        if (!hrefElement && response.matches(node, xmlns::dav, "href"))
            hrefElement = node;
        else if (response.matches(node, xmlns::dav, "propstat"))
            addPropstat(response.enter(node));
    }
}

void MultistatusResponse::addPropstat(const XmlScope& propstat) {
    XmlScope prop;
    pugi::xml_node status;
    for (pugi::xml_node node = propstat.element().first_child(); node; node = node.next_sibling()) {
        if (!prop && propstat.matches(node, xmlns::dav, "prop"))
            prop = propstat.enter(node);
        else if (!status && propstat.matches(node, xmlns::dav, "status"))
            status = node;
    }
    if (!prop)
        return;
    anyProp = true;
    if (status && !isSuccessStatus(status.child_value()))
        return;
    for (pugi::xml_node property = prop.element().first_child(); property;
         property = property.next_sibling())
        successfulProperties.push_back({XmlScope::localName(property), property, prop});
}

std::string MultistatusResponse::href() const {
    return textOf(hrefElement);
}

const MultistatusResponse::Property* MultistatusResponse::find(std::string_view ns,
                                                               std::string_view localName) const {
    for (const Property& property : successfulProperties)
        if (property.localName == localName &&
            property.prop.matches(property.element, ns, localName))
            return &property;
    return nullptr;
}

XmlScope MultistatusResponse::property(std::string_view ns, std::string_view localName) const {
    const Property* found = find(ns, localName);
    return found ? found->prop.enter(found->element) : XmlScope();
}

std::string MultistatusResponse::propertyText(std::string_view ns,
                                              std::string_view localName) const {
    const Property* found = find(ns, localName);
    return found ? textOf(found->element) : std::string();
}
