#include "Functions/CardDavListing.h"

#include "Functions/CardDavState.h"

#include <utility>

Listing listAddressBook(const std::string& url) {
    Listing listing;
    Query answer = plugin_state.cd.get_addressbookitems(url);
    listing.code = handleQuery(answer);
    if (listing.code != ErrorCode::None)
        return listing;
    listing.cards = plugin_state.xmlparser.getCardData(std::move(answer.body), url);
    if (!plugin_state.xmlparser.lastBodyParsed()) {
        listing.cards.clear();
        listing.code = ErrorCode::Failed;
    }
    return listing;
}

std::string bookSyncToken(const std::string& url) {
    Query answer = plugin_state.cd.get_synctoken(url);
    if (handleQuery(answer) != ErrorCode::None)
        return "";
    return plugin_state.xmlparser.getSyncToken(std::move(answer.body));
}
