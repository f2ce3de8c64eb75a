#include "XmlNamespaces.h"

#include <algorithm>

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

bool declaresAny(pugi::xml_node element) {
    std::string_view prefix;
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
         attribute = attribute.next_attribute())
        if (declaresPrefix(attribute.name(), prefix))
            return true;
    return false;
}

} // namespace

const std::string_view* XmlDeclarations::find(std::string_view prefix) const {
    // Answers declare a handful of namespaces, which a plain search finds fastest; a hostile
    // answer may declare a great many on one element.
    constexpr std::size_t fewDeclarations = 8;
    if (uriByPrefix.size() <= fewDeclarations) {
        for (const auto& [declared, uri] : uriByPrefix)
            if (declared == prefix)
                return &uri;
        return nullptr;
    }
    const auto found = std::lower_bound(uriByPrefix.begin(), uriByPrefix.end(), prefix,
                                        [](const auto& declaration, std::string_view wanted) {
                                            return declaration.first < wanted;
                                        });
    return found != uriByPrefix.end() && found->first == prefix ? &found->second : nullptr;
}

std::string_view XmlScope::localName(pugi::xml_node node) {
    return splitName(node.name()).local;
}

bool XmlScope::matches(pugi::xml_node child, std::string_view ns,
                       std::string_view localName) const {
    const QualifiedName name = splitName(child.name());
    if (name.local != localName || child.type() != pugi::node_element)
        return false;
    std::string_view uri; // no namespace unless one is declared
    if (!lookup(child, name.prefix, uri) && !name.prefix.empty())
        return false;
    return uri.empty() || uri == ns;
}

XmlScope XmlScope::enter(pugi::xml_node child) const {
    if (!owner || !child)
        return {};
    return {owner, child, declaresAny(child) ? owner->declare(child, inScope) : inScope};
}

XmlScope XmlScope::child(std::string_view ns, std::string_view localName) const {
    for (pugi::xml_node candidate = node.first_child(); candidate;
         candidate = candidate.next_sibling())
        if (matches(candidate, ns, localName))
            return enter(candidate);
    return {};
}

bool XmlScope::lookup(pugi::xml_node child, std::string_view prefix, std::string_view& uri) const {
    // The child's own declarations are read directly: a child is matched only a few times.
    std::string_view declared;
    for (pugi::xml_attribute attribute = child.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        if (declaresPrefix(attribute.name(), declared) && declared == prefix) {
            uri = attribute.value();
            return true;
        }
    }
    for (const XmlDeclarations* around = inScope; around; around = around->outer) {
        if (const std::string_view* found = around->find(prefix)) {
            uri = *found;
            return true;
        }
    }
    return false;
}

XmlScope XmlNamespaces::documentScope(const pugi::xml_document& document) {
    declarations.clear();
    return {this, document, nullptr};
}

const XmlDeclarations* XmlNamespaces::declare(pugi::xml_node element,
                                              const XmlDeclarations* outer) {
    XmlDeclarations& added = declarations.emplace_back();
    added.outer = outer;
    std::string_view prefix;
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
         attribute = attribute.next_attribute())
        if (declaresPrefix(attribute.name(), prefix))
            added.uriByPrefix.emplace_back(prefix, attribute.value());
    // Sorted for lookups by prefix; the first of two declarations of one prefix counts.
    std::stable_sort(added.uriByPrefix.begin(), added.uriByPrefix.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return &added;
}
