#include "Transport/CardDavClient.h"

#include <curl/curl.h>

#include "Utils/AsciiCase.h"
#include "Utils/VorlixUtils.h"

#include <utility>

namespace {

// libcurl calls its write and header callbacks with an untyped user pointer.
size_t receive(char* data, size_t size, size_t count, void* target) {
    return CardDavClient::write_data(data, size, count, static_cast<std::string*>(target));
}

} // namespace

void CardDavClient::set_baseurl(const std::string& url) {
    baseurl = endswith(url, "/") ? url.substr(0, url.size() - 1) : url;
}

void CardDavClient::set_auth(const std::string& type, const std::string& user_name,
                             const std::string& user_password) {
    authtype = toLowerAscii(type);
    user = user_name;
    password = user_password;
}

void CardDavClient::set_ssl(const std::string& type) {
    ssltype = toLowerAscii(type);
}

void CardDavClient::set_timeout(int seconds) {
    if (seconds >= 0)
        timeout = seconds;
}

void CardDavClient::set_proxy(const std::string& address, const std::string& proxy_user,
                              const std::string& proxy_password) {
    proxy = address;
    proxyuserpwd = proxy_password.empty() ? proxy_user : proxy_user + ":" + proxy_password;
}

void CardDavClient::setproxy(CURL* handle) const {
    if (proxy.empty()) {
        // Leaves libcurl's own proxy defaults (its environment variables) in force.
        curl_easy_setopt(handle, CURLOPT_PROXY, static_cast<const char*>(nullptr));
        return;
    }
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    if (!proxyuserpwd.empty())
        curl_easy_setopt(handle, CURLOPT_PROXYUSERPWD, proxyuserpwd.c_str());
}

void CardDavClient::setverbose(CURL* handle) const {
    curl_easy_setopt(handle, CURLOPT_VERBOSE, verbose ? 1L : 0L);
}

void CardDavClient::setvalidcert(CURL* handle) const {
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, validcert ? 1L : 0L);
}

void CardDavClient::setssl(CURL* handle) const {
    long version = CURL_SSLVERSION_DEFAULT;
    if (ssltype == "ssl3")
        version = CURL_SSLVERSION_SSLv3;
    else if (ssltype == "ssl2")
        version = CURL_SSLVERSION_SSLv2;
    else if (ssltype == "tls1")
        version = CURL_SSLVERSION_TLSv1;
    // A libcurl build that refuses the old SSL versions keeps its default.
    curl_easy_setopt(handle, CURLOPT_SSLVERSION, version);
}

void CardDavClient::setauthentication(CURL* handle) const {
    unsigned long scheme = CURLAUTH_NONE;
    if (authtype == "digest")
        scheme = CURLAUTH_DIGEST;
    else if (authtype == "basic")
        scheme = CURLAUTH_BASIC;
    else if (authtype == "ntml")
        scheme = CURLAUTH_NTLM;
    curl_easy_setopt(handle, CURLOPT_HTTPAUTH, scheme);
    if (scheme == CURLAUTH_NONE)
        return;
    curl_easy_setopt(handle, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, password.c_str());
}

size_t CardDavClient::write_data(char* data, size_t size, size_t count, std::string* target) {
    if (target == nullptr)
        return 0;
    const size_t length = size * count;
    target->append(data, length);
    return length;
}

Query CardDavClient::query(const std::string& url, const std::string& method,
                           const std::string& body, curl_slist* headers) {
    response_body.clear();
    response_headers.clear();
    Query result;
    CURL* handle = curl_easy_init();
    if (handle != nullptr) {
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        setproxy(handle);
        setverbose(handle);
        setvalidcert(handle);
        setssl(handle);
        setauthentication(handle);
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
        if (timeout > 0) {
            curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 0L);
            curl_easy_setopt(handle, CURLOPT_TIMEOUT, static_cast<long>(timeout));
        }
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, receive);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, receive);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &response_headers);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &response_body);
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
        if (!body.empty()) {
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body.size()));
            // libcurl adds "Expect: 100-continue" to large bodies and then waits up to a second
            // for an interim answer that many servers never send; send the body at once.
            curl_easy_setopt(handle, CURLOPT_EXPECT_100_TIMEOUT_MS, 0L);
        }
        const CURLcode outcome = curl_easy_perform(handle);
        long code = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
        if (outcome == CURLE_PEER_FAILED_VERIFICATION) {
            result.status = kCertificateFailed;
        } else if (outcome == CURLE_ABORTED_BY_CALLBACK) {
            result.status = kAbortedByCallback;
        } else {
            result.status = static_cast<int>(code);
            // The buffers are refilled by the next request, so their contents can move.
            result.headers = std::move(response_headers);
            result.body = std::move(response_body);
        }
        curl_easy_cleanup(handle);
    }
    if (headers != nullptr)
        curl_slist_free_all(headers);
    return result;
}
