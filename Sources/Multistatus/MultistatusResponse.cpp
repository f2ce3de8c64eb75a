#include "Multistatus/MultistatusResponse.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isText(pugi::xml_node node) {
    const pugi::xml_node_type type = node.type();
    return type == pugi::node_pcdata || type == pugi::node_cdata;
}

} // namespace

std::string_view textOf(pugi::xml_node element, std::string& joined) {
    // Parsed with parse_embed_pcdata, an element keeps the text that comes first in it as its
    // own value; other text and CDATA pieces are children in any case.
    std::string_view text;
    if (*element.value() && element.type() == pugi::node_element)
        text = element.value();
    pugi::xml_node node = element.first_child();
    while (node && !isText(node))
        node = node.next_sibling();
    if (!node)
        return text;
    if (text.empty()) {
        text = node.value();
        node = node.next_sibling();
        while (node && !isText(node))
            node = node.next_sibling();
        if (!node)
            return text;
    }
    joined.assign(text);
    for (; node; node = node.next_sibling())
        if (isText(node))
            joined += node.value();
    return joined;
}

std::string textOf(pugi::xml_node element) {
    std::string joined;
    const std::string_view text = textOf(element, joined);
    return text.data() == joined.data() ? std::move(joined) : std::string(text);
}

int statusCodeOf(std::string_view statusLine) {
    // Skip the protocol word, then expect three digits on their own.
    std::size_t at = 0;
    while (at < statusLine.size() && isBlank(statusLine[at]))
        ++at;
    while (at < statusLine.size() && !isBlank(statusLine[at]))
        ++at;
    while (at < statusLine.size() && isBlank(statusLine[at]))
        ++at;
    const std::string_view code = statusLine.substr(at, 4);
    if (code.size() < 3 || code[0] < '1' || code[0] > '5' || !isDigit(code[1]) ||
        !isDigit(code[2]) || (code.size() == 4 && isDigit(code[3])))
        return 0;
    return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

bool isSuccessPropstat(std::string_view statusLine) {
    return statusCodeOf(statusLine) / 100 == 2;
}

void MultistatusResponse::read(const XmlScope& response) {
    hrefNode = {};
    successfulProperties.clear();
    anyProp = false;
    statusCode = 0;
    bool hrefFound = false;
    for (pugi::xml_node node = response.element().first_child(); node; node = node.next_sibling()) {
        const XmlName name = response.nameOf(node);
        if (!hrefFound && name.is(xmlns::dav, "href")) {
            hrefNode = node;
            hrefFound = true;
        } else if (name.is(xmlns::dav, "propstat")) {
            addPropstat(response.enter(node, name));
        } else if (statusCode == 0 && name.is(xmlns::dav, "status")) {
            statusCode = statusCodeOf(textOf(node));
        }
    }
}

void MultistatusResponse::addPropstat(const XmlScope& propstat) {
    XmlScope prop;
    pugi::xml_node status;
    bool propFound = false;
    bool statusFound = false;
    for (pugi::xml_node node = propstat.element().first_child(); node; node = node.next_sibling()) {
        const XmlName name = propstat.nameOf(node);
        if (!propFound && name.is(xmlns::dav, "prop")) {
            prop = propstat.enter(node, name);
            propFound = true;
        } else if (!statusFound && name.is(xmlns::dav, "status")) {
            status = node;
            statusFound = true;
        }
    }
    if (!propFound)
        return;
    anyProp = true;
    if (statusFound && !isSuccessPropstat(status.child_value()))
        return;
    for (pugi::xml_node property = prop.element().first_child(); property;
         property = property.next_sibling())
        successfulProperties.push_back({prop.nameOf(property), property, prop});
}

const MultistatusResponse::Property* MultistatusResponse::find(std::string_view ns,
                                                               std::string_view localName) const {
    for (const Property& property : successfulProperties)
        if (property.name.is(ns, localName))
            return &property;
    return nullptr;
}

XmlScope MultistatusResponse::property(std::string_view ns, std::string_view localName) const {
    const Property* found = find(ns, localName);
    return found ? found->prop.enter(found->element) : XmlScope();
}

pugi::xml_node MultistatusResponse::propertyElement(std::string_view ns,
                                                    std::string_view localName) const {
    const Property* found = find(ns, localName);
    return found ? found->element : pugi::xml_node();
}

std::string MultistatusResponse::propertyText(std::string_view ns,
                                              std::string_view localName) const {
    return textOf(propertyElement(ns, localName));
}
