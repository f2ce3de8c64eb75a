// One response of an address-book listing, as a card is read from it: views of its texts, which
// lie in the batch it came in (or, where the document split a text into pieces, in a buffer the
// reading keeps). Two readers give the same responses of a batch: pugixml's document of it, for
// any answer, and a scanner of the plain shape nearly every server writes (PlainListing), which
// builds no document.
#pragma once

#include "Multistatus/ParsedBody.h"

#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct ListedResponse {
    // The response's first href, as written.
    std::string_view href;
    // The code of the response's own status (the first that gives one); 0 when it has none.
    int status = 0;
    // Whether any propstat holds a prop, whatever its status.
    bool hasProp = false;
    // The text of each property from the first propstat with a 2xx status (or none) that holds
    // it; empty where none does.
    std::string_view displayname;
    std::string_view lastmodified;
    std::string_view creationdate;
    std::string_view etag;
    std::string_view contentlength;
    std::string_view addressData;
};

// The properties a listing reads of each card, and where their texts go.
struct ListedProperty {
    std::string_view ns;
    const char* localName;
    std::string_view ListedResponse::*text;
};
extern const std::array<ListedProperty, 6> kListedProperties;

// The responses of a parsed batch, in document order; the texts a document holds in pieces are
// joined into `joined`, which keeps them while the responses are read.
void readParsedResponses(const ParsedBody& batch, std::vector<ListedResponse>& responses,
                         std::deque<std::string>& joined);
