// A card store behind the loopback server, for tests that check what a server holds after the
// plug-in wrote to it: GET, PUT (with If-Match and If-None-Match honoured), DELETE and the getetag
// PROPFIND on stored resources, each answered as a CardDAV server would. Other requests, and
// requests a test scripts with `failNext`, get the scripted answer instead.
#pragma once

#include "LoopbackHttpServer.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class CardStore {
public:
    // Installs itself as the handler of `server` (which must outlive it).
    explicit CardStore(loopback::HttpServer& server);

    // Stores `text` at `path` ("/alice/book/g1-file.vcf") under the tag `tag` (no quotes).
    void put(const std::string& path, const std::string& text, const std::string& tag);
    // The stored text, empty when nothing is stored there.
    std::string text(const std::string& path) const;
    std::string tag(const std::string& path) const;
    bool holds(const std::string& path) const;

    // The next request with this method and path gets `answer` instead (one use each, in
    // order).
    void failNext(const std::string& method, const std::string& path, loopback::Response answer);
    // Runs before a PUT to `path` is judged, once: another client changing the card in between.
    void beforeNextPut(const std::string& path, std::function<void()> change);

private:
    struct Resource {
        std::string text;
        std::string tag;
    };

    loopback::Response answer(const loopback::Request& request);
    loopback::Response store(const loopback::Request& request);

    mutable std::mutex mutex_;
    std::map<std::string, Resource> resources_;
    std::vector<std::pair<std::string, loopback::Response>> failures_; // "METHOD path"
    std::map<std::string, std::function<void()>> beforePut_;
    int nextTag_ = 1;
};
