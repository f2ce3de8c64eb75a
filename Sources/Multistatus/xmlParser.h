// Reads the server's WebDAV multistatus answers into the plug-in's records: the principal at the
// server root, the address-book home, the address books, the cards of one address book, the
// changes since a sync token and the cards of a multiget.
//
// Elements are matched by namespace and local name whatever prefix the server chose; each
// property is read from the first successful propstat that holds it; every href the parser
// returns is made absolute on the URL of the request it answers. Every body is parsed a batch of
// whole responses at a time (DocumentBatches): the answers that may be long are read as they
// arrive (the readings at the end, handed to the request as its sink), and nothing of a body or
// of a document of it is kept beyond its batch. Every reading says how far the body could be
// read, and a caller must look: a body that is no complete multistatus (cut off, an error page, a
// maintenance page) reads as empty records, and that emptiness says nothing about the server's
// data.
#pragma once

#include "Multistatus/BodyForm.h"
#include "Multistatus/StreamedReading.h"
#include "Transport/HrefResolver.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class KnownCards;
class MultistatusResponse;
struct ListedResponse;

struct baseprincipal {
    std::string etag;
    std::string lastmodified;
    std::string creationdate;
    // The href inside current-user-principal as the server wrote it (not made absolute).
    std::string principal;
};

struct addressbook {
    std::string url; // absolute
    std::string displayname;
    std::string lastmodified;
    // Whether the account may change the book's cards: false only when the server names the
    // account's privileges on it (current-user-privilege-set) and neither DAV:all, DAV:write nor
    // DAV:write-content is among them. A server that names none (no WebDAV ACL) may refuse a
    // write all the same.
    bool writable = true;
};

// One card or group card of an address-book listing. (A field added here is one more for
// sameRecord to compare.)
struct addresscard {
    std::string cardid; // displayname without ".vcf"
    std::string etag;   // without double quotes
    std::string lastmodified;
    std::string creationdate;
    std::string url; // absolute
    std::string displayname;
    // The getcontentlength property: the resource's length in bytes, where the server gave one.
    std::optional<std::size_t> contentlength;
    // From the card text in the listing.
    std::string uid;
    bool isgroup = false;
    std::vector<std::string> members; // member UIDs without "urn:uuid:"
    std::string fn;
    // The card's category names, where the listing asked for them (or the text came whole).
    std::vector<std::string> categories;
};

// A listing of cards: the records, and the whole text of those cards the server sent whole
// although the listing asked for a few of their properties (as some servers do). Double-ended
// queues, so that a listing taken up card by card frees each as it goes.
struct cardlisting {
    std::deque<addresscard> cards;
    // Parallel to `cards`: the card's whole text, or empty where the server sent the
    // properties asked for alone.
    std::deque<std::string> texts;
    // The server listed only part of the cards (507 for the collection itself, as a server that
    // caps the results of a report answers).
    bool truncated = false;
    // Every card's categories are known: the listing asked for them, or for whole cards.
    bool withCategories = false;
};

// Which card texts of a listing are taken: those the server evidently sent whole although a
// few properties were asked, or all of them (the listing asked for whole cards).
enum class CardTexts { WhenWhole, Always };

// One member of a sync-collection answer: changed (with its new tag) or removed since the token.
struct syncchange {
    // The member's absolute URL always; its tag and last modification when changed; what its
    // text says of it (UID, group, members, name) when the server sent the text with the change.
    addresscard card;
    bool removed = false;
    // The server sent the card's text with the change.
    bool read = false;
    // That text, where it was kept within the reading's text budget.
    std::string text;
};

// A sync-collection answer: the changes in the server's order and the token that now stands
// for the collection's state. `truncated`: the server gave only part of the changes (507 on the
// collection itself); the rest come when asked again with the new token.
struct syncanswer {
    std::string token;
    std::vector<syncchange> changes;
    bool truncated = false;
    // The answer names the collection itself, which a sync report lists only where the server
    // took it as a request about the collection alone (Depth 0 answered by some as a PROPFIND).
    bool namesCollection = false;
};

// One card of a multiget answer that came with its text: what the text says of the card, and
// the text itself where it was kept within the reading's text budget.
struct cardtext {
    addresscard card;
    std::string text;
};

// What a PROPFIND of an address book itself says of it: its sync token (empty when it names
// none) and whether the account may write to it (as for `addressbook`).
struct bookstate {
    std::string token;
    bool writable = true;
};

// A multiget answer: the cards that came with their text, and the URLs the server answered 404
// for (removed since they were named).
struct cardtexts {
    std::vector<cardtext> cards;
    std::vector<std::string> removed;
};

// Every reading takes the answer's body and the URL of the request that it answers: hrefs resolve
// against that URL.
class xmlParser {
public:
    // Read from the response for the collection the principal request went to: href "/" or
    // the request URL itself.
    Read<baseprincipal> getBasePrincipal(std::string xml, const std::string& requestUrl) const;
    // The addressbook-home-set href as the server wrote it; empty when there is none.
    Read<std::string> getAddressHome(std::string xml) const;
    Read<std::vector<addressbook>> getAddressbooks(std::string xml,
                                                   const std::string& requestUrl) const;
    // Every card the answer lists on the request's own origin; a card whose href leads to another
    // server is no card of the address book asked about and is left out, as is the collection
    // itself (which a PROPFIND lists among its members).
    // Card texts (CardTexts) are taken in the listing's order while they add up to no more than
    // `textBudget` bytes.
    Read<cardlisting> getCardData(std::string xml, const std::string& requestUrl,
                                  CardTexts texts = CardTexts::WhenWhole,
                                  std::size_t textBudget = 0) const;

    // The collection's sync token: the one a sync-collection answer ends with, or the sync-token
    // property a PROPFIND of the collection gives; empty when there is none.
    Read<std::string> getSyncToken(std::string xml) const;
    // The sync token and the account's privileges a PROPFIND of a book names.
    Read<bookstate> getBookState(std::string xml) const;
    // The changes of a sync-collection answer on the request's own origin; `token` empty when
    // the answer names none (a server that does not know the report). Card texts are kept in the
    // answer's order while they add up to no more than `textBudget` bytes.
    Read<syncanswer> getSyncChanges(std::string xml, const std::string& requestUrl,
                                    std::size_t textBudget = 0) const;
    // The cards of a multiget answer on the request's own origin that came with their text, and
    // those the server answered 404 for; texts kept as in getSyncChanges.
    Read<cardtexts> getCardTexts(std::string xml, const std::string& requestUrl,
                                 std::size_t textBudget = 0) const;
    // The conditions a WebDAV error body names ("valid-sync-token", "supported-report"), as a
    // refused request explains itself; empty for any other body.
    std::vector<std::string> davErrorConditions(std::string xml) const;
    // The server's own reason in a WebDAV error body, for a person to read: the message that
    // SabreDAV-based servers write (s:message, blanks run together), else the conditions the
    // body names ("valid-sync-token, number-of-matches-within-limits"), else SabreDAV's exception
    // name; empty for any other body.
    std::string davErrorReason(std::string xml) const;
};

// The sync token of an answer, seen batch by batch: the one beside the responses where there is
// one (after them, as a rule), else the first that a response's properties give.
struct SyncToken {
    std::optional<std::string> beside;
    std::string inResponse;

    // Takes the token `response` names while none came in a response before.
    void takeFrom(const MultistatusResponse& response);
    // Takes what a later batch saw.
    void follow(SyncToken later);
    std::string value() const { return beside ? *beside : inResponse; }
};

// The readers of the answers that may be long (StreamedReading), taking the URL of the request
// the answer is for, which hrefs resolve against, and a text budget: card texts are kept in the
// answer's order while they add up to no more than that many bytes.
class CardAnswerReader {
public:
    CardAnswerReader(std::string requestUrl, std::size_t textBudget)
        : hrefs(std::move(requestUrl)), textBudget(textBudget) {}

protected:
    const HrefResolver hrefs;
    std::size_t textBudget;
};

// Cards by UID, as the cards of an address book are kept.
using CardsByUid = std::map<std::string, addresscard>;
// One card as a record of such a map under its UID: made on the thread that reads the card, and
// filed later without a copy.
using CardRecord = CardsByUid::node_type;
CardRecord recordOf(addresscard&& card);

// A card of a listing as the reading hands it on: a record made of it, or, where the reading was
// given the records known before (KnownCards) and one of them holds exactly what the listing
// says of the card, no record and that one's place among them.
struct ListedEntry {
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    CardRecord record;
    std::size_t knownPlace = kUnknown;
    bool isKnown() const { return record.empty(); }
};

// Where the cards of a listing go as they are read, in the listing's order, each with its text
// (empty where none is taken), instead of into the listing, which then holds none of them.
using ListedCardSink = std::function<void(ListedEntry&& card, std::string&& text)>;

// A listing of cards, as getCardData reads it, or handed card by card to a sink.
class ListingReader : CardAnswerReader {
public:
    using Value = cardlisting;
    // With `known` (which must outlive the reading), a card listed exactly as one of those is
    // handed to the sink as that one.
    ListingReader(std::string requestUrl, CardTexts texts, std::size_t textBudget,
                  ListedCardSink sink = {}, const KnownCards* known = nullptr);
    std::unique_ptr<BatchPart> readPart(std::string batch) const;
    void takePart(BatchPart& part);
    cardlisting& value() { return listing; }

private:
    struct Part;
    // Reads the card `response` names into `part` (through `scratch`, whose every field it sets,
    // where records are known); false when it names none.
    bool readCard(const ListedResponse& response, addresscard& scratch, Part& part) const;
    bool isCollection(const std::string& url) const;

    const CardTexts texts;
    // A request to a collection (its URL ends in "/") may be answered for it too.
    const bool collectionAsked;
    const std::string collection;
    const ListedCardSink sink;
    const KnownCards* const known;
    cardlisting listing;
};
using ListingReading = StreamedReading<ListingReader>;

// The changes of a sync-collection answer on the request's own origin; the token empty when the
// answer names none (a server that does not know the report).
class SyncChangesReader : CardAnswerReader {
public:
    using Value = syncanswer;
    SyncChangesReader(std::string requestUrl, std::size_t textBudget);
    std::unique_ptr<BatchPart> readPart(std::string batch) const;
    void takePart(BatchPart& part);
    syncanswer& value();

private:
    struct Part;
    // The collection the report is about, which some servers list among its changes.
    const std::string collection;
    SyncToken token;
    syncanswer answer;
};
using SyncChangesReading = StreamedReading<SyncChangesReader>;

// The cards of a multiget answer on the request's own origin that came with their text, and those
// the server answered 404 for.
class CardTextsReader : CardAnswerReader {
public:
    using Value = cardtexts;
    using CardAnswerReader::CardAnswerReader;
    std::unique_ptr<BatchPart> readPart(std::string batch) const;
    void takePart(BatchPart& part);
    cardtexts& value() { return answer; }

private:
    struct Part;
    cardtexts answer;
};
using CardTextsReading = StreamedReading<CardTextsReader>;
