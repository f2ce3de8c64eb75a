// A card store behind the loopback server, for tests that check what a server holds after the
// plug-in wrote to it: GET, PUT (with If-Match and If-None-Match honoured), DELETE (with
// If-Match honoured) and the getetag PROPFIND on stored resources, each answered as a CardDAV
// server would. With a book served (serveBook), it also answers the reports on that collection:
// its sync token, its members, the listing and the whole-book query, sync-collection from any
// token it handed out, and multiget, with the quirks real servers have as options. Other
// requests, and requests a test scripts with `failNext`, get the scripted answer instead. A store
// made without a server answers the requests a larger stand-in (one provider's several books)
// hands it.
#pragma once

#include "LoopbackHttpServer.h"

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The card `text` as a server that honours a listing's partial address-data sends it: the lines
// of the properties a listing asks for alone (UID, FN, the kind and members of a group, and
// CATEGORIES where `withCategories`).
std::string asListed(const std::string& text, bool withCategories = false);

// `text` as the content of an XML element.
std::string escapeXml(const std::string& text);

// One response of a multistatus: `href` with `properties` (prop elements written with the
// prefixes d: for DAV and card: for CardDAV) in a successful propstat.
std::string davResponse(const std::string& href, const std::string& properties);
// A 207 answer holding `responses`, declaring those prefixes.
loopback::Response davMultistatus(const std::string& responses);

// How the served book's server behaves where servers differ.
struct BookQuirks {
    // The listing (an addressbook-query asking a few properties) gets those properties alone;
    // otherwise each card whole, as a server that ignores partial address-data sends them. Either
    // way each card's getcontentlength is the length of the whole card.
    bool listingHonoursPartialData = true;
    // Sync answers carry each changed card's text when asked for it.
    bool syncSendsCardData = true;
    // At most this many cards per addressbook-query (0: no cap); beyond, the answer is cut with
    // a 507 for the collection and DAV:number-of-matches-within-limits.
    std::size_t queryLimit = 0;
    // A whole-card addressbook-query is answered with this status alone (0: answered).
    int refuseWholeQuery = 0;
    // Multiget answers leave these paths out, and write the others as this spells them.
    std::set<std::string> omittedFromMultiget;
    std::function<std::string(const std::string&)> multigetSpelling;
    // A sync answer names the changes of at most this many changes of the book since its token
    // (0: no cap), with the token after them and a 507 for the collection: more follow.
    std::size_t syncLimit = 0;
    // The path where a PUT that creates a card stores it, when the server chooses its own (it
    // answers 201 with that path as Location).
    std::function<std::string(const std::string& asked)> createsAt;
    // The text the server keeps of a PUT's body at `path` (the server rewrites the card).
    std::function<std::string(const std::string& body, const std::string& path, bool created)>
        storesAs;
    // A PUT's answer carries the new ETag.
    bool tagsPuts = true;
    // The tag the server gives its `serial`-th write (no quotes); "s1", "s2", ... otherwise.
    std::function<std::string(int serial)> tagSpelling;
};

class CardStore {
public:
    // Installs itself as the handler of `server` (which must outlive it).
    explicit CardStore(loopback::HttpServer& server);
    // Answers only what `answer` is given.
    CardStore() = default;

    loopback::Response answer(const loopback::Request& request);

    // Stores `text` at `path` ("/alice/book/g1-file.vcf") under the tag `tag` (no quotes), as
    // another client would.
    void put(const std::string& path, const std::string& text, const std::string& tag);
    // Removes what is stored at `path`, as another client would.
    void remove(const std::string& path);
    // The stored text, empty when nothing is stored there.
    std::string text(const std::string& path) const;
    std::string tag(const std::string& path) const;
    bool holds(const std::string& path) const;
    // Everything stored: the text at each path.
    std::map<std::string, std::string> texts() const;

    // Serves the collection `bookPath` ("/alice/book/"), whose members are the resources stored
    // below it.
    void serveBook(const std::string& bookPath, BookQuirks quirks = {});
    // The book's sync token now.
    std::string token() const;

    // The next request with this method and path gets `answer` instead (one use each, in
    // order).
    void failNext(const std::string& method, const std::string& path, loopback::Response answer);
    // Runs before a PUT to `path` is judged, once: another client changing the card in between.
    void beforeNextPut(const std::string& path, std::function<void()> change);

private:
    struct Resource {
        std::string text;
        std::string tag;
    };

    loopback::Response store(const loopback::Request& request);
    loopback::Response bookReport(const loopback::Request& request);
    loopback::Response syncCollection(const loopback::Request& request);
    void changed(const std::string& path);
    std::vector<std::pair<std::string, const Resource*>> members() const;

    mutable std::mutex mutex_;
    std::map<std::string, Resource> resources_;
    std::vector<std::pair<std::string, loopback::Response>> failures_; // "METHOD path"
    std::map<std::string, std::function<void()>> beforePut_;
    int nextTag_ = 1;
    std::string bookPath_;
    BookQuirks quirks_;
    // Every change to the book's members in order: the path, its number the token it makes.
    std::vector<std::string> changeLog_;
};
