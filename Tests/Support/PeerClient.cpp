#include "PeerClient.h"

#include <cctype>
#include <curl/curl.h>
#include <stdexcept>

namespace {

size_t appendTo(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

std::string etagOf(const std::string& headers) {
    std::size_t start = 0;
    while (start < headers.size()) {
        std::size_t end = headers.find('\n', start);
        if (end == std::string::npos)
            end = headers.size();
        std::string line = headers.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 5) {
            std::string name = line.substr(0, 5);
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (name == "etag:") {
                std::size_t value = line.find_first_not_of(' ', 5);
                return value == std::string::npos ? "" : line.substr(value);
            }
        }
        start = end + 1;
    }
    return "";
}

} // namespace

PeerClient::PeerClient(std::string baseUrl, std::string user, std::string password)
    : baseUrl_(std::move(baseUrl)), user_(std::move(user)), password_(std::move(password)) {}

std::string PeerClient::url(const std::string& target) const {
    return target.rfind("http", 0) == 0 ? target : baseUrl_ + target;
}

PeerResponse PeerClient::request(const std::string& method, const std::string& target,
                                 const std::string& body,
                                 const std::vector<std::string>& headerLines) const {
    CURL* curl = curl_easy_init();
    if (!curl)
        throw std::runtime_error("curl_easy_init failed");
    PeerResponse response;
    curl_slist* headers = nullptr;
    for (const std::string& line : headerLines)
        headers = curl_slist_append(headers, line.c_str());
    const std::string address = url(target);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(curl, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_EXPECT_100_TIMEOUT_MS, 0L);
    if (!body.empty()) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendTo);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, appendTo);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.headers);
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK)
        throw std::runtime_error(method + " " + address + ": " + curl_easy_strerror(result));
    response.etag = etagOf(response.headers);
    return response;
}

PeerResponse PeerClient::createAddressBook(const std::string& path,
                                           const std::string& displayName) const {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>"
        "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop>"
        "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>"
        "<D:displayname>" +
        displayName + "</D:displayname></D:prop></D:set></D:mkcol>";
    return request("MKCOL", path, body, {"Content-Type: text/xml; charset=utf-8"});
}

PeerResponse PeerClient::put(const std::string& target, const std::string& vcard,
                             const std::string& ifMatch) const {
    std::vector<std::string> headers{"Content-Type: text/vcard; charset=utf-8"};
    if (!ifMatch.empty())
        headers.push_back("If-Match: " + ifMatch);
    return request("PUT", target, vcard, headers);
}

PeerResponse PeerClient::get(const std::string& target) const {
    return request("GET", target);
}

PeerResponse PeerClient::remove(const std::string& target) const {
    return request("DELETE", target);
}
