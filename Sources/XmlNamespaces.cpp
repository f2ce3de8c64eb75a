#include "XmlNamespaces.h"

namespace {

struct QualifiedName {
    std::string_view prefix; // empty when the name has no prefix
    std::string_view local;
};

QualifiedName splitName(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return {{}, name};
    return {name.substr(0, colon), name.substr(colon + 1)};
}

// Whether the attribute called `name` declares a namespace, and for which prefix: "xmlns"
// declares the default namespace (empty prefix), "xmlns:p" the prefix p.
bool declaresPrefix(std::string_view name, std::string_view& prefix) {
    constexpr std::string_view declaration = "xmlns";
    if (name.substr(0, declaration.size()) != declaration)
        return false;
    if (name.size() == declaration.size()) {
        prefix = {};
        return true;
    }
    if (name[declaration.size()] != ':')
        return false;
    prefix = name.substr(declaration.size() + 1);
    return true;
}

} // namespace

bool XmlNamespaces::matches(pugi::xml_node node, std::string_view ns, std::string_view localName) {
    if (node.type() != pugi::node_element)
        return false;
    const QualifiedName name = splitName(node.name());
    if (name.local != localName)
        return false;
    std::string_view uri; // no namespace unless one is declared
    if (!lookup(node, name.prefix, uri) && !name.prefix.empty())
        return false;
    return uri.empty() || uri == ns;
}

pugi::xml_node XmlNamespaces::child(pugi::xml_node parent, std::string_view ns,
                                    std::string_view localName) {
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling())
        if (matches(node, ns, localName))
            return node;
    return {};
}

bool XmlNamespaces::lookup(pugi::xml_node element, std::string_view prefix, std::string_view& uri) {
    // The element's own declarations come first; they are read directly since an element is
    // matched only a few times.
    std::string_view declared;
    for (pugi::xml_attribute attribute : element.attributes()) {
        if (declaresPrefix(attribute.name(), declared) && declared == prefix) {
            uri = attribute.value();
            return true;
        }
    }
    for (pugi::xml_node ancestor = element.parent(); ancestor.type() == pugi::node_element;
         ancestor = ancestor.parent()) {
        if (!ancestor.first_attribute())
            continue;
        const Declarations& declarations = declarationsOf(ancestor);
        const auto found = declarations.find(prefix);
        if (found != declarations.end()) {
            uri = found->second;
            return true;
        }
    }
    return false;
}

const XmlNamespaces::Declarations& XmlNamespaces::declarationsOf(pugi::xml_node element) {
    const auto [entry, added] = ancestorDeclarations.try_emplace(element.internal_object());
    if (added) {
        std::string_view prefix;
        for (pugi::xml_attribute attribute : element.attributes())
            if (declaresPrefix(attribute.name(), prefix))
                entry->second.emplace(prefix, attribute.value());
    }
    return entry->second;
}
