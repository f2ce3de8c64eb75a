// A CardDAV account of one address book, kept in memory and served by the test suite's loopback
// server, for the benchmarks that run whole scripts: principal and home discovery, the listing
// (every card whole, as servers that ignore a listing's partial address-data send it), the
// book's sync token, sync-collection (every card for an initial sync, nothing changed since the
// current token), multiget, and GET and PUT of single cards; new cards PUT at names of their own
// are kept apart from the book's, and answered to GET and PUT alike.
#pragma once

#include "LoopbackHttpServer.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

// A card of about 500 bytes, as contact programs write them.
inline std::string benchCardText(int n, int revision) {
    const std::string id = std::to_string(n);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Bench//EN\r\nUID:card-" + id +
           "\r\nFN:Person " + id + "\r\nN:Person;" + id +
           ";;;\r\nORG:Example Trading GmbH;Sales\r\n"
           "TITLE:Account Manager\r\nEMAIL;TYPE=INTERNET,PREF:p" +
           id + "@example.org\r\nEMAIL;TYPE=INTERNET,WORK:person." + id +
           "@example.com\r\nTEL;TYPE=CELL:+49 170 " + id + "\r\nTEL;TYPE=WORK,VOICE:+49 30 555 " +
           id + "\r\nADR;TYPE=HOME:;;Lindenstrasse " + id +
           ";Berlin;;10115;Germany\r\nADR;TYPE=WORK:;;Friedrichstrasse 1;Berlin;;10117;Germany\r\n"
           "BDAY:1980-05-17\r\nURL:https://example.org/people/" +
           id + "\r\nNOTE:revision " + std::to_string(revision) +
           "\\, met at the trade fair\r\nREV:2026-12-01T10:00:00Z\r\n"
           "END:VCARD\r\n";
}

class BenchBook {
public:
    BenchBook(const loopback::Options& options, int cards) : server(options), cards_(cards) {
        server.setHandler([this](const loopback::Request& request) { return answer(request); });
    }

    static constexpr const char* kBookPath = "/bench/book/";
    loopback::HttpServer server;

private:
    loopback::Response answer(const loopback::Request& request) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const std::string& target = request.target;
        const std::string& body = request.body;
        if (request.method == "PROPFIND" && target == "/")
            return xml(response("/", "<d:current-user-principal><d:href>/principals/bench/"
                                     "</d:href></d:current-user-principal>"));
        if (request.method == "PROPFIND" && target == "/principals/bench/")
            return xml(response(target, "<card:addressbook-home-set><d:href>/bench/</d:href>"
                                        "</card:addressbook-home-set>"));
        if (request.method == "PROPFIND" && target == kBookPath)
            return xml(response(target, "<d:sync-token>" + token() + "</d:sync-token>"));
        if (request.method == "REPORT" && target == kBookPath) {
            // An initial sync lists every card (with its text when asked); from the current
            // token, nothing changed.
            if (body.find("sync-collection") != std::string::npos) {
                std::string changes;
                if (body.find("<D:sync-token/>") != std::string::npos)
                    for (int n = 0; n < cards_; ++n)
                        changes +=
                            body.find("address-data") != std::string::npos
                                ? card(n)
                                : response(href(n), "<d:getetag>\"" + tag(n) + "\"</d:getetag>");
                return xml(changes + "<d:sync-token>" + token() + "</d:sync-token>");
            }
            std::string responses;
            for (int n = 0; n < cards_; ++n)
                if (body.find("multiget") == std::string::npos ||
                    body.find("<D:href>" + href(n) + "</D:href>") != std::string::npos)
                    responses += card(n);
            return xml(responses);
        }
        const int n = cardNumber(target);
        if (n < 0)
            return newCard(request);
        if (request.method == "GET")
            return loopback::Response(200, {"ETag: \"" + tag(n) + "\"", "Content-Type: text/vcard"},
                                      benchCardText(n, revisions_[n]));
        if (request.method == "PUT") {
            ++revisions_[n];
            ++changes_;
            return loopback::Response(204, {"ETag: \"" + tag(n) + "\""});
        }
        return loopback::Response(405);
    }

    // A card created at a name of its own: create-only PUT, guarded PUT, GET.
    loopback::Response newCard(const loopback::Request& request) {
        const auto found = created_.find(request.target);
        if (request.method == "PUT") {
            if (found != created_.end() && request.header("If-None-Match"))
                return loopback::Response(412);
            const std::string tag = "new-" + std::to_string(++changes_);
            created_[request.target] = request.body;
            return loopback::Response(found == created_.end() ? 201 : 204,
                                      {"ETag: \"" + tag + "\""});
        }
        if (request.method == "GET" && found != created_.end())
            return loopback::Response(200, {"Content-Type: text/vcard"}, found->second);
        return loopback::Response(404);
    }

    std::string card(int n) {
        return response(href(n), "<d:getetag>\"" + tag(n) + "\"</d:getetag><card:address-data>" +
                                     benchCardText(n, revisions_[n]) + "</card:address-data>");
    }
    static std::string response(const std::string& href, const std::string& prop) {
        return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + prop +
               "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
    }
    static loopback::Response xml(const std::string& responses) {
        return loopback::xmlResponse(
            207, "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:multistatus xmlns:d=\"DAV:\" "
                 "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">" +
                     responses + "</d:multistatus>");
    }
    static std::string href(int n) {
        return kBookPath + std::string("card-") + std::to_string(n) + ".vcf";
    }
    std::string tag(int n) { return std::to_string(n) + "-" + std::to_string(revisions_[n]); }
    std::string token() const { return "sync-" + std::to_string(changes_); }
    int cardNumber(const std::string& target) const {
        const std::string prefix = std::string(kBookPath) + "card-";
        if (target.rfind(prefix, 0) != 0)
            return -1;
        const int n = std::atoi(target.c_str() + prefix.size());
        return n >= 0 && n < cards_ && target == href(n) ? n : -1;
    }

    std::mutex mutex_;
    int cards_;
    std::map<int, int> revisions_;
    std::map<std::string, std::string> created_;
    int changes_ = 0;
};
