// The multistatus answers of principal and home discovery, as the loopback server gives them.
#pragma once

#include <string>

inline std::string multistatus(const std::string& responses) {
    return "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
           "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">" +
           responses + "</d:multistatus>";
}

// The allprop answer for the collection at `href`, naming `principal` (none when empty).
inline std::string principalAnswer(const std::string& href, const std::string& principal) {
    const std::string prop = principal.empty() ? "<d:resourcetype><d:collection/></d:resourcetype>"
                                               : "<d:current-user-principal><d:href>" + principal +
                                                     "</d:href></d:current-user-principal>";
    return multistatus("<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + prop +
                       "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>");
}

// The home answer for `principal`, naming `home`.
inline std::string homeAnswer(const std::string& principal, const std::string& home) {
    return multistatus(
        "<d:response><d:href>" + principal +
        "</d:href><d:propstat><d:prop><d:displayname/></d:prop><d:status>HTTP/1.1 404 Not "
        "Found</d:status></d:propstat><d:propstat><d:prop><card:addressbook-home-set><d:href>" +
        home +
        "</d:href></card:addressbook-home-set></d:prop><d:status>HTTP/1.1 200 "
        "OK</d:status></d:propstat></d:response>");
}
