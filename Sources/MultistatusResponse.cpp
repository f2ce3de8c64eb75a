#include "MultistatusResponse.h"

#include <cctype>

namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::string textOf(pugi::xml_node element) {
    std::string text;
    for (pugi::xml_node node = element.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            text += node.value();
    return text;
}

bool isSuccessStatus(std::string_view statusLine) {
    // Skip the protocol word, then expect three digits on their own.
    std::size_t at = 0;
    while (at < statusLine.size() && isBlank(statusLine[at]))
        ++at;
    while (at < statusLine.size() && !isBlank(statusLine[at]))
        ++at;
    while (at < statusLine.size() && isBlank(statusLine[at]))
        ++at;
    const std::string_view code = statusLine.substr(at, 4);
    return code.size() >= 3 && code[0] == '2' && isDigit(code[1]) && isDigit(code[2]) &&
           (code.size() == 3 || !isDigit(code[3]));
}

MultistatusResponse::MultistatusResponse(XmlNamespaces& names, pugi::xml_node response)
    : names(names), response(response) {
    for (pugi::xml_node propstat = response.first_child(); propstat;
         propstat = propstat.next_sibling()) {
        if (!names.matches(propstat, xmlns::dav, "propstat"))
            continue;
        const pugi::xml_node prop = names.child(propstat, xmlns::dav, "prop");
        if (!prop)
            continue;
        anyProp = true;
        const pugi::xml_node status = names.child(propstat, xmlns::dav, "status");
        if (!status || isSuccessStatus(textOf(status)))
            successfulProps.push_back(prop);
    }
}

std::string MultistatusResponse::href() const {
    return textOf(names.child(response, xmlns::dav, "href"));
}

pugi::xml_node MultistatusResponse::property(std::string_view ns,
                                             std::string_view localName) const {
    for (pugi::xml_node prop : successfulProps)
        if (pugi::xml_node found = names.child(prop, ns, localName))
            return found;
    return {};
}
