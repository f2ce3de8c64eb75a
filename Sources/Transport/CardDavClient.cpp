#include "Transport/CardDavClient.h"

#include <curl/curl.h>

#include "Transport/Redirects.h"
#include "Transport/RequestExchange.h"
#include "Transport/VerboseLog.h"
#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"

#include <chrono>
#include <new>
#include <optional>
#include <utility>

namespace {

// Owns a header list until the request is done, whatever way it ends.
struct HeaderListOwner {
    curl_slist* list;
    ~HeaderListOwner() {
        if (list != nullptr)
            curl_slist_free_all(list);
    }
};

} // namespace

void CardDavClient::HandleCleanup::operator()(CURL* kept) const {
    curl_easy_cleanup(kept);
}

CardDavClient::CardDavClient() = default;
CardDavClient::~CardDavClient() = default;
CardDavClient::CardDavClient(CardDavClient&&) noexcept = default;
CardDavClient& CardDavClient::operator=(CardDavClient&&) noexcept = default;

void CardDavClient::release_connection() {
    handle.reset();
    parallel.reset();
}

ServerUrlProblem CardDavClient::set_baseurl(const std::string& url) {
    release_connection();
    facts = ServerFacts();
    baseurl = withoutTrailingLineBreaks(url);
    const ServerUrlProblem problem = serverUrlProblem(baseurl);
    if (problem != ServerUrlProblem::none)
        baseurl.clear();
    else if (endswith(baseurl, "/"))
        baseurl.pop_back();
    return problem;
}

bool CardDavClient::set_auth(const std::string& type, const std::string& user_name,
                             const std::string& user_password) {
    release_connection();
    const std::optional<std::string> usableUser = usableCredential(user_name);
    const std::optional<std::string> usablePassword = usableCredential(user_password);
    const bool usable = usableUser && usablePassword;
    authtype = usable ? toLowerAscii(type) : "";
    user = usable ? *usableUser : "";
    password = usable ? *usablePassword : "";
    secrets = SecretForms(user, password);
    return usable;
}

void CardDavClient::set_ssl(const std::string& type) {
    release_connection();
    ssltype = toLowerAscii(type);
}

void CardDavClient::set_timeout(int seconds) {
    release_connection();
    if (seconds >= 0)
        timeout = seconds;
}

void CardDavClient::set_validcert(bool value) {
    release_connection();
    validcert = value;
}

void CardDavClient::set_verbose(bool value) {
    release_connection();
    verbose = value;
}

void CardDavClient::set_stall_limit(int seconds) {
    release_connection();
    if (seconds > 0)
        stallSeconds = seconds;
}

void CardDavClient::set_answer_ceiling(std::size_t bytes) {
    if (bytes > 0)
        answerCeiling = bytes;
}

bool CardDavClient::sends_credentials() const {
    return authtype == "digest" || authtype == "basic" || authtype == "ntml" ||
           authtype == "bearer";
}

std::string CardDavClient::dav_root() const {
    return facts.davRoot.empty() ? baseurl + "/" : facts.davRoot;
}

void CardDavClient::setverbose(CURL* target) const {
    curl_easy_setopt(target, CURLOPT_VERBOSE, verbose ? 1L : 0L);
    curl_easy_setopt(target, CURLOPT_DEBUGFUNCTION, writeVerboseLog);
    curl_easy_setopt(target, CURLOPT_DEBUGDATA, &secrets);
}

void CardDavClient::setvalidcert(CURL* target) const {
    curl_easy_setopt(target, CURLOPT_SSL_VERIFYPEER, validcert ? 1L : 0L);
}

void CardDavClient::setssl(CURL* target) const {
    long version = CURL_SSLVERSION_DEFAULT;
    if (ssltype == "ssl3")
        version = CURL_SSLVERSION_SSLv3;
    else if (ssltype == "ssl2")
        version = CURL_SSLVERSION_SSLv2;
    else if (ssltype == "tls1")
        version = CURL_SSLVERSION_TLSv1;
    // A libcurl build that refuses the old SSL versions keeps its default.
    curl_easy_setopt(target, CURLOPT_SSLVERSION, version);
}

void CardDavClient::setauthentication(CURL* target) const {
    unsigned long scheme = CURLAUTH_NONE;
    if (authtype == "digest")
        scheme = CURLAUTH_DIGEST;
    else if (authtype == "basic")
        scheme = CURLAUTH_BASIC;
    else if (authtype == "ntml")
        scheme = CURLAUTH_NTLM;
    else if (authtype == "bearer")
        scheme = CURLAUTH_BEARER;
    curl_easy_setopt(target, CURLOPT_HTTPAUTH, scheme);
    // Whatever the type does not use is cleared, so that nothing of another type goes out.
    const bool named = scheme != CURLAUTH_NONE && scheme != CURLAUTH_BEARER;
    curl_easy_setopt(target, CURLOPT_USERNAME, named ? user.c_str() : nullptr);
    curl_easy_setopt(target, CURLOPT_PASSWORD, named ? password.c_str() : nullptr);
    curl_easy_setopt(target, CURLOPT_XOAUTH2_BEARER,
                     scheme == CURLAUTH_BEARER ? password.c_str() : nullptr);
}

void CardDavClient::applyTimeouts(CURL* target) const {
    // With a limit for the whole request, libcurl's own connect limit; without one, a connection
    // (TLS handshake included) that is not up within the stall limit fails too.
    curl_easy_setopt(target, CURLOPT_CONNECTTIMEOUT,
                     timeout > 0 ? 0L : static_cast<long>(stallSeconds));
    curl_easy_setopt(target, CURLOPT_TIMEOUT, static_cast<long>(timeout));
    // The stall limit is the exchange's own rule (StallWatch), not libcurl's low-speed check,
    // which measures speed over a few seconds only and lets spaced bursts through.
    curl_easy_setopt(target, CURLOPT_LOW_SPEED_LIMIT, 0L);
    curl_easy_setopt(target, CURLOPT_LOW_SPEED_TIME, 0L);
}

size_t CardDavClient::write_data(char* data, size_t size, size_t count, std::string* target) {
    if (target == nullptr)
        return 0;
    const size_t length = size * count;
    target->append(data, length);
    return length;
}

CURL* CardDavClient::connection() {
    if (!handle)
        handle.reset(curl_easy_init());
    return handle.get();
}

void CardDavClient::prepare(CURL* target, const std::string& url, const std::string& method,
                            const std::string& body, curl_slist* headers,
                            bool withCredentials) const {
    curl_easy_setopt(target, CURLOPT_URL, url.c_str());
    // Hrefs come from the server: none of them may make libcurl read or write a local file.
    curl_easy_setopt(target, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(target, CURLOPT_FOLLOWLOCATION, 0L);
    // A long answer is taken in pieces of this size rather than of libcurl's 16 KB: fewer calls
    // to receive and to hand on a listing of megabytes.
    curl_easy_setopt(target, CURLOPT_BUFFERSIZE, 128L * 1024);
    setverbose(target);
    setvalidcert(target);
    setssl(target);
    if (withCredentials) {
        setauthentication(target);
    } else {
        curl_easy_setopt(target, CURLOPT_HTTPAUTH, CURLAUTH_NONE);
        curl_easy_setopt(target, CURLOPT_USERNAME, static_cast<char*>(nullptr));
        curl_easy_setopt(target, CURLOPT_PASSWORD, static_cast<char*>(nullptr));
        curl_easy_setopt(target, CURLOPT_XOAUTH2_BEARER, static_cast<char*>(nullptr));
    }
    curl_easy_setopt(target, CURLOPT_HTTPHEADER, headers);
    applyTimeouts(target);
    if (body.empty()) {
        curl_easy_setopt(target, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(target, CURLOPT_POST, 1L);
        curl_easy_setopt(target, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(target, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    // After the body choice, which resets the method.
    curl_easy_setopt(target, CURLOPT_CUSTOMREQUEST, method.c_str());
}

std::optional<std::chrono::milliseconds> CardDavClient::stallWindow() const {
    if (timeout != 0)
        return std::nullopt;
    return std::chrono::seconds(stallSeconds);
}

Query CardDavClient::perform(const std::string& url, const std::string& method,
                             const std::string& body, std::size_t maxBody, curl_slist* headers,
                             BodySink* sink, bool withCredentials) {
    CURL* kept = connection();
    if (kept == nullptr) {
        Query failed;
        failed.url = url;
        return failed;
    }
    prepare(kept, url, method, body, headers, withCredentials);
    RequestExchange exchange(kept, isReadOnlyMethod(method), stallWindow(), maxBody, answerCeiling,
                             sink);
    return exchange.finish(curl_easy_perform(kept), url);
}

Query CardDavClient::getWithoutCredentials(const std::string& url, curl_slist* headers,
                                           std::size_t maxBody) {
    HeaderListOwner owner{headers};
    return perform(url, "GET", "", maxBody, owner.list, nullptr, false);
}

Query CardDavClient::query(const std::string& url, const std::string& method,
                           const std::string& body, curl_slist* headers, Redirects redirects,
                           std::size_t maxBody, BodySink* sink) {
    HeaderListOwner owner{headers};
    if (!body.empty()) {
        // libcurl announces large bodies with "Expect: 100-continue" and then waits a second for
        // an interim answer that many servers never send; an empty Expect line leaves it out.
        curl_slist* extended = curl_slist_append(owner.list, "Expect:");
        if (extended == nullptr)
            throw std::bad_alloc();
        owner.list = extended;
    }
    Query answer = perform(url, method, body, maxBody, owner.list, sink);
    if (redirects == Redirects::refused)
        return answer;
    RedirectChain chain(url, sends_credentials());
    while (const std::optional<std::string> next = chain.next(answer))
        answer = perform(*next, method, body, maxBody, owner.list, sink);
    return answer;
}
