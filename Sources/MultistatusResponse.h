// One response element of a WebDAV multistatus, with its properties read the way servers split
// them: found and missing properties come in separate propstat elements, in either order.
#pragma once

#include "XmlNamespaces.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

// The text and CDATA children of `element` joined (the empty text for a null node).
std::string textOf(pugi::xml_node element);

// Whether a propstat status line ("HTTP/1.1 200 OK") gives a 2xx code.
bool isSuccessStatus(std::string_view statusLine);

class MultistatusResponse {
public:
    explicit MultistatusResponse(const XmlScope& response);

    // The response's own href, as written.
    std::string href() const;
    // Whether any propstat of the response holds a prop, whatever its status.
    bool hasProp() const { return anyProp; }
    // The property element from the first propstat with a 2xx status (or no status at all)
    // that holds it; an empty scope when none does.
    XmlScope property(std::string_view ns, std::string_view localName) const;
    std::string propertyText(std::string_view ns, std::string_view localName) const;

private:
    struct Property {
        std::string_view localName;
        pugi::xml_node element;
        XmlScope prop;
    };

    void addPropstat(const XmlScope& propstat);
    const Property* find(std::string_view ns, std::string_view localName) const;

    pugi::xml_node hrefElement;
    // The children of the successful props in document order, collected in one pass since
    // several properties are looked up.
    std::vector<Property> successfulProperties;
    bool anyProp = false;
};
