// The HTTP client that carries the connection settings for one CardDAV server, and the CardDAV
// requests built on it. Every request runs on a fresh libcurl easy handle inside `query`; its
// outcome, failures included, comes back as a `Query`.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// libcurl's handle and header list, declared as curl/curl.h declares them, so that the files that
// only send requests do not pull in libcurl's header (and on Windows its winsock2.h).
typedef void CURL;
struct curl_slist;

// The outcome of one HTTP exchange.
struct Query {
    // HTTP status of the final response; 65501 when the server's certificate failed
    // verification, 65502 when the transfer was aborted by a callback, 0 when no response came.
    int status = 0;
    // Every header line received, status lines and CRLF included; when libcurl went through
    // several responses (an authentication challenge, an interim 100) their blocks follow.
    std::string headers;
    std::string body;
};

class CardDavClient {
public:
    static constexpr int kCertificateFailed = 65501;
    static constexpr int kAbortedByCallback = 65502;
    // How many fresh identifiers `get_new_vcardid` probes before giving up.
    static constexpr int kMaxNewIdProbes = 10;

    // Settings: stored only, nothing is sent.
    void set_baseurl(const std::string& url);
    void set_auth(const std::string& type, const std::string& user, const std::string& password);
    void set_ssl(const std::string& type);
    void set_timeout(int seconds);
    void set_validcert(bool value) { validcert = value; }
    void set_verbose(bool value) { verbose = value; }
    void set_proxy(const std::string& proxy, const std::string& user, const std::string& password);

    bool get_verbose() const { return verbose; }
    bool get_validcert() const { return validcert; }
    const std::string& get_baseurl() const { return baseurl; }
    int get_timeout() const { return timeout; }
    const std::string& get_user() const { return user; }
    const std::string& get_password() const { return password; }
    const std::string& get_proxy() const { return proxy; }
    const std::string& get_proxyuserpwd() const { return proxyuserpwd; }
    const std::string& get_authtype() const { return authtype; }
    const std::string& get_ssltype() const { return ssltype; }

    // Appliers: hand one group of settings to a libcurl easy handle.
    void setproxy(CURL* handle) const;
    void setverbose(CURL* handle) const;
    void setvalidcert(CURL* handle) const;
    void setssl(CURL* handle) const;
    void setauthentication(CURL* handle) const;

    // Performs one request. Takes ownership of `headers` (may be null) and frees it. An empty
    // `body` sends no request body, whatever the method.
    Query query(const std::string& url, const std::string& method, const std::string& body,
                curl_slist* headers);

    // Appends size * count bytes to `target` and returns that number; with a null target it
    // appends nothing and returns 0, which makes libcurl end the transfer.
    static size_t write_data(char* data, size_t size, size_t count, std::string* target);

    // CardDAV requests. Each returns the `Query` of its single request unchanged.
    Query get_baseprincipal();
    Query get_userprincipal();
    Query get_addressbookurl(const std::string& url);
    Query get_addressbooks(const std::string& url);
    Query get_addressbookitems(const std::string& url);
    Query searchvcardby(const std::string& url, const std::string& property,
                        const std::string& value);
    Query get_vcard(const std::string& url);
    Query get_etag(const std::string& url);
    // `etag` is stored without quotes (a weak one as W/x); it is sent quoted in "If-Match".
    // An empty `etag` makes the PUT create-only ("If-None-Match").
    Query save_vcard(const std::string& url, const std::string& data, const std::string& etag);
    Query delete_vcard(const std::string& url);

    // Synchronisation of one address book: the sync-collection REPORT (sync level 1, each
    // member's getetag) from `token` on (empty: the initial sync), the address book's sync-token
    // (a PROPFIND of the collection alone), and the addressbook-multiget REPORT for the cards at
    // `cardUrls` (absolute URLs on the book's server), with their whole text or with the
    // properties a listing reads.
    enum class CardContent { Summary, WholeCard };
    Query sync_collection(const std::string& url, const std::string& token);
    Query get_synctoken(const std::string& url);
    Query multiget_vcards(const std::string& url, const std::vector<std::string>& cardUrls,
                          CardContent content);

    // A card identifier (hexadecimal digits) that is still free in the address book at `url`
    // (which ends in "/"), or the empty text when none of the probes answered 404. `last_probe`
    // receives the answer to the last probe sent, so that a caller can tell why none was found.
    std::string get_new_vcardid(const std::string& url, Query& last_probe);

private:
    bool verbose = false;
    bool validcert = false;
    std::string baseurl;
    int timeout = 0;
    std::string response_body;
    std::string response_headers;
    std::string user;
    std::string password;
    std::string proxy;
    std::string proxyuserpwd;
    std::string authtype;
    std::string ssltype;
};
