// An address book "selected" on the loopback server without a listing: the plug-in state as a
// connection and a selection leave it, with cards and group cards put in directly, so that each
// test scripts only the requests the function under test sends.
#pragma once

#include "Functions/CardDavState.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"

#include <string>
#include <vector>

class LoopbackBook {
public:
    LoopbackBook() {
        resetPluginState();
        session().cd.set_baseurl(server.baseUrl());
        session().connected = true;
        session().root_address_url = server.baseUrl() + "/alice/";
        session().current_addressbook_url = bookUrl();
    }

    std::string bookUrl() const { return server.baseUrl() + "/alice/book/"; }

    addresscard& addCard(const std::string& uid, const std::string& etag = "c-tag") {
        addresscard card;
        card.uid = uid;
        card.cardid = uid + "-file";
        card.url = bookUrl() + card.cardid + ".vcf";
        card.etag = etag;
        return session().current_addressbook[uid] = card;
    }

    addresscard& addGroup(const std::string& uid, const std::string& fn,
                          std::vector<std::string> members, const std::string& etag = "g-tag") {
        addresscard group = addCard(uid, etag);
        session().current_addressbook.erase(uid);
        group.isgroup = true;
        group.fn = fn;
        group.members = std::move(members);
        return session().current_addressbook_groups[uid] = group;
    }

    loopback::HttpServer server;
    PluginHarness host;
};

// A multistatus answer listing one response per (href, etag) pair.
inline std::string etagListing(const std::vector<std::pair<std::string, std::string>>& cards) {
    std::string body = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\">";
    for (const auto& [href, etag] : cards)
        body += "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop><d:getetag>\"" +
                etag + "\"</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status>" +
                "</d:propstat></d:response>";
    return body + "</d:multistatus>";
}

inline loopback::Response multistatusAnswer(const std::string& body) {
    return loopback::xmlResponse(207, body);
}
