#include "Functions/CardDavListing.h"

#include "Functions/CardDavState.h"

#include <utility>

Listing listAddressBook(const std::string& url) {
    Listing listing;
    Query answer = session().cd.get_addressbookitems(url);
    listing.code = handleQuery(answer);
    if (listing.code != ErrorCode::None)
        return listing;
    listing.cards = session().xmlparser.getCardData(std::move(answer.body), url);
    if (!session().xmlparser.lastBodyParsed()) {
        listing.cards.clear();
        listing.code = ErrorCode::Failed;
    }
    return listing;
}

std::string bookSyncToken(const std::string& url) {
    Query answer = session().cd.get_synctoken(url);
    if (handleQuery(answer) != ErrorCode::None)
        return "";
    return session().xmlparser.getSyncToken(std::move(answer.body));
}
