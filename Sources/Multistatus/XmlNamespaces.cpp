#include "Multistatus/XmlNamespaces.h"

#include <algorithm>

namespace {

bool declaresAny(pugi::xml_node element) {
    std::string_view prefix;
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute;
         attribute = attribute.next_attribute())
        if (declaresPrefix(attribute.name(), prefix))
            return true;
    return false;
}

// Whether the element whose attributes start at `attributes` binds `prefix` itself, and to which
// URI. Elements are matched only a few times each, so their own declarations are read directly
// instead of being kept.
bool declaresOwn(pugi::xml_attribute attributes, std::string_view prefix, std::string_view& uri) {
    std::string_view declared;
    for (pugi::xml_attribute attribute = attributes; attribute;
         attribute = attribute.next_attribute()) {
        if (declaresPrefix(attribute.name(), declared) && declared == prefix) {
            uri = attribute.value();
            return true;
        }
    }
    return false;
}

} // namespace

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

const std::string_view* XmlDeclarations::findSorted(std::string_view prefix) const {
    const auto found = std::lower_bound(uriByPrefix.begin(), uriByPrefix.end(), prefix,
                                        [](const auto& declaration, std::string_view wanted) {
                                            return declaration.first < wanted;
                                        });
    return found != uriByPrefix.end() && found->first == prefix ? &found->second : nullptr;
}

XmlName XmlScope::nameOf(pugi::xml_node child) const {
    if (child.type() != pugi::node_element)
        return {};
    // The prefix ends at the first colon; names are short, so a plain scan beats measuring them.
    const char* name = child.name();
    const char* colon = name;
    while (*colon != '\0' && *colon != ':')
        ++colon;
    const bool prefixed = *colon == ':';
    const std::string_view prefix(name, prefixed ? colon - name : 0);
    XmlName resolved;
    resolved.local = prefixed ? colon + 1 : name;
    // No namespace unless one is declared; a prefix declared nowhere binds to nothing.
    resolved.bound = !prefixed;
    const pugi::xml_attribute attributes = child.first_attribute();
    resolved.hasAttributes = static_cast<bool>(attributes);
    if (resolved.hasAttributes && declaresOwn(attributes, prefix, resolved.uri)) {
        resolved.bound = true;
        return resolved;
    }
    for (const XmlDeclarations* around = inScope; around; around = around->outer) {
        if (const std::string_view* uri = around->find(prefix)) {
            resolved.uri = *uri;
            resolved.bound = true;
            break;
        }
    }
    return resolved;
}

XmlScope XmlScope::enter(pugi::xml_node child) const {
    if (!owner || !child)
        return {};
    return {owner, child, declaresAny(child) ? owner->declare(child, inScope) : inScope};
}

XmlScope XmlScope::enter(pugi::xml_node child, const XmlName& name) const {
    if (!owner || !name.bound)
        return {};
    return {owner, child,
            name.hasAttributes && declaresAny(child) ? owner->declare(child, inScope) : inScope};
}

XmlScope XmlScope::child(std::string_view ns, std::string_view localName) const {
    for (pugi::xml_node candidate = node.first_child(); candidate;
         candidate = candidate.next_sibling())
        if (matches(candidate, ns, localName))
            return enter(candidate);
    return {};
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
