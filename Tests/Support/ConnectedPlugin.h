// The usual set-up of an integration test: a fresh Radicale server holding one empty address
// book, another client on it, and the plug-in (in a fresh state) configured for it and
// connected.
#pragma once

#include "PeerClient.h"
#include "PluginHarness.h"
#include "RadicaleServer.h"

#include <string>

class ConnectedPlugin {
public:
    // `bookName` is the address book's path segment below the user's home.
    explicit ConnectedPlugin(const std::string& bookName = "contacts",
                             RadicaleServer::Options options = {});

    RadicaleServer server;
    PeerClient peer;
    PluginHarness host;
    // "/alice/contacts/" and its absolute URL, as the plug-in lists it.
    std::string bookPath;
    std::string bookUrl;

    // Stores a card as another client would, at bookPath + name + ".vcf"; returns its ETag.
    std::string putCard(const std::string& name, const std::string& vcardText);
    // CardDav_SelectAddressBook on the address book; fails the test unless it succeeds.
    void selectBook();
};

// A vCard 3.0 text with the given UID and FN and any further property lines (each without its
// line end).
std::string makeCard(const std::string& uid, const std::string& fn,
                     const std::string& extraLines = "");
