// One scenario, two servers: the plug-in (in a fresh state) connected and an empty address book
// "/alice/contacts/" on either the loopback card store or Radicale, with one way to put cards as
// another client would and to read what the server holds. What only the loopback server can
// show (the requests the plug-in sent, answers scripted to fail) is there through `wire` and
// `store`, which are null on Radicale.
//
//     class Cards : public OnBothServers {};
//     TEST_P(Cards, X) { book.put("ada", makeCard("uid-ada", "Ada")); book.select(); ... }
//     INSTANTIATE_ON_BOTH_SERVERS(Cards);   // "Loopback/Cards.X/0" and "Radicale/Cards.X/0"
#pragma once

#include "CardStore.h"
#include "ConnectedPlugin.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

enum class ServerKind { loopback, radicale };

// Names the server in the tests' names ("Radicale/Cards.X/radicale").
inline void PrintTo(ServerKind kind, std::ostream* out) {
    *out << (kind == ServerKind::loopback ? "loopback" : "radicale");
}

class BookOnServer {
public:
    explicit BookOnServer(ServerKind kind);
    ~BookOnServer();
    BookOnServer(const BookOnServer&) = delete;
    BookOnServer& operator=(const BookOnServer&) = delete;

    CallResult call(const std::string& function, const std::vector<Arg>& args = {});
    // CardDav_SelectAddressBook on the book; fails the test unless it succeeds. The loopback
    // server then forgets the selection's requests.
    void select();

    // `name` is a card of the book ("ada": bookPath + "ada.vcf"), a path or a URL.
    std::string path(const std::string& name) const;
    // Stores `text` at `name` as another client would; gives the new tag (without quotes).
    std::string put(const std::string& name, const std::string& text);
    // Leaves `text` at `name` without a request, as a client that bypasses the server's checks
    // would have, and quickly.
    void plant(const std::string& name, const std::string& text);
    void remove(const std::string& name);
    // What the server holds at `name`: the text ("" when nothing), the tag without quotes.
    std::string text(const std::string& name) const;
    std::string tag(const std::string& name) const;
    bool holds(const std::string& name) const;
    // The names of the resources the book holds, in byte order.
    std::vector<std::string> names() const;
    // Makes another address book below the home (on the loopback server, only its cards exist).
    void createBook(const std::string& path);
    // Stops the server now, as one going down in the middle of a script.
    void stopServer();
    // What a new FileMaker session has: nothing known, the settings of its own, a connection.
    void newSession();

    // The loopback side: the methods of the requests since the last call, one blank after each.
    std::string methods();

    const ServerKind kind;
    std::unique_ptr<ConnectedPlugin> radicale;
    std::unique_ptr<loopback::HttpServer> wire;
    std::unique_ptr<CardStore> store;
    std::unique_ptr<PluginHarness> loopbackHost;
    PluginHarness& host;
    std::string baseUrl;  // "http://127.0.0.1:PORT"
    std::string bookPath; // "/alice/contacts/"
    std::string bookUrl;

private:
    int puts_ = 0;
};

class OnBothServers : public ::testing::TestWithParam<ServerKind> {
protected:
    CallResult call(const std::string& function, const std::vector<Arg>& args = {}) {
        return book.call(function, args);
    }

    BookOnServer book{GetParam()};
};

#define INSTANTIATE_ON_BOTH_SERVERS(suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(Loopback, suite, ::testing::Values(ServerKind::loopback));            \
    INSTANTIATE_TEST_SUITE_P(Radicale, suite, ::testing::Values(ServerKind::radicale))
