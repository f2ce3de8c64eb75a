#include "Multistatus/xmlParser.h"

#include "Multistatus/DocumentBatches.h"
#include "Multistatus/KnownCards.h"
#include "Multistatus/ListedResponse.h"
#include "Multistatus/MultistatusResponse.h"
#include "Multistatus/ParsedBody.h"
#include "Multistatus/PlainListing.h"
#include "Transport/EntityTag.h"
#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"
#include "vCard/vCardParser.h"

#include <pugixml.hpp>

#include <charconv>
#include <functional>
#include <system_error>
#include <utility>

namespace {

// Reads `xml`, a short answer, batch by batch with `readBatch(batch, value)` in turn.
template <class Value, class ReadBatch> Read<Value> readWhole(std::string_view xml,
                                                              ReadBatch readBatch) {
    Value value{};
    BatchForms forms;
    DocumentBatches batches([&](std::string text) {
        const ParsedBody batch(std::move(text));
        if (forms.accept(batch.shape()))
            readBatch(batch, value);
        return !forms.broken();
    });
    (void)batches.take(xml);
    return readingOf(forms.of(batches.finish()), std::move(value));
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

// A card text as read, or, where the whole text is a CDATA wrapping, what it wraps (a view of
// `buffer`). Some servers escape a card text they wrapped in CDATA, so that the markers arrive as
// text; markers anywhere else are the card's own text ("]]>" in a note) and stay.
std::string_view unwrappedCardText(std::string_view text, std::string& buffer) {
    std::string unwrapped;
    if (!cdataContents(text, unwrapped))
        return text;
    buffer = std::move(unwrapped);
    return buffer;
}

// The card text of an address-data element, a view of the document where possible.
std::string_view cardTextOf(pugi::xml_node addressData, std::string& buffer) {
    return unwrappedCardText(textOf(addressData, buffer), buffer);
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
std::string_view lastSegment(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A card's identifier: its name without ".vcf", wherever that stands ("abc.vcf" gives "abc").
std::string cardIdOf(std::string_view name) {
    constexpr std::string_view suffix = ".vcf";
    const std::size_t first = name.find(suffix);
    if (first == std::string_view::npos)
        return std::string(name);
    if (first + suffix.size() == name.size())
        return std::string(name.substr(0, first));
    return replace(std::string(name), std::string(suffix), "");
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

// A card text as a batch's part holds it until the reading's text budget is applied: a view of
// the batch, or a copy where the text was joined from pieces or unwrapped elsewhere.
struct PendingText {
    std::string_view inBatch;
    std::string copy;

    // `text`, a view of the batch's bytes `batch` or of anything else.
    PendingText(std::string_view text, std::string_view batch) {
        const std::less_equal<const char*> notAfter;
        if (notAfter(batch.data(), text.data()) &&
            notAfter(text.data() + text.size(), batch.data() + batch.size()))
            inBatch = text;
        else
            copy = std::string(text);
    }
    PendingText() = default;

    // A copy of the text while it fits in what is left of `budget`; empty beyond it.
    std::string keptWithin(std::size_t& budget) const {
        const std::string_view text = copy.empty() ? inBatch : std::string_view(copy);
        if (text.size() > budget)
            return {};
        budget -= text.size();
        return std::string(text);
    }
};

// A card of a sync or multiget answer that came with its text: its record (these answers give
// no display name: the card's identifier is the name of its resource) with what the text says of
// it, and the text. `href` may be a view of `buffer`: it is read before `buffer` is used again.
// `batch`: the bytes of the batch the response came in.
addresscard cardWithText(const MultistatusResponse& response, std::string url,
                         std::string_view href, pugi::xml_node addressData, std::string& buffer,
                         std::string_view batch, PendingText& text) {
    addresscard card;
    card.cardid = cardIdOf(lastSegment(href));
    card.url = std::move(url);
    card.etag = tagOf(response, buffer);
    card.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
    const std::string_view cardText = cardTextOf(addressData, buffer);
    summarise(card, cardText);
    text = PendingText(cardText, batch);
    return card;
}

// The sync token `batch` gives: beside its responses, or in the first response that names one.
// The token `batch` gives beside its responses, if any; those its responses give are for the
// caller to take from each response it reads anyway (SyncToken::takeFrom).
SyncToken syncTokenBeside(const ParsedBody& batch) {
    SyncToken token;
    if (const pugi::xml_node beside = batch.topLevelSyncToken())
        token.beside = textOf(beside);
    return token;
}

SyncToken syncTokenOf(const ParsedBody& batch, MultistatusResponse& response) {
    SyncToken token = syncTokenBeside(batch);
    for (pugi::xml_node node = batch.firstResponse(); node && token.inResponse.empty();
         node = batch.nextResponse(node)) {
        response.read(batch.enter(node));
        token.takeFrom(response);
    }
    return token;
}

} // namespace

Read<baseprincipal> xmlParser::getBasePrincipal(std::string xml,
                                                const std::string& requestUrl) const {
    const HrefResolver hrefs(requestUrl);
    bool found = false;
    return readWhole<baseprincipal>(xml, [&](const ParsedBody& batch, baseprincipal& principal) {
        MultistatusResponse response;
        for (pugi::xml_node node = batch.firstResponse(); node && !found;
             node = batch.nextResponse(node)) {
            response.read(batch.enter(node));
            const std::string href = response.href();
            if (href != "/" && hrefs.resolve(href) != requestUrl)
                continue;
            principal.creationdate = response.propertyText(xmlns::dav, "creationdate");
            principal.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
            principal.etag = response.propertyText(xmlns::dav, "getetag");
            principal.principal = textOf(response.property(xmlns::dav, "current-user-principal")
                                             .child(xmlns::dav, "href")
                                             .element());
            found = true;
        }
    });
}

Read<std::string> xmlParser::getAddressHome(std::string xml) const {
    bool found = false;
    return readWhole<std::string>(xml, [&](const ParsedBody& batch, std::string& home) {
        MultistatusResponse response;
        for (pugi::xml_node node = batch.firstResponse(); node && !found;
             node = batch.nextResponse(node)) {
            response.read(batch.enter(node));
            if (const XmlScope set = response.property(xmlns::carddav, "addressbook-home-set")) {
                home = homeSetHref(set);
                found = true;
            }
        }
    });
}

Read<std::vector<addressbook>> xmlParser::getAddressbooks(std::string xml,
                                                          const std::string& requestUrl) const {
    const HrefResolver hrefs(requestUrl);
    return readWhole<std::vector<addressbook>>(
        xml, [&](const ParsedBody& batch, std::vector<addressbook>& books) {
            MultistatusResponse response;
            for (pugi::xml_node node = batch.firstResponse(); node;
                 node = batch.nextResponse(node)) {
                response.read(batch.enter(node));
                if (!response.hasProp() || !isAddressbook(node, response))
                    continue;
                books.push_back(
                    {hrefs.resolve(response.href()),
                     response.propertyText(xmlns::dav, "displayname"),
                     response.propertyText(xmlns::dav, "getlastmodified"),
                     grantsWriting(response.property(xmlns::dav, "current-user-privilege-set"))});
            }
        });
}

Read<cardlisting> xmlParser::getCardData(std::string xml, const std::string& requestUrl,
                                         CardTexts texts, std::size_t textBudget) const {
    return ListingReading::of(xml, requestUrl, texts, textBudget);
}

Read<std::string> xmlParser::getSyncToken(std::string xml) const {
    const Read<SyncToken> read = readWhole<SyncToken>(xml, [](const ParsedBody& batch, SyncToken& token) {
        MultistatusResponse response;
        token.follow(syncTokenOf(batch, response));
    });
    return {read.form, read.value.value()};
}

Read<bookstate> xmlParser::getBookState(std::string xml) const {
    SyncToken token;
    bool privilegesSeen = false;
    Read<bookstate> read = readWhole<bookstate>(xml, [&](const ParsedBody& batch, bookstate& state) {
        MultistatusResponse response;
        token.follow(syncTokenOf(batch, response));
        for (pugi::xml_node node = batch.firstResponse(); node && !privilegesSeen;
             node = batch.nextResponse(node)) {
            response.read(batch.enter(node));
            if (const XmlScope privileges =
                    response.property(xmlns::dav, "current-user-privilege-set")) {
                state.writable = grantsWriting(privileges);
                privilegesSeen = true;
            }
        }
    });
    read.value.token = token.value();
    return read;
}

Read<syncanswer> xmlParser::getSyncChanges(std::string xml, const std::string& requestUrl,
                                           std::size_t textBudget) const {
    return SyncChangesReading::of(xml, requestUrl, textBudget);
}

Read<cardtexts> xmlParser::getCardTexts(std::string xml, const std::string& requestUrl,
                                        std::size_t textBudget) const {
    return CardTextsReading::of(xml, requestUrl, textBudget);
}

void SyncToken::takeFrom(const MultistatusResponse& response) {
    if (inResponse.empty())
        inResponse = response.propertyText(xmlns::dav, "sync-token");
}

void SyncToken::follow(SyncToken later) {
    if (!beside)
        beside = std::move(later.beside);
    if (inResponse.empty())
        inResponse = std::move(later.inResponse);
}

namespace {

// A record with an empty card, to be filled where it lies: the one way records are made.
CardRecord emptyRecord() {
    CardsByUid one;
    return one.extract(one.try_emplace(std::string()).first);
}

} // namespace

CardRecord recordOf(addresscard&& card) {
    CardRecord record = emptyRecord();
    record.key() = card.uid;
    record.mapped() = std::move(card);
    return record;
}

struct ListingReader::Part final : BatchPart {
    using BatchPart::BatchPart;
    std::vector<ListedEntry> cards;
    std::vector<PendingText> texts; // parallel to `cards`: those the listing takes
    bool truncated = false;
};

ListingReader::ListingReader(std::string requestUrl, CardTexts texts, std::size_t textBudget,
                             ListedCardSink sink, const KnownCards* known)
    : CardAnswerReader(std::move(requestUrl), textBudget), texts(texts),
      collectionAsked(!hrefs.requestUrl().empty() && hrefs.requestUrl().back() == '/'),
      collection(collectionAsked ? collectionUrl(normalUrl(hrefs.requestUrl())) : std::string()),
      sink(std::move(sink)), known(known && !known->empty() ? known : nullptr) {}

std::unique_ptr<BatchPart> ListingReader::readPart(std::string batch) const {
    auto part = std::make_unique<Part>(std::move(batch));
    std::vector<ListedResponse> responses;
    std::deque<std::string> joined; // texts the document holds in pieces
    if (readPlainResponses(part->text, responses))
        part->scanned(BodyForm::Multistatus);
    else
        readParsedResponses(part->parse(), responses, joined);
    part->cards.reserve(responses.size());
    part->texts.reserve(responses.size());
    // Where records are known, each card is read into this one first: where it is one known,
    // its strings' room serves the next.
    addresscard card;
    for (const ListedResponse& response : responses) {
        if (response.status == 507)
            part->truncated = true;
        else
            readCard(response, card, *part);
    }
    return part;
}

void ListingReader::takePart(BatchPart& taken) {
    Part& part = static_cast<Part&>(taken);
    listing.truncated = listing.truncated || part.truncated;
    // Texts are taken in the listing's order while the budget lasts.
    for (std::size_t i = 0; i < part.cards.size(); ++i) {
        std::string text = part.texts[i].keptWithin(textBudget);
        if (sink) {
            sink(std::move(part.cards[i]), std::move(text));
        } else {
            listing.cards.push_back(std::move(part.cards[i].record.mapped()));
            listing.texts.push_back(std::move(text));
        }
    }
}

bool ListingReader::isCollection(const std::string& url) const {
    // Only a URL about as long as the collection's can be it; card URLs are longer.
    return collectionAsked && url.size() <= hrefs.requestUrl().size() + 8 &&
           namesCollection(url, collection);
}

bool ListingReader::readCard(const ListedResponse& response, addresscard& scratch,
                             Part& part) const {
    if (!response.hasProp)
        return false;
    std::string url = hrefs.resolve(response.href);
    // The user's credentials go with every request about a card: only to its own server.
    if (!hrefs.isOfRequestOrigin(url) || isCollection(url))
        return false;
    // Read where its record will lie, or, where records are known to compare it with, into
    // `scratch` first.
    ListedEntry listed;
    if (!known)
        listed.record = emptyRecord();
    addresscard& card = known ? scratch : listed.record.mapped();
    card.displayname = response.displayname;
    card.cardid = cardIdOf(card.displayname.empty() ? lastSegment(response.href)
                                                    : std::string_view(card.displayname));
    card.url = std::move(url);
    card.lastmodified = response.lastmodified;
    card.creationdate = response.creationdate;
    card.etag = storedEntityTag(response.etag);
    card.contentlength = lengthOf(response.contentlength);
    std::string unwrapped;
    const std::string_view cardText = unwrappedCardText(response.addressData, unwrapped);
    const bool taken = summarise(card, cardText) || texts == CardTexts::Always;
    part.texts.push_back(taken ? PendingText(cardText, part.bytes()) : PendingText());
    if (!known) {
        listed.record.key() = card.uid;
    } else {
        listed.knownPlace = known->sameAs(card);
        if (listed.knownPlace == KnownCards::kNone)
            listed.record = recordOf(std::move(card));
    }
    part.cards.push_back(std::move(listed));
    return true;
}

struct SyncChangesReader::Part final : BatchPart {
    using BatchPart::BatchPart;
    SyncToken token;
    std::vector<syncchange> changes;
    std::vector<PendingText> texts; // parallel to `changes`
    bool truncated = false;
    bool namesCollection = false;
};

SyncChangesReader::SyncChangesReader(std::string requestUrl, std::size_t textBudget)
    : CardAnswerReader(std::move(requestUrl), textBudget),
      collection(collectionUrl(normalUrl(hrefs.requestUrl()))) {}

syncanswer& SyncChangesReader::value() {
    answer.token = token.value();
    return answer;
}

std::unique_ptr<BatchPart> SyncChangesReader::readPart(std::string batch) const {
    auto part = std::make_unique<Part>(std::move(batch));
    const ParsedBody& parsed = part->parse();
    MultistatusResponse response;
    part->token = syncTokenBeside(parsed);
    part->changes.reserve(parsed.responseCount());
    part->texts.reserve(part->changes.capacity());
    std::string text;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        part->token.takeFrom(response);
        const std::string_view href = textOf(response.hrefElement(), text);
        std::string url = hrefs.resolve(href);
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        if (response.status() == 507) {
            part->truncated = true;
            continue;
        }
        const bool removed = response.status() == 404;
        if (!removed && namesCollection(url, collection)) {
            part->namesCollection = true;
            continue;
        }
        if (!removed && !response.hasProp())
            continue;
        syncchange& change = part->changes.emplace_back();
        PendingText& changeText = part->texts.emplace_back();
        if (removed) {
            change.card.url = std::move(url);
            change.removed = true;
        } else if (const pugi::xml_node data =
                       response.propertyElement(xmlns::carddav, "address-data")) {
            change.card = cardWithText(response, std::move(url), href, data, text,
                                       part->bytes(), changeText);
            change.read = true;
        } else {
            change.card.url = std::move(url);
            change.card.etag = tagOf(response, text);
            change.card.lastmodified = response.propertyText(xmlns::dav, "getlastmodified");
        }
    }
    return part;
}

void SyncChangesReader::takePart(BatchPart& taken) {
    Part& part = static_cast<Part&>(taken);
    token.follow(std::move(part.token));
    answer.truncated = answer.truncated || part.truncated;
    answer.namesCollection = answer.namesCollection || part.namesCollection;
    for (std::size_t i = 0; i < part.changes.size(); ++i) {
        answer.changes.push_back(std::move(part.changes[i]));
        answer.changes.back().text = part.texts[i].keptWithin(textBudget);
    }
}

struct CardTextsReader::Part final : BatchPart {
    using BatchPart::BatchPart;
    std::vector<cardtext> cards;
    std::vector<PendingText> texts; // parallel to `cards`
    std::vector<std::string> removed;
};

std::unique_ptr<BatchPart> CardTextsReader::readPart(std::string batch) const {
    auto part = std::make_unique<Part>(std::move(batch));
    const ParsedBody& parsed = part->parse();
    MultistatusResponse response;
    std::string text;
    for (pugi::xml_node node = parsed.firstResponse(); node; node = parsed.nextResponse(node)) {
        response.read(parsed.enter(node));
        const std::string_view href = textOf(response.hrefElement(), text);
        std::string url = hrefs.resolve(href);
        if (!hrefs.isOfRequestOrigin(url))
            continue;
        if (response.status() == 404) {
            part->removed.push_back(std::move(url));
            continue;
        }
        const pugi::xml_node addressData = response.propertyElement(xmlns::carddav, "address-data");
        if (!addressData)
            continue;
        PendingText& cardText = part->texts.emplace_back();
        part->cards.push_back(
            {cardWithText(response, std::move(url), href, addressData, text, part->bytes(),
                          cardText),
             {}});
    }
    return part;
}

void CardTextsReader::takePart(BatchPart& taken) {
    Part& part = static_cast<Part&>(taken);
    for (std::string& url : part.removed)
        answer.removed.push_back(std::move(url));
    for (std::size_t i = 0; i < part.cards.size(); ++i) {
        answer.cards.push_back(std::move(part.cards[i]));
        answer.cards.back().text = part.texts[i].keptWithin(textBudget);
    }
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
