// An address book "selected" on the loopback server without a listing: the plug-in state as a
// connection and a selection leave it, with cards and group cards put in directly, so that each
// test scripts only the requests the function under test sends.
#pragma once

#include "Functions/Sessions.h"
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
        reconnect();
    }

    // The state a connection and a selection leave, again (after CardDav_SetServer forgot it),
    // with the built-in vocabulary as CardDav_SetServer installs it; no card is known.
    void reconnect() {
        session().connected = true;
        session().root_address_url = server.baseUrl() + "/alice/";
        session().book.select(bookUrl());
        session().current_mapping = createDefaultRawDataMap();
    }

    std::string bookUrl() const { return server.baseUrl() + "/alice/book/"; }

    const addresscard& addCard(const std::string& uid, const std::string& etag = "c-tag") {
        addresscard card;
        card.uid = uid;
        card.cardid = uid + "-file";
        card.url = bookUrl() + card.cardid + ".vcf";
        card.etag = etag;
        session().book.put(card);
        return *session().book.card(uid);
    }

    const addresscard& addGroup(const std::string& uid, const std::string& fn,
                                std::vector<std::string> members,
                                const std::string& etag = "g-tag") {
        addresscard group;
        group.uid = uid;
        group.cardid = uid + "-file";
        group.url = bookUrl() + group.cardid + ".vcf";
        group.etag = etag;
        group.isgroup = true;
        group.fn = fn;
        group.members = std::move(members);
        session().book.put(group);
        return *session().book.group(uid);
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
