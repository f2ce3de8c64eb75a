// Fuzzes the multistatus reader with every getter the connection and listing steps use, and
// checks that a card record written as group card text reads back as the same card.
#include "Multistatus/xmlParser.h"
#include "Transport/HrefResolver.h"
#include "vCard/vCardParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void checkRawvCard(const addresscard& card) {
    vCardDataParser parser;
    const vCardMini written = parser.ParseMini(card.getRawvCard());
    if (written.uid != card.uid || written.isgroup != card.isgroup ||
        (card.isgroup && written.members != card.members)) {
        std::fprintf(stderr, "card text does not read back as the record\n%s\n",
                     card.getRawvCard().c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    xmlParser parser;
    for (const std::string requestUrl : {"http://h/", "https://u@h:8443/dav/book/", ""}) {
        parser.getBasePrincipal(body, requestUrl);
        parser.getAddressHome(body);
        parser.getAddressbooks(body, requestUrl);
        for (const addresscard& card : parser.getCardData(body, requestUrl)) {
            checkRawvCard(card);
            if (!sameOrigin(card.url, requestUrl) && !requestUrl.empty())
                std::abort(); // a card on another server was listed
        }
    }
    return 0;
}
