#include "Multistatus/PlainListing.h"

#include "Multistatus/MultistatusResponse.h"
#include "Multistatus/XmlNamespaces.h"
#include "Multistatus/XmlText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// Byte classes, a subset of what pugixml takes each byte for.
enum : std::uint8_t { kNameStart = 1, kNameChar = 2, kBlank = 4 };
constexpr std::array<std::uint8_t, 256> kClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (int c = 'a'; c <= 'z'; ++c)
        classes[c] = classes[c - 'a' + 'A'] = kNameStart | kNameChar;
    classes['_'] = kNameStart | kNameChar;
    for (int c = '0'; c <= '9'; ++c)
        classes[c] = kNameChar;
    classes['-'] = classes['.'] = classes[':'] = kNameChar;
    for (const char c : {' ', '\t', '\r', '\n'})
        classes[static_cast<unsigned char>(c)] = kBlank;
    return classes;
}();

bool is(char c, std::uint8_t type) {
    return (kClasses[static_cast<unsigned char>(c)] & type) != 0;
}

// The length of the name `at` starts with, in the characters a plain listing's names use.
std::size_t nameLength(const char* at, const char* end) {
    const char* name = at;
    if (name < end && is(*name, kNameStart))
        while (++name < end && is(*name, kNameChar)) {
        }
    return name - at;
}

bool isPlainName(std::string_view name) {
    return !name.empty() && nameLength(name.data(), name.data() + name.size()) == name.size();
}

// Where `c` next stands in [from, end); `end` where it does not.
const char* nextOf(char c, const char* from, const char* end) {
    const void* found = std::memchr(from, c, end - from);
    return found ? static_cast<const char*>(found) : end;
}

// What an element's name makes it to a listing, wherever it stands.
// (Unfit: no name, or one the plain shape does not use, or a tag with attributes.)
enum class Name { Response, Href, Propstat, Status, Prop, Property, Other, Unfit };
// What an element is to the listing, by where it stands and its name.
enum class Role {
    Top,
    Response,
    Href,
    ResponseStatus,
    Propstat,
    Prop,
    PropstatStatus,
    Property,
    Other
};

// A text read of an element: its one piece that is not all blanks, as written.
struct Text {
    std::string_view raw;
    bool encoded = false; // holds references or carriage returns
};

// An element open where the scan stands.
struct Open {
    std::string_view name;
    Role role;
    int property; // for a Property, its place in kListedProperties
    Text text;
};

// What one propstat holds until its end tells whether it counts.
struct Propstat {
    bool propFound = false;
    bool statusFound = false;
    std::string_view status;
    std::array<Text, kListedProperties.size()> properties;
    unsigned found = 0;
};

class PlainScan {
public:
    PlainScan(std::string& batch, std::vector<ListedResponse>& responses)
        : at(batch.data()), end(batch.data() + batch.size()), responses(responses) {}

    // Reads the whole batch; false as soon as it leaves the plain shape.
    bool read() {
        if (!bytesArePlain() || !readProlog() || !readTopStartTag())
            return false;
        open.push_back({topName, Role::Top, -1, {}});
        while (at < end) {
            if (!readText() || at == end)
                return false;
            if (at + 1 < end && at[1] == '/') {
                if (!readEndTag())
                    return false;
                if (open.empty())
                    return at == end;
            } else if (!readStartTag()) {
                return false;
            }
        }
        return false;
    }

    // Decodes the texts read that hold references or carriage returns, where they lie.
    void decode() {
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            ListedResponse& response = responses[first + i];
            if (encoded[i] & 1U)
                response.href = decodedInPlace(response.href);
            for (std::size_t p = 0; p < kListedProperties.size(); ++p)
                if (encoded[i] & (2U << p))
                    response.*kListedProperties[p].text =
                        decodedInPlace(response.*kListedProperties[p].text);
        }
    }

private:
    // The whole batch at once: no zero byte (where pugixml stops reading), and every '&' a
    // reference that pugixml replaces; and whether any text may need decoding at all.
    bool bytesArePlain() {
        const std::string_view batch(at, end - at);
        if (batch.find('\0') != batch.npos)
            return false;
        const char* reference = nextOf('&', at, end);
        hasReferences = reference != end;
        for (; reference != end; reference = nextOf('&', reference + 1, end))
            if (referenceLength(reference, end) == 0)
                return false;
        hasReturns = nextOf('\r', at, end) != end;
        return true;
    }

    bool startsWith(std::string_view word) const {
        return static_cast<std::size_t>(end - at) >= word.size() &&
               std::memcmp(at, word.data(), word.size()) == 0;
    }
    bool skipBlanks() {
        const char* const from = at;
        while (at < end && is(*at, kBlank))
            ++at;
        return at != from;
    }
    std::string_view readName() {
        const char* const from = at;
        at += nameLength(at, end);
        return {from, static_cast<std::size_t>(at - from)};
    }

    // Blanks and an XML declaration, which pugixml skips unread.
    bool readProlog() {
        skipBlanks();
        if (startsWith("<?xml") && end - at > 5 && (is(at[5], kBlank) || at[5] == '?')) {
            const std::size_t close = std::string_view(at, end - at).find("?>", 5);
            if (close == std::string_view::npos)
                return false;
            at += close + 2;
            skipBlanks();
        }
        return true;
    }

    // The multistatus start tag: attributes in plain quotes, the namespace declarations read.
    bool readTopStartTag() {
        if (at == end || *at++ != '<')
            return false;
        topName = readName();
        std::vector<std::string_view> attributes;
        for (;;) {
            const bool blank = skipBlanks();
            if (at < end && *at == '>') {
                ++at;
                break;
            }
            const std::string_view name = readName();
            if (!blank || name.empty() ||
                std::find(attributes.begin(), attributes.end(), name) != attributes.end())
                return false;
            attributes.push_back(name);
            skipBlanks();
            if (at == end || *at++ != '=')
                return false;
            skipBlanks();
            if (at == end || (*at != '"' && *at != '\''))
                return false;
            const char* const value = ++at;
            at = nextOf(at[-1], at, end);
            const std::string_view written(value, at - value);
            if (at == end || written.find_first_of("<&\t\r\n") != written.npos)
                return false;
            if (++at < end && !is(*at, kBlank) && *at != '>')
                return false;
            std::string_view prefix;
            if (declaresPrefix(name, prefix) && !declared(prefix))
                declarations.emplace_back(prefix, written);
        }
        return isNamed(topName, xmlns::dav, "multistatus");
    }

    const std::string_view* declared(std::string_view prefix) const {
        for (const auto& [declaredPrefix, uri] : declarations)
            if (declaredPrefix == prefix)
                return &uri;
        return nullptr;
    }

    // Whether the element called `name` is `localName` in `ns`, its prefix resolved through the
    // multistatus's declarations as XmlName does.
    bool isNamed(std::string_view name, std::string_view ns, std::string_view localName) const {
        const std::size_t colon = name.find(':');
        const std::string_view prefix =
            colon == name.npos ? std::string_view() : name.substr(0, colon);
        if (name.substr(colon == name.npos ? 0 : colon + 1) != localName)
            return false;
        const std::string_view* uri = declared(prefix);
        if (!uri)
            return colon == name.npos; // no namespace; a prefix declared nowhere binds none
        return namespaceAnswers(*uri, ns);
    }

    // What the element called `name` is to a listing; `property`, which listed property. A
    // listing names a handful of elements thousands of times: each is checked and resolved once.
    Name nameOf(std::string_view name, int& property) {
        for (const auto& [known, what, which] : names)
            if (known == name) {
                property = which;
                return what;
            }
        property = -1;
        const Name what = isPlainName(name) ? resolved(name, property) : Name::Unfit;
        names.push_back({name, what, property});
        return what;
    }

    Name resolved(std::string_view name, int& property) const {
        for (const auto& [what, localName] : {std::pair{Name::Response, "response"},
                                              {Name::Href, "href"},
                                              {Name::Propstat, "propstat"},
                                              {Name::Status, "status"},
                                              {Name::Prop, "prop"}})
            if (isNamed(name, xmlns::dav, localName))
                return what;
        for (std::size_t p = 0; p < kListedProperties.size(); ++p)
            if (isNamed(name, kListedProperties[p].ns, kListedProperties[p].localName)) {
                property = static_cast<int>(p);
                return Name::Property;
            }
        return Name::Other;
    }

    // Text up to the next markup; kept for the open element where it reads its text. False for
    // a second piece of such a text (around a child element), which the plain shape has not.
    bool readText() {
        if (*at == '<')
            return true; // nearly every tag follows another
        const char* const from = at;
        at = nextOf('<', at, end);
        const char* first = from;
        while (first < at && is(*first, kBlank))
            ++first;
        if (first == at)
            return true; // blanks alone, which pugixml drops
        const std::string_view segment(from, at - from);
        Open& element = open.back();
        switch (element.role) {
        case Role::Href:
        case Role::ResponseStatus:
        case Role::PropstatStatus:
        case Role::Property:
            if (!element.text.raw.empty())
                return false;
            element.text = {segment, (hasReferences && nextOf('&', from, at) != at) ||
                                         (hasReturns && nextOf('\r', from, at) != at)};
            return true;
        default:
            return true;
        }
    }

    bool readStartTag() {
        // A tag of a plain listing is a name, blanks at most, and '>' or "/>".
        const char* const close = nextOf('>', at, end);
        if (close == end || open.size() > kDeepest)
            return false;
        std::string_view tag(at + 1, close - at - 1);
        const bool empty = !tag.empty() && tag.back() == '/';
        tag.remove_suffix(empty ? 1 : 0);
        while (!tag.empty() && is(tag.back(), kBlank))
            tag.remove_suffix(1);
        int property = -1;
        const Name name = nameOf(tag, property);
        if (name == Name::Unfit)
            return false;
        at = close + 1;
        const Role role = roleOf(name, property);
        open.push_back({tag, role, property, {}});
        return !empty || closeElement();
    }

    bool readEndTag() {
        const std::string_view name = open.back().name;
        at += 2;
        if (static_cast<std::size_t>(end - at) <= name.size() ||
            std::memcmp(at, name.data(), name.size()) != 0 || at[name.size()] != '>')
            return false;
        at += name.size() + 1;
        return closeElement();
    }

    // The role of an element called so in the open element.
    Role roleOf(Name name, int property) {
        switch (open.back().role) {
        case Role::Top:
            if (name != Name::Response)
                return Role::Other;
            startResponse();
            return Role::Response;
        case Role::Response:
            if (!hrefFound && name == Name::Href) {
                hrefFound = true;
                return Role::Href;
            }
            if (name == Name::Propstat) {
                propstat = Propstat();
                return Role::Propstat;
            }
            if (responses.back().status == 0 && name == Name::Status)
                return Role::ResponseStatus;
            return Role::Other;
        case Role::Propstat:
            if (!propstat.propFound && name == Name::Prop) {
                propstat.propFound = true;
                return Role::Prop;
            }
            if (!propstat.statusFound && name == Name::Status) {
                propstat.statusFound = true;
                return Role::PropstatStatus;
            }
            return Role::Other;
        case Role::Prop:
            // The first of a property in a prop counts.
            if (name != Name::Property || (propstat.found & (1U << property)))
                return Role::Other;
            propstat.found |= 1U << property;
            return Role::Property;
        default:
            return Role::Other;
        }
    }

    void startResponse() {
        responses.emplace_back();
        encoded.push_back(0);
        hrefFound = false;
        foundInResponse = 0;
    }

    bool closeElement() {
        const Open& element = open.back();
        const Text text = element.text;
        bool plain = true;
        switch (element.role) {
        case Role::Href:
            responses.back().href = text.raw;
            encoded.back() |= text.encoded ? 1U : 0U;
            break;
        case Role::ResponseStatus:
            plain = !text.encoded;
            responses.back().status = statusCodeOf(text.raw);
            break;
        case Role::PropstatStatus:
            plain = !text.encoded;
            propstat.status = text.raw;
            break;
        case Role::Property:
            propstat.properties[element.property] = text;
            break;
        case Role::Propstat:
            takePropstat(responses.back());
            break;
        default:
            break;
        }
        open.pop_back();
        return plain;
    }

    // Takes the properties of a propstat just ended into its response, where it counts.
    void takePropstat(ListedResponse& response) {
        if (!propstat.propFound)
            return;
        response.hasProp = true;
        if (propstat.statusFound && !isSuccessPropstat(propstat.status))
            return;
        for (std::size_t p = 0; p < kListedProperties.size(); ++p) {
            const unsigned bit = 1U << p;
            if (!(propstat.found & bit) || (foundInResponse & bit))
                continue;
            foundInResponse |= bit;
            response.*kListedProperties[p].text = propstat.properties[p].raw;
            if (propstat.properties[p].encoded)
                encoded.back() |= 2U << p;
        }
    }

    // Elements nest no deeper than this in a plain listing.
    static constexpr std::size_t kDeepest = 32;

    struct KnownName {
        std::string_view name;
        Name what;
        int property;
    };

    const char* at;
    const char* const end;
    std::vector<ListedResponse>& responses;
    const std::size_t first = responses.size();
    // Whether the batch holds references, carriage returns: texts that may need decoding.
    bool hasReferences = false;
    bool hasReturns = false;
    std::string_view topName;
    std::vector<std::pair<std::string_view, std::string_view>> declarations;
    std::vector<KnownName> names;
    std::vector<Open> open;
    // Per response read: which of its texts need decoding (bit 0 the href, then the properties).
    std::vector<unsigned> encoded;
    bool hrefFound = false;
    unsigned foundInResponse = 0;
    Propstat propstat;
};

} // namespace

bool readPlainResponses(std::string& batch, std::vector<ListedResponse>& responses) {
    PlainScan scan(batch, responses);
    const std::size_t before = responses.size();
    if (!scan.read()) {
        responses.resize(before);
        return false;
    }
    scan.decode();
    return true;
}
