// Reads the server's WebDAV multistatus answers into the plug-in's records: the principal at the
// server root, the address-book home, the address books and the cards of one address book.
//
// Elements are matched by namespace and local name whatever prefix the server chose; each
// property is read from the first successful propstat that holds it; every href the parser
// returns is made absolute on the URL of the request it answers. No getter reports an error: a
// body that is not a well-formed multistatus gives empty records and lists.
#pragma once

#include "Multistatus/XmlNamespaces.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

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
};

// One card or group card of an address-book listing.
struct addresscard {
    std::string cardid; // displayname without ".vcf"
    std::string etag;   // without double quotes
    std::string lastmodified;
    std::string creationdate;
    std::string url; // absolute
    std::string displayname;
    // From the card text in the listing.
    std::string uid;
    bool isgroup = false;
    std::vector<std::string> members; // member UIDs without "urn:uuid:"
    std::string fn;

    // The minimal vCard 3.0 text of this record: UID, FN, N (the whole name as family name) and,
    // for a group, the group kind and one member line per entry of `members`. FN and N are
    // escaped as vCard text; UID and member values are written as they are.
    std::string getRawvCard() const;
};

// One member of a sync-collection answer: changed (with its new tag) or removed since the token.
struct syncchange {
    std::string url;  // absolute
    std::string etag; // without double quotes; empty for a removed member
    bool removed = false;
};

// A sync-collection answer: the changes in the server's order and the token that now stands
// for the collection's state. `truncated`: the server gave only part of the changes (507 on the
// collection itself); the rest come when asked again with the new token.
struct syncanswer {
    std::string token;
    std::vector<syncchange> changes;
    bool truncated = false;
};

// The whole text of one card of a multiget answer.
struct cardtext {
    std::string url;  // absolute
    std::string etag; // without double quotes
    std::string text;
};

// Finds the first descendant whose name equals `name` ignoring ASCII case (prefix included,
// so "C:addressbook" is not "addressbook"); the walk stops there.
class node_walker : public pugi::xml_tree_walker {
public:
    explicit node_walker(std::string name);
    bool for_each(pugi::xml_node& node) override;

    std::string name; // lower case
    pugi::xml_node found;
};

// Every getter takes the answer's body and the URL of the request that it answers: hrefs resolve
// against that URL. The parser keeps the body and reads it in place, so that a body moved in is
// never copied (a listing of 10,000 cards is megabytes); a body passed as it is gets copied once.
class xmlParser {
public:
    xmlParser() = default;
    // A parser moved from or into holds no document afterwards: the nodes of the last answer
    // point into its body and its namespace scopes.
    xmlParser(xmlParser&& other) noexcept;
    xmlParser& operator=(xmlParser&& other) noexcept;

    // Loads `xml` and returns the first response of the multistatus (or, for another top-level
    // element, that element). Nodes stay valid until the next call of any getter.
    pugi::xml_node getRootNode(std::string xml);
    // Whether the body given to the last getter was well-formed XML whole. A body that is not
    // (an HTML page, an answer cut off in transit) reads as empty, and this tells a caller that
    // the emptiness is no answer of the server's.
    bool lastBodyParsed() const { return parsed; }

    // Read from the response for the collection the principal request went to: href "/" or
    // the request URL itself.
    baseprincipal getBasePrincipal(std::string xml, const std::string& requestUrl);
    // The addressbook-home-set href as the server wrote it; empty when there is none.
    std::string getAddressHome(std::string xml);
    std::vector<addressbook> getAddressbooks(std::string xml, const std::string& requestUrl);
    // Every card the answer lists on the request's own origin; a card whose href leads to another
    // server is no card of the address book asked about and is left out.
    std::vector<addresscard> getCardData(std::string xml, const std::string& requestUrl);
    // The absolute URL of the first response with a non-empty href, alone in the list.
    std::vector<std::string> getSearchResults(std::string xml, const std::string& requestUrl);

    // The collection's sync token: the one a sync-collection answer ends with, or the sync-token
    // property a PROPFIND of the collection gives; empty when there is none.
    std::string getSyncToken(std::string xml);
    // The changes of a sync-collection answer on the request's own origin; `token` empty when
    // the answer is none (a server that does not know the report).
    syncanswer getSyncChanges(std::string xml, const std::string& requestUrl);
    // The cards of a multiget answer that came with their text, on the request's own origin;
    // those the server answered 404 for or left out are not in the list.
    std::vector<cardtext> getCardTexts(std::string xml, const std::string& requestUrl);
    // Whether the body is a WebDAV error naming the precondition or postcondition `condition`
    // ("valid-sync-token", "supported-report"), as a refused request explains itself.
    bool isDavError(std::string xml, std::string_view condition);

private:
    pugi::xml_node nextResponse(pugi::xml_node response) const;
    std::string syncTokenOf(pugi::xml_node firstResponse) const;

    XmlNamespaces names;
    bool parsed = false;
    // The body of the last getter call: the document's text lives in it.
    std::string body;
    pugi::xml_document document;
    // The element whose children getRootNode and nextResponse list as responses.
    XmlScope responseParent;
};
