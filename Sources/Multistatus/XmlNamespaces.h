// Namespace-aware element matching on pugixml trees, which keep element names as written
// ("d:href", "CR:addressbook-home-set", "href"). The prefix carries no meaning of its own: it is
// resolved through the xmlns declarations in scope, and an element matches by its namespace URI
// and local name.
#pragma once

#include <pugixml.hpp>

#include <deque>
#include <string_view>
#include <utility>
#include <vector>

namespace xmlns {
constexpr std::string_view dav = "DAV:";
constexpr std::string_view carddav = "urn:ietf:params:xml:ns:carddav";
// SabreDAV's own elements in its error bodies (s:exception, s:message).
constexpr std::string_view sabredav = "http://sabredav.org/ns";
} // namespace xmlns

class XmlNamespaces;

// Whether an element in namespace `uri` (empty: in none) answers to a name in namespace `ns`: an
// element in no namespace answers to a name in any.
inline bool namespaceAnswers(std::string_view uri, std::string_view ns) {
    return uri.empty() || uri == ns;
}
// Whether the attribute called `name` declares a namespace, and for which prefix: "xmlns"
// declares the default namespace (empty prefix), "xmlns:p" the prefix p.
bool declaresPrefix(std::string_view name, std::string_view& prefix);

// The namespace and local name of an element, its prefix resolved once so that the element can
// be compared with several names.
struct XmlName {
    // True for an element called `localName` in namespace `ns`, or called `localName` in no
    // namespace at all (no prefix and no default namespace in scope).
    bool is(std::string_view ns, std::string_view localName) const {
        return bound && hasLocalName(localName) && namespaceAnswers(uri, ns);
    }

    std::string_view uri; // empty: no namespace
    // The name after the prefix, zero-terminated as pugixml keeps it; compared without being
    // measured, since most comparisons fail at the first byte.
    const char* local = "";
    // False for a node that is no element, or whose prefix is declared nowhere: such a node
    // matches no name.
    bool bound = false;
    // Whether the element carries attributes, among which namespace declarations may be.
    bool hasAttributes = false;

private:
    bool hasLocalName(std::string_view wanted) const {
        const char* at = local;
        for (const char c : wanted)
            if (*at++ != c)
                return false;
        return *at == '\0';
    }
};

// The namespace declarations of one element, sorted by prefix (empty: the default namespace),
// and the declarations in scope around it.
struct XmlDeclarations {
    // The URI declared for `prefix` here, or null. Every element name is resolved here, so the
    // usual handful of declarations is searched inline; a hostile answer may declare a great
    // many on one element, which are searched by halves.
    const std::string_view* find(std::string_view prefix) const {
        constexpr std::size_t fewDeclarations = 8;
        if (uriByPrefix.size() > fewDeclarations)
            return findSorted(prefix);
        for (const auto& [declared, uri] : uriByPrefix)
            if (declared == prefix)
                return &uri;
        return nullptr;
    }

    std::vector<std::pair<std::string_view, std::string_view>> uriByPrefix;
    const XmlDeclarations* outer = nullptr;

private:
    const std::string_view* findSorted(std::string_view prefix) const;
};

// One element with the namespace declarations in scope at it, so that its children can be
// matched. Scopes are entered from the document down; they stay valid while the XmlNamespaces
// that made them is not asked for another document's scope.
class XmlScope {
public:
    XmlScope() = default; // no element: no children, matches nothing

    pugi::xml_node element() const { return node; }
    explicit operator bool() const { return static_cast<bool>(node); }

    // True when `child`, a child of this element, is an element called `localName` in
    // namespace `ns`, or called `localName` in no namespace at all (no prefix and no default
    // namespace in scope). An element whose prefix is declared nowhere matches nothing.
    bool matches(pugi::xml_node child, std::string_view ns, std::string_view localName) const {
        return nameOf(child).is(ns, localName);
    }
    // The resolved name of `child`, a child of this element.
    XmlName nameOf(pugi::xml_node child) const;
    // The scope of `child`, a child element of this element; `name`, its resolved name, spares
    // looking at its attributes again when it has none.
    XmlScope enter(pugi::xml_node child) const;
    XmlScope enter(pugi::xml_node child, const XmlName& name) const;
    // The first child element that matches, entered; an empty scope when none does.
    XmlScope child(std::string_view ns, std::string_view localName) const;
    // This scope, with the declarations met below it kept by `keeper`: threads reading parts of
    // one document each keep their own.
    XmlScope keptBy(XmlNamespaces& keeper) const { return {&keeper, node, inScope}; }

private:
    friend class XmlNamespaces;
    XmlScope(XmlNamespaces* owner, pugi::xml_node node, const XmlDeclarations* inScope)
        : owner(owner), node(node), inScope(inScope) {}

    XmlNamespaces* owner = nullptr;
    pugi::xml_node node;
    const XmlDeclarations* inScope = nullptr; // the nearest declaring element's, or none
};

// Keeps the declarations that the scopes of one document read.
class XmlNamespaces {
public:
    // The scope of the document node, whose child is the top element. The scopes of an earlier
    // document become invalid.
    XmlScope documentScope(const pugi::xml_document& document);

private:
    friend class XmlScope;
    // The declarations of `element`, which declares at least one namespace.
    const XmlDeclarations* declare(pugi::xml_node element, const XmlDeclarations* outer);

    std::deque<XmlDeclarations> declarations;
};
