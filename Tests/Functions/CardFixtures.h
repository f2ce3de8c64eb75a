// Set-ups shared by the card function tests: cards stored behind a real server's back, and the
// plug-in pointed at the loopback server with canned address-book listings.
#pragma once

#include "BookOnServer.h"
#include "ConnectedPlugin.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"

#include <string>
#include <vector>

// A one-pixel PNG in base64, as card photos carry it.
inline const char* const kPhotoPng = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR4nGNgY"
                                     "GD4DwABBAEAwS2OUAAAAABJRU5ErkJggg==";

// Ada's card as another client writes it: a TYPE list, components, a folded NOTE line and a photo.
std::string adaLovelaceCard();

// Writes a card file straight into Radicale's storage of the plug-in's address book, as a
// client that bypasses the server's checks would have left it (no UID, a UID used twice).
void storeCardFile(const ConnectedPlugin& plugin, const std::string& fileName,
                   const std::string& vcardText);

// Splits a list result at its carriage returns (each entry is followed by one).
std::vector<std::string> listEntries(const std::string& list);
// The entries of a list result in byte order, where a server's order is its own.
std::vector<std::string> sortedEntries(const std::string& list);

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A group card as Apple's clients write it, holding the cards `members` (UIDs).
std::string groupCard(const std::string& uid, const std::string& fn,
                      const std::vector<std::string>& members);

// Ada and Bob, and the group Family (UID grp-a) holding Ada, stored as another client would.
void storeAdaBobAndFamily(BookOnServer& book);

// The tab-separated columns of one line of a list result.
std::vector<std::string> tabColumns(const std::string& line);

// One card of a canned listing.
struct ListedCard {
    std::string href; // absolute path
    std::string etag; // without quotes
    std::string vcard;
};

// A REPORT answer listing `cards` in the usual prefixed style, or with every element declaring
// its namespace itself (`perElementNamespaces`), each card with the properties a listing asks for
// alone, as a server that honours partial address-data sends them.
std::string listingAnswer(const std::vector<ListedCard>& cards, bool perElementNamespaces = false);

using loopback::xmlResponse;

// The answer to the sync-token PROPFIND a selection sends before its listing.
loopback::Response syncTokenAnswer(const std::string& token);

// The plug-in, freshly reset, configured for the loopback server and connected to the home
// "/home/" without sending a request, so that each request a test sees is the function's own.
class LoopbackPlugin {
public:
    LoopbackPlugin();

    // Selects "/home/book/" with the canned listing of `cards`; the requests are then forgotten.
    void selectBook(const std::vector<ListedCard>& cards);
    std::string bookUrl() const { return server.baseUrl() + "/home/book/"; }

    loopback::HttpServer server;
    PluginHarness host;
};
