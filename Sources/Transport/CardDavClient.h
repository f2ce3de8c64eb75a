// The HTTP client that carries the connection settings for one CardDAV server, and the CardDAV
// requests built on it. Its outcome, failures included, comes back as a `Query`.
//
// The client keeps one libcurl easy handle from request to request and never resets it, so that
// the next request to the same server reuses the open connection (TCP and TLS), the TLS session,
// the DNS entry and the digest authentication state. Every request sets each option it relies on,
// so nothing of one request carries over into the next. Changing any setting drops the handle:
// credentials never go out on a connection that was opened for other settings.
#pragma once

#include "Transport/BodySink.h"
#include "Transport/ScriptInput.h"
#include "Transport/SecretForms.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// libcurl's handle and header list, declared as curl/curl.h declares them, so that the files that
// only send requests do not pull in libcurl's header (and on Windows its winsock2.h).
typedef void CURL;
struct curl_slist;
class ParallelConnections;

// Why no answer came, where none did.
enum class TransportFailure {
    None,
    // No connection could be made, the host is unknown, or the request timed out or stalled.
    Unreachable,
    // The secure connection could not be made (other than a certificate that failed
    // verification, which has a status of its own).
    Tls,
    // The URL names no scheme libcurl speaks, or is malformed.
    UnusableUrl,
    // Anything else: the connection broke, the answer was cut off, or was too large.
    Other,
};

// The outcome of one HTTP exchange.
struct Query {
    // HTTP status of the final response; 65501 when the server's certificate failed
    // verification, 65502 when the transfer was aborted by a callback, 0 when no complete
    // response came (then `headers` and `body` are empty too).
    int status = 0;
    // Every header line received, status lines and CRLF included; when libcurl went through
    // several responses (an authentication challenge, an interim 100) their blocks follow.
    std::string headers;
    // Empty where the body went to the request's sink as it arrived.
    std::string body;
    // The URL that gave this answer: the request's own, or the last one a followed redirect
    // named. Hrefs in the body resolve against it.
    std::string url;
    // Why no complete answer came (libcurl's words: "Couldn't connect to server", "Timeout was
    // reached"); empty when one came.
    std::string failure;
    TransportFailure failureKind = TransportFailure::None;
    // The answer was given up because its body grew beyond the size the request allowed.
    bool tooLarge = false;
    // The answer was given up because it grew beyond the client's answer ceiling, whatever the
    // request allowed: nothing of it may be used.
    bool beyondCeiling = false;
};

// One request as the client sends it: its header lines in order; an empty body sends none.
struct HttpRequest {
    std::string url;
    std::string method;
    std::vector<std::string> headers;
    std::string body;
};

// Whether a request follows the redirects it is answered with. Only discovery does; a card or
// group request never lands anywhere but where it was sent.
enum class Redirects { refused, followed };

// What the client learnt about the server it talks to; forgotten when the base URL is set.
struct ServerFacts {
    // The URL where discovery found the principal when the base URL itself named none (the
    // DAV root a /.well-known/carddav redirect led to); empty while there is none.
    std::string davRoot;
    // The server answers the listing report on a single card with an empty listing.
    bool listsNothingForOneCard = false;
    // The server answers a sync-collection report sent with Depth 0 with the collection alone;
    // only Depth 1 lists the changes.
    bool syncNeedsDepthOne = false;
    // The server keeps no groups in a style: it stored a group card the plug-in created as an
    // ordinary contact, or dropped the categories the plug-in wrote on a card (Google does both).
    bool dropsGroupCards = false;
    bool dropsCategories = false;
};

class CardDavClient {
public:
    static constexpr int kCertificateFailed = 65501;
    static constexpr int kAbortedByCallback = 65502;
    // How many requests `query_all` has in flight at once, each on a connection of its own: a
    // handful, as browsers open to one host, so that many small writes do not each wait a round
    // trip, while a server (or a provider's rate limit) meets no more than one user's fair share.
    static constexpr std::size_t kParallelConnections = 4;
    // Without a time-out, a request that moves less than 1 KB (StallWatch::kMinimumBytes, sent
    // and received together) within this many seconds fails: a stalled or trickling server must
    // not freeze FileMaker forever. Connecting gets as long.
    static constexpr int kStallSeconds = 60;
    // The most bytes one answer may bring, header lines and body together, unless a script sets
    // another ceiling: an answer that grows beyond it (a server that streams without end) is
    // given up. 4 GB (as much as a 32-bit build can count): generous enough for 100,000 cards
    // sent whole with their photos in one answer, as an initial sync or a listing may send them.
    static constexpr std::size_t kDefaultAnswerCeiling =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t(4096) << 20,
                                                         std::numeric_limits<std::size_t>::max()));

    CardDavClient();
    ~CardDavClient();
    CardDavClient(CardDavClient&&) noexcept;
    CardDavClient& operator=(CardDavClient&&) noexcept;

    // Settings: stored only, nothing is sent. Each one drops the kept connection.
    // The base URL is stored without one trailing "/" and the line breaks after it; a URL with
    // a problem (ScriptInput.h) is not stored, and the base URL is then empty: nothing goes
    // anywhere until a usable one is set.
    ServerUrlProblem set_baseurl(const std::string& url);
    // The credentials are stored as usableCredential gives them. When the user name or the
    // password cannot be used, none is stored and the type is emptied (requests then carry no
    // credentials, neither these nor earlier ones): false.
    bool set_auth(const std::string& type, const std::string& user, const std::string& password);
    void set_ssl(const std::string& type);
    void set_timeout(int seconds);
    void set_validcert(bool value);
    void set_verbose(bool value);
    // The stall limit of requests without a time-out; kStallSeconds unless a test shortens it
    // (no external function changes it).
    void set_stall_limit(int seconds);
    // The answer ceiling in bytes; 0 is ignored. It concerns answers alone: the kept connection
    // stays.
    void set_answer_ceiling(std::size_t bytes);

    bool get_validcert() const { return validcert; }
    const std::string& get_baseurl() const { return baseurl; }
    int get_timeout() const { return timeout; }
    int get_stall_limit() const { return stallSeconds; }
    std::size_t get_answer_ceiling() const { return answerCeiling; }
    const std::string& get_user() const { return user; }
    const std::string& get_password() const { return password; }
    // The forms in which the password or token may come back in what a server sends.
    const SecretForms& secret_forms() const { return secrets; }
    const std::string& get_authtype() const { return authtype; }
    const std::string& get_ssltype() const { return ssltype; }
    // Whether the authentication type sends credentials at all.
    bool sends_credentials() const;

    ServerFacts& server_facts() { return facts; }
    const ServerFacts& server_facts() const { return facts; }
    // Where discovery starts: the DAV root found before, else the base URL followed by "/".
    std::string dav_root() const;

    // Closes the kept connections and frees their handles; the settings stay. Shutdown calls it
    // before libcurl's global clean-up.
    void release_connection();

    // Appliers: hand one group of settings to a libcurl easy handle.
    void setverbose(CURL* handle) const;
    void setvalidcert(CURL* handle) const;
    void setssl(CURL* handle) const;
    void setauthentication(CURL* handle) const;

    // Performs one request, following redirects when `redirects` says so (Redirects.h). Takes
    // ownership of `headers` (may be null) and frees it. An empty `body` sends no request body,
    // whatever the method. An answer whose body grows beyond `maxBody` bytes (0: no limit of its
    // own), or beyond the answer ceiling, ends the transfer, as no answer (status 0, `tooLarge`
    // or `beyondCeiling` set). With a `sink`, the body of a multistatus answer (207) goes to it as
    // it arrives, counted against both limits, and the answer's `body` stays empty; what the sink
    // took is part of the answer only when the answer came whole (a transfer cut off is no
    // answer, as ever). A sink that wants no more ends the transfer; the answer keeps its status,
    // and the sink tells what it read. Every other answer's body is kept as without a sink.
    // Throws std::bad_alloc when the answer does not fit in memory, and what the sink throws.
    Query query(const std::string& url, const std::string& method, const std::string& body,
                curl_slist* headers, Redirects redirects = Redirects::refused,
                std::size_t maxBody = 0, BodySink* sink = nullptr);

    // Sends `request` as `query` does (no redirect followed).
    Query send(const HttpRequest& request);
    // Sends every one of `requests` (none follows a redirect) and returns their answers in the
    // same order, each as `query` would give it. Up to kParallelConnections of them are in flight
    // at once, on connections kept for the next call (over HTTP/2, all on one); a write is never
    // sent twice. Throws std::bad_alloc when an answer does not fit in memory.
    std::vector<Query> query_all(const std::vector<HttpRequest>& requests);

    // Appends size * count bytes to `target` and returns that number; with a null target it
    // appends nothing and returns 0, which makes libcurl end the transfer.
    static size_t write_data(char* data, size_t size, size_t count, std::string* target);

    // CardDAV requests. Each returns the `Query` of its request unchanged.
    // Discovery: the principal (all properties, or current-user-principal by name) of the
    // collection at `url`, and the address-book home of the principal at `url`.
    Query get_baseprincipal(const std::string& url, Redirects redirects = Redirects::refused);
    Query get_userprincipal(const std::string& url, Redirects redirects = Redirects::refused);
    Query get_addressbookurl(const std::string& url, Redirects redirects = Redirects::refused);
    // The address books of the home at `url`: each member's resource type, display name and the
    // privileges the account holds on it (current-user-privilege-set).
    Query get_addressbooks(const std::string& url);
    // The cards of the address book at `url`: what a listing reads of each (CardContent::Summary),
    // that and the card's CATEGORIES, or each card's whole text.
    enum class CardContent { Summary, SummaryWithCategories, WholeCard };
    // With `maxBody`, an answer larger than that many bytes is given up (status 0). The reports
    // that may answer at length take a `sink` for their multistatus body (`query`).
    Query get_addressbookitems(const std::string& url, CardContent content = CardContent::Summary,
                               std::size_t maxBody = 0, BodySink* sink = nullptr);
    // The members of the collection at `url` with their tags (a PROPFIND of depth 1): every card,
    // where a server caps the results of a report.
    Query list_members(const std::string& url);
    Query get_vcard(const std::string& url);
    // The picture at `url`, a card's PHOTO given by URL, with a GET that follows no redirect.
    // The credentials go with it only when `url` lies on the origin of `connectedUrl` (the
    // address-book home the connection found); to any other host it goes without them. An answer
    // larger than `maxBytes` is given up (status 0, `tooLarge`). Nothing is sent for a URL that is
    // no http or https URL (status 0).
    Query get_picture(const std::string& url, const std::string& connectedUrl,
                      std::size_t maxBytes);
    Query get_etag(const std::string& url);
    // `etag` is stored without quotes (a weak one as W/x); it is sent quoted in "If-Match".
    // An empty `etag` makes the PUT create-only ("If-None-Match").
    Query save_vcard(const std::string& url, const std::string& data, const std::string& etag);
    static HttpRequest save_request(const std::string& url, const std::string& data,
                                    const std::string& etag);
    // With `etag` the DELETE carries "If-Match", and the server refuses it (412) when the card
    // changed since; without, the card goes whatever its state.
    Query delete_vcard(const std::string& url, const std::string& etag = "");
    static HttpRequest delete_request(const std::string& url, const std::string& etag);

    // Synchronisation of one address book: the sync-collection REPORT (sync level 1, each
    // member's getetag and card text) from `token` on (empty: the initial sync), the address
    // book's sync-token with the account's privileges on it (a PROPFIND of the collection
    // alone), and the addressbook-multiget REPORT for the cards at `cardUrls` (absolute URLs on
    // the book's server), with their whole text or with the properties a listing reads. The sync
    // report goes with the Depth header `depth`: RFC 6578 asks for 0, and some servers answer 0
    // with the collection alone, listing its changed members only for 1.
    enum class Depth { Zero, One };
    Query sync_collection(const std::string& url, const std::string& token,
                          Depth depth = Depth::Zero, BodySink* sink = nullptr);
    Query get_synctoken(const std::string& url);
    Query multiget_vcards(const std::string& url, const std::vector<std::string>& cardUrls,
                          CardContent content, std::size_t maxBody = 0, BodySink* sink = nullptr);

private:
    struct HandleCleanup {
        void operator()(CURL* handle) const;
    };
    struct ParallelCleanup {
        void operator()(ParallelConnections* connections) const;
    };

    // The kept handle, made on first use; null when libcurl cannot make one.
    CURL* connection();
    // One request on the kept handle, without redirects; with the credentials unless
    // `withCredentials` is false.
    Query perform(const std::string& url, const std::string& method, const std::string& body,
                  std::size_t maxBody, curl_slist* headers, BodySink* sink,
                  bool withCredentials = true);
    // A GET of `url` that carries no credentials whatever the settings. Takes ownership of
    // `headers`, as `query` does.
    Query getWithoutCredentials(const std::string& url, curl_slist* headers, std::size_t maxBody);
    // Sets every option a request relies on (the handle still holds the last one's), with the
    // credentials unless `withCredentials` is false.
    void prepare(CURL* handle, const std::string& url, const std::string& method,
                 const std::string& body, curl_slist* headers, bool withCredentials = true) const;
    // Without a time-out, the window within which a request must move (StallWatch).
    std::optional<std::chrono::milliseconds> stallWindow() const;
    void applyTimeouts(CURL* handle) const;

    bool verbose = false;
    bool validcert = false;
    std::string baseurl;
    int timeout = 0;
    int stallSeconds = kStallSeconds;
    std::size_t answerCeiling = kDefaultAnswerCeiling;
    std::string user;
    std::string password;
    std::string authtype;
    std::string ssltype;
    // The password or token as the verbose log hides it.
    SecretForms secrets;
    ServerFacts facts;
    std::unique_ptr<void, HandleCleanup> handle;
    // The handles `query_all` runs on, made on first use.
    std::unique_ptr<ParallelConnections, ParallelCleanup> parallel;
};

// Whether a status says that no HTTP answer came at all (0, a refused certificate, an aborted
// transfer), as opposed to an answer of the server's, errors included.
inline bool isTransportFailure(int status) {
    return status == 0 || status == CardDavClient::kCertificateFailed ||
           status == CardDavClient::kAbortedByCallback;
}
