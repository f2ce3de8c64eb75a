#include "Multistatus/xmlParser.h"

#include "Multistatus/MultistatusResponse.h"
#include "Transport/EntityTag.h"
#include "Transport/HrefResolver.h"
#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardParser.h"

#include <pugixml.hpp>

#include <charconv>
#include <future>
#include <system_error>
#include <utility>

namespace {

// One answer's body parsed: the document is built in the body's own bytes and lives as long as
// this object, which lives for one reading.
class ParsedBody {
public:
    explicit ParsedBody(std::string xml) : body(std::move(xml)) {
        // Default options: no DOCTYPE processing and no entity expansion beyond the predefined
        // ones, nothing fetched. A body that does not parse whole (an HTML page, a truncated
        // answer) is dropped rather than read in part. The text of an element is kept in the
        // element itself rather than in a child node of its own (textOf reads both forms): a
        // listing has a text node for every property, and a third fewer nodes to build and walk
        // saves a tenth of the parse.
        const bool parsed = static_cast<bool>(document.load_buffer_inplace(
            body.data(), body.size(), pugi::parse_default | pugi::parse_embed_pcdata,
            pugi::encoding_utf8));
        if (!parsed) {
            document.reset();
            return;
        }
        documentLevel = names.documentScope(document);
        topElement = document.document_element();
        if (!documentLevel.matches(topElement, xmlns::dav, "multistatus")) {
            form = BodyForm::OtherXml;
            return;
        }
        form = BodyForm::Multistatus;
        responseParent = documentLevel.enter(topElement);
    }
    ParsedBody(const ParsedBody&) = delete;
    ParsedBody& operator=(const ParsedBody&) = delete;

    BodyForm shape() const { return form; }
    // Whether the top element is `localName` in namespace `ns`.
    bool topIs(std::string_view ns, std::string_view localName) const {
        return form != BodyForm::Unreadable && documentLevel.matches(topElement, ns, localName);
    }
    // The top element, entered, for a body that is no multistatus (a DAV:error, for one).
    XmlScope top() const { return documentLevel.enter(topElement); }

    // The responses of a multistatus, in document order; none for any other body.
    pugi::xml_node firstResponse() const {
        if (form != BodyForm::Multistatus)
            return {};
        return responseParent.child(xmlns::dav, "response").element();
    }
    pugi::xml_node nextResponse(pugi::xml_node response) const {
        for (pugi::xml_node node = response.next_sibling(); node; node = node.next_sibling())
            if (responseParent.matches(node, xmlns::dav, "response"))
                return node;
        return {};
    }
    XmlScope enter(pugi::xml_node response) const { return responseParent.enter(response); }
    // The multistatus element, with the declarations met below it kept by `keeper`.
    XmlScope responsesKeptBy(XmlNamespaces& keeper) const { return responseParent.keptBy(keeper); }

    // The token a sync-collection answer gives beside its responses (after them, as a rule), or
    // the sync-token property of the first response that has one.
    std::string syncToken() const {
        if (form != BodyForm::Multistatus)
            return "";
        for (pugi::xml_node child = topElement.first_child(); child; child = child.next_sibling())
            if (responseParent.matches(child, xmlns::dav, "sync-token"))
                return textOf(child);
        MultistatusResponse response;
        for (pugi::xml_node node = firstResponse(); node; node = nextResponse(node)) {
            response.read(enter(node));
            std::string token = response.propertyText(xmlns::dav, "sync-token");
            if (!token.empty())
                return token;
        }
        return "";
    }

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

template <class Value> Read<Value> reading(const ParsedBody& parsed, Value value) {
    return {parsed.shape(), std::move(value)};
}

// Finds the first descendant whose name equals `name` ignoring ASCII case (prefix included,
// so "C:addressbook" is not "addressbook"); the walk stops there.
class node_walker : public pugi::xml_tree_walker {
public:
    explicit node_walker(std::string name) : name(toLowerAscii(std::move(name))) {}
    bool for_each(pugi::xml_node& node) override {
        if (!equalsIgnoringAsciiCase(node.name(), name))
            return true;
        found = node;
        return false;
    }

    std::string name; // lower case
    pugi::xml_node found;
};

// The address-book marker as CardDAV defines it, in the resource type, or as older answers
// write it: an element named addressbook (any case) anywhere in the response that declares its
// own namespace.
bool isAddressbook(pugi::xml_node node, const MultistatusResponse& response) {
    if (response.property(xmlns::dav, "resourcetype").child(xmlns::carddav, "addressbook"))
        return true;
    node_walker walker("addressbook");
    node.traverse(walker);
    return walker.found.type() == pugi::node_element && *walker.found.attribute("xmlns").value();
}

// Whether the privileges a current-user-privilege-set names let the account change cards; a
// server that names none (no such property) is taken at its word when it refuses a write.
bool grantsWriting(const XmlScope& privileges) {
    if (!privileges)
        return true;
    for (pugi::xml_node privilege = privileges.element().first_child(); privilege;
         privilege = privilege.next_sibling()) {
        if (!privileges.matches(privilege, xmlns::dav, "privilege"))
            continue;
        const XmlScope granted = privileges.enter(privilege);
        for (pugi::xml_node right = privilege.first_child(); right; right = right.next_sibling())
            for (const char* writing : {"all", "write", "write-content"})
                if (granted.matches(right, xmlns::dav, writing))
                    return true;
    }
    return false;
}

// Calls `visit` with the resolved name and node of each child element of a WebDAV error body
// (a DAV:error top element); nothing for any other body.
template <class Visit> void forEachErrorElement(const ParsedBody& parsed, Visit&& visit) {
    if (parsed.shape() != BodyForm::OtherXml || !parsed.topIs(xmlns::dav, "error"))
        return;
    const XmlScope top = parsed.top();
    for (pugi::xml_node child = top.element().first_child(); child; child = child.next_sibling()) {
        const XmlName name = top.nameOf(child);
        if (name.bound)
            visit(name, child);
    }
}

// `text` on one line: every run of blanks (line breaks included) one space, none at either end.
std::string blanksRunTogether(std::string_view text) {
    std::string joined;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !joined.empty())
            joined += ' ';
        blank = false;
        joined += c;
    }
    return joined;
}

// The contents of `text` when it is nothing but CDATA sections one after another (a writer
// splits a "]]>" of the contents across two), blanks around them aside; false otherwise.
bool cdataContents(std::string_view text, std::string& contents) {
    constexpr std::string_view open = "<![CDATA[", close = "]]>", blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos || text.compare(first, open.size(), open) != 0)
        return false;
    text = text.substr(first, text.find_last_not_of(blanks) + 1 - first);
    contents.clear();
    while (!text.empty()) {
        if (text.compare(0, open.size(), open) != 0)
            return false;
        text.remove_prefix(open.size());
        const std::size_t end = text.find(close);
        if (end == std::string_view::npos)
            return false;
        contents.append(text.substr(0, end));
        text.remove_prefix(end + close.size());
    }
    return true;
}

// The card text of an address-data element, a view of the document where possible. Some
// servers escape a card text they wrapped in CDATA, so that the markers arrive as text: when
// the whole text is such a wrapping, the card text is what it wraps. Markers anywhere else are
// the card's own text ("]]>" in a note) and stay.
std::string_view cardTextOf(pugi::xml_node addressData, std::string& buffer) {
    const std::string_view text = textOf(addressData, buffer);
    std::string unwrapped;
    if (!cdataContents(text, unwrapped))
        return text;
    buffer = std::move(unwrapped);
    return buffer;
}

// The getetag property of a response, as the plug-in keeps tags.
std::string tagOf(const MultistatusResponse& response, std::string& buffer) {
    return storedEntityTag(textOf(response.propertyElement(xmlns::dav, "getetag"), buffer));
}

// The href of an addressbook-home-set. Servers that declare the CardDAV namespace as the
// default on the property itself leave an unprefixed href in that namespace; it can mean
// nothing but the WebDAV href, so it is read there too.
std::string homeSetHref(const XmlScope& homeSet) {
    const XmlScope href = homeSet.child(xmlns::dav, "href");
    return textOf((href ? href : homeSet.child(xmlns::carddav, "href")).element());
}

// The last segment of a path ("/book/abc.vcf" gives "abc.vcf"). Most servers give a card
// resource no display name: its identifier is then the name of the resource itself.
std::string lastSegment(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// A getcontentlength value: decimal digits, blanks around them allowed, within what a size can
// hold; nothing for anything else.
std::optional<std::size_t> lengthOf(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits =
        text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    std::size_t length = 0;
    const auto [end, failed] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (failed != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return length;
}

// Takes what a card's text says of the card (UID, group, members, name, categories) into its
// record, and says whether the text is the whole card.
bool summarise(addresscard& card, std::string_view text) {
    vCardMini summary = readCardSummary(text);
    card.uid = std::move(summary.uid);
    card.isgroup = summary.isgroup;
    card.members = std::move(summary.members);
    card.fn = std::move(summary.fn);
    card.categories = std::move(summary.categories);
    return summary.whole;
}

// A copy of a card text while it fits in what is left of `budget`; empty beyond it.
std::string keptWithin(std::string_view text, std::size_t& budget) {
    if (text.size() > budget)
        return {};
    budget -= text.size();
    return std::string(text);
}

// A card of a sync or multiget answer that came with its text: its record (these answers give
// no display name: the card's identifier is the name of its resource), what the text says of it,
// and the text while it fits in `budget`. `href` may be a view of `buffer`: it is read before
// `buffer` is used again.
cardtext cardWithText(const MultistatusResponse& response, std::string url, std::string_view href,
                      pugi::xml_node addressData, std::string& buffer, std::size_t& budget) {
    cardtext read;
    read.card.cardid = replace(lastSegment(href), ".vcf", "");
    read.card.url = std::move(url);
    read.card.etag = tagOf(response, buffer);
    read.card.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
    const std::string_view cardText = cardTextOf(addressData, buffer);
    summarise(read.card, cardText);
    read.text = keptWithin(cardText, budget);
    return read;
}

// The text of a listed card before the listing's text budget is applied: a view of the
// document, or a copy where the server split the text into pieces or escaped it.
struct ListedText {
    std::string_view inDocument;
    std::string copy;
    bool taken = false; // the listing takes the text, as far as its budget goes
    std::string_view view() const { return copy.empty() ? inDocument : std::string_view(copy); }
};

// A listing's responses read: one place for each, used by those that name a card.
struct ListedResponses {
    explicit ListedResponses(std::size_t count) : cards(count), texts(count), isCard(count) {}
    std::vector<addresscard> cards;
    std::vector<ListedText> texts;
    std::vector<char> isCard;
    bool truncated[2] = {false, false}; // of each half
};

// Reads the cards a listing's responses name on the request's own origin, the collection itself
// left out. A long listing is read in two halves at once, the second on a thread of its own: the
// document is only read, each half keeps the namespaces it meets, and it writes the places of
// its own responses only.
class ListingReader {
public:
    ListingReader(const std::string& requestUrl, CardTexts texts)
        : hrefs(requestUrl), texts(texts),
          // A request to a collection (its URL ends in "/") may be answered for it too.
          collectionAsked(!requestUrl.empty() && requestUrl.back() == '/'),
          collection(collectionAsked ? collectionUrl(normalUrl(requestUrl)) : std::string()) {}

    ListedResponses read(const ParsedBody& parsed,
                         const std::vector<pugi::xml_node>& responses) const {
        ListedResponses read(responses.size());
        const auto readHalf = [&](std::size_t first, std::size_t last, int half) {
            XmlNamespaces declarations;
            const XmlScope multistatus = parsed.responsesKeptBy(declarations);
            MultistatusResponse response;
            std::string text; // text that the server split into pieces, or card text it escaped
            for (std::size_t i = first; i < last; ++i) {
                response.read(multistatus.enter(responses[i]));
                if (response.status() == 507)
                    read.truncated[half] = true;
                else
                    read.isCard[i] = readCard(response, text, read.cards[i], read.texts[i]);
            }
        };
        if (responses.size() < kTwoHalvesFrom) {
            readHalf(0, responses.size(), 0);
            return read;
        }
        const std::size_t middle = responses.size() / 2;
        std::future<void> second;
        try {
            second = std::async(std::launch::async, readHalf, middle, responses.size(), 1);
        } catch (const std::system_error&) {
            readHalf(middle, responses.size(), 1); // no thread to be had: in turn
        }
        // Should this half fail, the future waits for the other before anything goes.
        readHalf(0, middle, 0);
        if (second.valid())
            second.get();
        return read;
    }

private:
    // Below this many responses a second thread costs more than it saves.
    static constexpr std::size_t kTwoHalvesFrom = 2048;

    bool isCollection(const std::string& url) const {
        // Only a URL about as long as the collection's can be it; card URLs are longer.
        return collectionAsked && url.size() <= hrefs.requestUrl().size() + 8 &&
               namesCollection(url, collection);
    }

    // Reads the card `response` names into `card` and `listed`; false when it names none.
    bool readCard(const MultistatusResponse& response, std::string& text, addresscard& card,
                  ListedText& listed) const {
        if (!response.hasProp())
            return false;
        const std::string_view href = textOf(response.hrefElement(), text);
        std::string url = hrefs.resolve(href);
        // The user's credentials go with every request about a card: only to its own server.
        if (!hrefs.isOfRequestOrigin(url) || isCollection(url))
            return false;
        card.displayname = response.propertyText(xmlns::dav, "displayname");
        // Before `text` is used again: `href` may be a view of it.
        card.cardid =
            replace(card.displayname.empty() ? lastSegment(href) : card.displayname, ".vcf", "");
        card.url = std::move(url);
        card.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
        card.creationdate = response.propertyText(xmlns::dav, "creationdate");
        card.etag = tagOf(response, text);
        card.contentlength =
            lengthOf(textOf(response.propertyElement(xmlns::dav, "getcontentlength"), text));
        const std::string_view cardText =
            cardTextOf(response.propertyElement(xmlns::carddav, "address-data"), text);
        listed.taken = summarise(card, cardText) || texts == CardTexts::Always;
        if (listed.taken && cardText.data() == text.data())
            listed.copy = std::string(cardText);
        else if (listed.taken)
            listed.inDocument = cardText;
        return true;
    }

    const HrefResolver hrefs;
    const CardTexts texts;
    const bool collectionAsked;
    const std::string collection;
};

} // namespace

Read<baseprincipal> xmlParser::getBasePrincipal(std::string xml,
                                                const std::string& requestUrl) const {
    const ParsedBody parsed(std::move(xml));
    baseprincipal principal;
    const HrefResolver hrefs(requestUrl);
    MultistatusResponse response;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        const std::string href = response.href();
        if (href != "/" && hrefs.resolve(href) != requestUrl)
            continue;
        principal.creationdate = response.propertyText(xmlns::dav, "creationdate");
        principal.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
        principal.etag = response.propertyText(xmlns::dav, "getetag");
        principal.principal = textOf(response.property(xmlns::dav, "current-user-principal")
                                         .child(xmlns::dav, "href")
                                         .element());
        break;
    }
    return reading(parsed, std::move(principal));
}

Read<std::string> xmlParser::getAddressHome(std::string xml) const {
    const ParsedBody parsed(std::move(xml));
    MultistatusResponse response;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        const XmlScope home = response.property(xmlns::carddav, "addressbook-home-set");
        if (home)
            return reading(parsed, homeSetHref(home));
    }
    return reading(parsed, std::string());
}

Read<std::vector<addressbook>> xmlParser::getAddressbooks(std::string xml,
                                                          const std::string& requestUrl) const {
    const ParsedBody parsed(std::move(xml));
    const HrefResolver hrefs(requestUrl);
    std::vector<addressbook> books;
    MultistatusResponse response;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        if (!response.hasProp() || !isAddressbook(node, response))
            continue;
        books.push_back(
            {hrefs.resolve(response.href()), response.propertyText(xmlns::dav, "displayname"),
             response.propertyText(xmlns::dav, "getlastmodified"),
             grantsWriting(response.property(xmlns::dav, "current-user-privilege-set"))});
    }
    return reading(parsed, std::move(books));
}

Read<cardlisting> xmlParser::getCardData(std::string xml, const std::string& requestUrl,
                                         CardTexts texts, std::size_t textBudget) const {
    const ParsedBody parsed(std::move(xml));
    std::vector<pugi::xml_node> responses;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node))
        responses.push_back(node);
    ListedResponses read = ListingReader(requestUrl, texts).read(parsed, responses);
    cardlisting listing;
    listing.truncated = read.truncated[0] || read.truncated[1];
    // The cards close up in place, in the listing's order, and their texts are taken in that
    // order while the budget lasts.
    listing.texts.reserve(responses.size());
    std::size_t cards = 0;
    for (std::size_t i = 0; i < responses.size(); ++i) {
        if (!read.isCard[i])
            continue;
        if (cards != i)
            read.cards[cards] = std::move(read.cards[i]);
        ++cards;
        const ListedText& text = read.texts[i];
        listing.texts.push_back(text.taken ? keptWithin(text.view(), textBudget) : std::string());
    }
    read.cards.resize(cards);
    listing.cards = std::move(read.cards);
    return reading(parsed, std::move(listing));
}

Read<std::string> xmlParser::getSyncToken(std::string xml) const {
    const ParsedBody parsed(std::move(xml));
    return reading(parsed, parsed.syncToken());
}

Read<bookstate> xmlParser::getBookState(std::string xml) const {
    const ParsedBody parsed(std::move(xml));
    bookstate state;
    state.token = parsed.syncToken();
    MultistatusResponse response;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        if (const XmlScope privileges =
                response.property(xmlns::dav, "current-user-privilege-set")) {
            state.writable = grantsWriting(privileges);
            break;
        }
    }
    return reading(parsed, std::move(state));
}

Read<syncanswer> xmlParser::getSyncChanges(std::string xml, const std::string& requestUrl,
                                           std::size_t textBudget) const {
    const ParsedBody parsed(std::move(xml));
    syncanswer answer;
    answer.token = parsed.syncToken();
    const HrefResolver hrefs(requestUrl);
    const std::string collection = collectionUrl(normalUrl(requestUrl));
    MultistatusResponse response;
    std::string text;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        const std::string_view href = textOf(response.hrefElement(), text);
        std::string url = hrefs.resolve(href);
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        if (response.status() == 507) {
            answer.truncated = true;
        } else if (response.status() == 404) {
            syncchange& removed = answer.changes.emplace_back();
            removed.card.url = std::move(url);
            removed.removed = true;
        } else if (namesCollection(url, collection)) {
            answer.namesCollection = true;
        } else if (response.hasProp()) {
            syncchange& change = answer.changes.emplace_back();
            if (const pugi::xml_node data =
                    response.propertyElement(xmlns::carddav, "address-data")) {
                cardtext read =
                    cardWithText(response, std::move(url), href, data, text, textBudget);
                change.card = std::move(read.card);
                change.text = std::move(read.text);
                change.read = true;
            } else {
                change.card.url = std::move(url);
                change.card.etag = tagOf(response, text);
                change.card.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
            }
        }
    }
    return reading(parsed, std::move(answer));
}

Read<cardtexts> xmlParser::getCardTexts(std::string xml, const std::string& requestUrl,
                                        std::size_t textBudget) const {
    const ParsedBody parsed(std::move(xml));
    const HrefResolver hrefs(requestUrl);
    cardtexts answer;
    MultistatusResponse response;
    std::string text;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        const std::string_view href = textOf(response.hrefElement(), text);
        std::string url = hrefs.resolve(href);
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        if (response.status() == 404) {
            answer.removed.push_back(std::move(url));
            continue;
        }
        const pugi::xml_node addressData = response.propertyElement(xmlns::carddav, "address-data");
        if (!addressData)
            continue;
        answer.cards.push_back(
            cardWithText(response, std::move(url), href, addressData, text, textBudget));
    }
    return reading(parsed, std::move(answer));
}

std::vector<std::string> xmlParser::davErrorConditions(std::string xml) const {
    const ParsedBody parsed(std::move(xml));
    std::vector<std::string> conditions;
    forEachErrorElement(
        parsed, [&](const XmlName& name, pugi::xml_node) { conditions.emplace_back(name.local); });
    return conditions;
}

std::string xmlParser::davErrorReason(std::string xml) const {
    const ParsedBody parsed(std::move(xml));
    std::string message;
    std::string conditions;
    std::string exception;
    forEachErrorElement(parsed, [&](const XmlName& name, pugi::xml_node element) {
        if (name.uri != xmlns::sabredav)
            conditions += (conditions.empty() ? "" : ", ") + std::string(name.local);
        else if (name.is(xmlns::sabredav, "message"))
            message = blanksRunTogether(textOf(element));
        else if (name.is(xmlns::sabredav, "exception"))
            exception = blanksRunTogether(textOf(element));
    });
    return !message.empty() ? message : !conditions.empty() ? conditions : exception;
}
