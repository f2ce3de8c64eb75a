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
    MultistatusResponse(XmlNamespaces& names, pugi::xml_node response);

    // The response's own href, as written.
    std::string href() const;
    // Whether any propstat of the response holds a prop, whatever its status.
    bool hasProp() const { return anyProp; }
    // The property element from the first propstat with a 2xx status (or no status at all)
    // that holds it; a null node when none does.
    pugi::xml_node property(std::string_view ns, std::string_view localName) const;
    std::string propertyText(std::string_view ns, std::string_view localName) const {
        return textOf(property(ns, localName));
    }

private:
    XmlNamespaces& names;
    pugi::xml_node response;
    std::vector<pugi::xml_node> successfulProps;
    bool anyProp = false;
};
