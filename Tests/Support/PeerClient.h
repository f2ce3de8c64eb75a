// "Another client" of a CardDAV server in integration tests: plain libcurl requests that create
// address books and change or read cards behind the plug-in's back.
#pragma once

#include <string>
#include <vector>

struct PeerResponse {
    long status = 0;
    std::string headers;
    std::string body;
    // The ETag header's value as sent (quotes included), empty when there is none.
    std::string etag;
};

class PeerClient {
public:
    PeerClient(std::string baseUrl, std::string user, std::string password);

    // `target` is a path below the base URL ("/alice/contacts/") or a full URL.
    PeerResponse request(const std::string& method, const std::string& target,
                         const std::string& body = "",
                         const std::vector<std::string>& headerLines = {}) const;

    PeerResponse createAddressBook(const std::string& path, const std::string& displayName) const;
    PeerResponse put(const std::string& target, const std::string& vcard,
                     const std::string& ifMatch = "") const;
    PeerResponse get(const std::string& target) const;
    PeerResponse remove(const std::string& target) const;

private:
    std::string url(const std::string& target) const;

    std::string baseUrl_;
    std::string user_;
    std::string password_;
};
