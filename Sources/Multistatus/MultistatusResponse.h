// One response element of a WebDAV multistatus, with its properties read the way servers split
// them: found and missing properties come in separate propstat elements, in either order.
#pragma once

#include "Multistatus/XmlNamespaces.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

// The text and CDATA children of `element` joined (the empty text for a null node), the leading
// text that a document parsed with pugi::parse_embed_pcdata keeps in the element included.
std::string textOf(pugi::xml_node element);
// The same text without a copy: a view of the document's own text when the element holds one
// piece of text (the usual case), else of the pieces joined into `joined`.
std::string_view textOf(pugi::xml_node element, std::string& joined);

// The code of a status line ("HTTP/1.1 404 Not Found" gives 404); 0 when it holds none.
int statusCodeOf(std::string_view statusLine);
// Whether a propstat status line ("HTTP/1.1 200 OK") gives a 2xx code.
bool isSuccessPropstat(std::string_view statusLine);

class MultistatusResponse {
public:
    MultistatusResponse() = default; // no response: no href, no properties
    explicit MultistatusResponse(const XmlScope& response) { read(response); }

    // Reads `response` in place of the one read before. The storage is kept, so one object
    // reads a listing of thousands of responses without allocating for each.
    void read(const XmlScope& response);

    // The response's own href element, and its text as written.
    pugi::xml_node hrefElement() const { return hrefNode; }
    std::string href() const { return textOf(hrefNode); }
    // Whether any propstat of the response holds a prop, whatever its status.
    bool hasProp() const { return anyProp; }
    // The code of the response's own status, given instead of properties (a member removed
    // since a sync token, a card a multiget asked for that does not exist); 0 when it has none.
    int status() const { return statusCode; }
    // The property element from the first propstat with a 2xx status (or no status at all)
    // that holds it; an empty scope (a null node) when none does.
    XmlScope property(std::string_view ns, std::string_view localName) const;
    pugi::xml_node propertyElement(std::string_view ns, std::string_view localName) const;
    std::string propertyText(std::string_view ns, std::string_view localName) const;

private:
    struct Property {
        XmlName name;
        pugi::xml_node element;
        XmlScope prop;
    };

    void addPropstat(const XmlScope& propstat);
    const Property* find(std::string_view ns, std::string_view localName) const;

    pugi::xml_node hrefNode;
    // The children of the successful props in document order with their names resolved, so
    // that each of the several properties looked up costs a few comparisons.
    std::vector<Property> successfulProperties;
    bool anyProp = false;
    int statusCode = 0;
};
