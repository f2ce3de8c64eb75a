// A loopback stand-in for one hosted CardDAV provider, answering over HTTPS on 127.0.0.1 as its
// Shape says: discovery from what the user types (the root, /.well-known/carddav, the principal,
// the home, on a partition host where the provider keeps the account there), the address books
// with their names and privileges, every card request of each book (a CardStore per book, with
// the provider's card habits), pictures by URL, the provider's credentials and error bodies.
// It keeps real state, so a test asserts what the provider holds, and each host records every
// request with its headers, so a test asserts where the credentials went.
#pragma once

#include "CardStore.h"
#include "LoopbackHttpServer.h"
#include "ProviderShape.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace providers {

class ProviderServer {
public:
    explicit ProviderServer(Shape shape);

    const Shape& shape() const { return shape_; }
    // "https://127.0.0.1:PORT" of a host, without a trailing slash.
    std::string baseUrl(Host host) const;
    std::string url(Host host, const std::string& path) const { return baseUrl(host) + path; }
    // What the user types into the server URL.
    std::string typedUrl() const { return url(Host::Typed, shape_.typedPath); }
    std::string homeUrl() const { return url(shape_.homeHost, shape_.home); }
    std::string bookUrl(std::size_t book = 0) const;

    // The cards of a book as the provider holds them now.
    CardStore& book(std::size_t book = 0) { return *books_.at(book); }
    // Stores `text` at `path` of a book as another client would, under a new tag.
    void putAsAnotherClient(const std::string& path, const std::string& text, std::size_t book = 0);
    // The path of the card with this UID in a book, if the provider holds one.
    std::optional<std::string> pathOf(const std::string& uid, std::size_t book = 0) const;
    // A seed's text as the provider holds it: %PARTITION% and %CONTENT% replaced.
    std::string seedText(const Seed& seed) const;

    // Every request the host received, in order.
    std::vector<loopback::Request> requests(Host host) const;
    // Whether the host is one of the provider's own (the typed host and a partition host).
    static bool isProvidersOwn(Host host) { return host != Host::Content; }
    // The hosts the shape uses.
    std::vector<Host> hosts() const;
    // The picture every URL photo of the shape serves.
    static const std::string& pictureBytes();

private:
    loopback::Response answer(Host host, const loopback::Request& request);
    loopback::Response discoveryAnswer(const loopback::Request& request) const;
    bool authorized(const loopback::Request& request) const;
    loopback::Response refusal() const;
    loopback::Response withErrorBody(loopback::Response response,
                                     const loopback::Request& request) const;
    loopback::Response bookAnswer(std::size_t book, const loopback::Request& request);
    std::string addressBooks() const;
    // A book's response with `properties` and the account's privileges on it.
    std::string bookResponse(const Book& book, std::string properties) const;

    Shape shape_;
    std::map<Host, std::unique_ptr<loopback::HttpServer>> hosts_;
    std::vector<std::unique_ptr<CardStore>> books_;
    std::string nonce_;      // of the digest challenges
    int otherWrites_ = 1000; // numbers the tags of other clients' writes
};

} // namespace providers
