#include "BookOnServer.h"

#include "Functions/Sessions.h"
#include "PluginStateReset.h"

#include <algorithm>
#include <fstream>

BookOnServer::BookOnServer(ServerKind kind)
    : kind(kind),
      radicale(kind == ServerKind::radicale ? std::make_unique<ConnectedPlugin>() : nullptr),
      wire(radicale ? nullptr : std::make_unique<loopback::HttpServer>()),
      store(wire ? std::make_unique<CardStore>(*wire) : nullptr),
      loopbackHost(wire ? std::make_unique<PluginHarness>() : nullptr),
      host(radicale ? radicale->host : *loopbackHost),
      baseUrl(radicale ? radicale->server.baseUrl() : wire->baseUrl()),
      bookPath("/alice/contacts/"), bookUrl(baseUrl + bookPath) {
    if (store) {
        store->serveBook(bookPath);
        newSession();
    }
}

BookOnServer::~BookOnServer() = default;

CallResult BookOnServer::call(const std::string& function, const std::vector<Arg>& args) {
    return host.call(function, args);
}

void BookOnServer::select() {
    const CallResult selected = call("CardDav_SelectAddressBook", {Arg::text(bookUrl)});
    ASSERT_EQ(selected.error, 0);
    ASSERT_EQ(selected.number(), 1);
    if (wire)
        wire->clearRequests();
}

std::string BookOnServer::path(const std::string& name) const {
    if (name.rfind(baseUrl, 0) == 0)
        return name.substr(baseUrl.size());
    return name.rfind('/') == std::string::npos ? bookPath + name + ".vcf" : name;
}

std::string BookOnServer::put(const std::string& name, const std::string& text) {
    if (store) {
        const std::string tag = "p" + std::to_string(++puts_);
        store->put(path(name), text, tag);
        return tag;
    }
    const PeerResponse response = radicale->peer.put(path(name), text);
    EXPECT_TRUE(response.status == 201 || response.status == 204)
        << response.status << " " << response.body;
    return response.etag.size() < 2 ? "" : response.etag.substr(1, response.etag.size() - 2);
}

void BookOnServer::plant(const std::string& name, const std::string& text) {
    if (store) {
        put(name, text);
        return;
    }
    const std::string file =
        radicale->server.folder() + "/collections/collection-root" + path(name);
    std::ofstream out(file, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good()) << file;
}

void BookOnServer::remove(const std::string& name) {
    if (store)
        store->remove(path(name));
    else
        EXPECT_EQ(radicale->peer.remove(path(name)).status, 200) << name;
}

std::string BookOnServer::text(const std::string& name) const {
    if (store)
        return store->text(path(name));
    const PeerResponse response = radicale->peer.get(path(name));
    return response.status == 200 ? response.body : "";
}

std::string BookOnServer::tag(const std::string& name) const {
    if (store)
        return store->tag(path(name));
    const std::string etag = radicale->peer.get(path(name)).etag;
    return etag.size() < 2 ? "" : etag.substr(1, etag.size() - 2);
}

bool BookOnServer::holds(const std::string& name) const {
    return store ? store->holds(path(name)) : radicale->peer.get(path(name)).status == 200;
}

std::vector<std::string> BookOnServer::names() const {
    std::vector<std::string> found;
    const auto add = [&](const std::string& path) {
        if (path.rfind(bookPath, 0) == 0 && path.size() > bookPath.size())
            found.push_back(path.substr(bookPath.size()));
    };
    if (store) {
        for (const auto& [path, text] : store->texts())
            add(path);
        return found;
    }
    const std::string listing = radicale->peer.request("PROPFIND", bookPath, "", {"Depth: 1"}).body;
    for (std::size_t at = listing.find("<href>"); at != std::string::npos;
         at = listing.find("<href>", at)) {
        at += 6;
        add(listing.substr(at, listing.find("</href>", at) - at));
    }
    std::sort(found.begin(), found.end());
    return found;
}

void BookOnServer::createBook(const std::string& path) {
    if (radicale) {
        ASSERT_EQ(radicale->peer.createAddressBook(path, "Other").status, 201);
    }
}

void BookOnServer::stopServer() {
    if (radicale)
        radicale->server.stop();
    else
        wire.reset();
}

void BookOnServer::newSession() {
    resetPluginState();
    call("CardDav_SetServer", {Arg::text(baseUrl)});
    if (radicale) {
        call("CardDav_SetAuth", {Arg::text("basic"), Arg::text(radicale->server.user()),
                                 Arg::text(radicale->server.password())});
        ASSERT_EQ(call("CardDav_Connect").error, 0);
        return;
    }
    // What a connection leaves, without its requests.
    session().connected = true;
    session().root_address_url = baseUrl + "/alice/";
}

std::string BookOnServer::methods() {
    if (!wire)
        return "";
    std::string list;
    for (const loopback::Request& request : wire->requests())
        list += request.method + " ";
    wire->clearRequests();
    return list;
}
