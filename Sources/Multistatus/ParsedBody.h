// An XML body parsed whole with pugixml, and what a reading asks of it: its form, its top
// element, the responses of a multistatus. Long answers are parsed a batch of whole responses at
// a time (DocumentBatches), each batch a small document of its own.
#pragma once

#include "Multistatus/BodyForm.h"
#include "Multistatus/XmlNamespaces.h"

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>

// The document is built in the body's own bytes and lives as long as this object.
class ParsedBody {
public:
    explicit ParsedBody(std::string xml);
    ParsedBody(const ParsedBody&) = delete;
    ParsedBody& operator=(const ParsedBody&) = delete;

    BodyForm shape() const { return form; }
    // The body's bytes, in which the document's texts lie.
    std::string_view bytes() const { return body; }
    // Whether the top element is `localName` in namespace `ns`.
    bool topIs(std::string_view ns, std::string_view localName) const {
        return form != BodyForm::Unreadable && documentLevel.matches(topElement, ns, localName);
    }
    // The top element, entered, for a body that is no multistatus (a DAV:error, for one).
    XmlScope top() const { return documentLevel.enter(topElement); }

    // The responses of a multistatus, in document order; none for any other body.
    pugi::xml_node firstResponse() const;
    pugi::xml_node nextResponse(pugi::xml_node response) const;
    std::size_t responseCount() const;
    XmlScope enter(pugi::xml_node response) const { return responseParent.enter(response); }

    // The token a sync-collection answer gives beside its responses (after them, as a rule);
    // null when the multistatus holds none.
    pugi::xml_node topLevelSyncToken() const;

private:
    std::string body;
    pugi::xml_document document;
    XmlNamespaces names;
    BodyForm form = BodyForm::Unreadable;
    XmlScope documentLevel;
    pugi::xml_node topElement;
    // The multistatus element, whose children are the responses.
    XmlScope responseParent;
};
