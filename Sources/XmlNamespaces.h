// Namespace-aware element matching on pugixml trees, which keep element names as written
// ("d:href", "CR:addressbook-home-set", "href"). The prefix carries no meaning of its own: it is
// resolved through the xmlns declarations in scope, and an element matches by its namespace URI
// and local name.
#pragma once

#include <pugixml.hpp>

#include <string_view>
#include <unordered_map>

namespace xmlns {
constexpr std::string_view dav = "DAV:";
constexpr std::string_view carddav = "urn:ietf:params:xml:ns:carddav";
} // namespace xmlns

class XmlNamespaces {
public:
    // True when `node` is an element called `localName` in namespace `ns`, or called
    // `localName` in no namespace at all (no prefix and no default namespace in scope). An
    // element whose prefix is declared nowhere matches nothing.
    bool matches(pugi::xml_node node, std::string_view ns, std::string_view localName);

    // The first child element of `parent` that matches, or a null node.
    pugi::xml_node child(pugi::xml_node parent, std::string_view ns, std::string_view localName);

    // Forgets what was learnt about the elements of a document; call before its nodes go away.
    void clear() { ancestorDeclarations.clear(); }

private:
    using Declarations = std::unordered_map<std::string_view, std::string_view>;

    // The URI `prefix` (empty: the default namespace) is bound to at `element`; false when it is
    // declared nowhere, in which case `uri` is left alone.
    bool lookup(pugi::xml_node element, std::string_view prefix, std::string_view& uri);
    const Declarations& declarationsOf(pugi::xml_node element);

    // The declarations of each ancestor consulted so far, so that an element with a great many
    // attributes is read once however many of its descendants are looked up.
    std::unordered_map<const void*, Declarations> ancestorDeclarations;
};
