// Fuzzes the multistatus reader with every getter the connection and listing steps use, and
// checks that a card record written as new card text reads back as the same card.
#include "Multistatus/xmlParser.h"
#include "Transport/HrefResolver.h"
#include "vCard/NewCardText.h"
#include "vCard/vCardParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void checkNewCardText(const addresscard& card) {
    const std::string text = newCardText(card.uid, card.fn, card.isgroup, card.members);
    const vCardMini written = readCardSummary(text);
    if (written.uid != card.uid || written.isgroup != card.isgroup ||
        (card.isgroup && written.members != card.members)) {
        std::fprintf(stderr, "card text does not read back as the record\n%s\n", text.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    xmlParser parser;
    for (const std::string requestUrl : {"http://h/", "https://u@h:8443/dav/book/", ""}) {
        (void)parser.getBasePrincipal(body, requestUrl);
        (void)parser.getAddressHome(body);
        (void)parser.getAddressbooks(body, requestUrl);
        (void)parser.getSyncChanges(body, requestUrl, size / 2);
        (void)parser.getCardTexts(body, requestUrl, size / 2);
        (void)parser.davErrorConditions(body);
        (void)parser.davErrorReason(body);
        for (const addresscard& card : parser.getCardData(body, requestUrl).value.cards) {
            checkNewCardText(card);
            if (!sameOrigin(card.url, requestUrl) && !requestUrl.empty())
                std::abort(); // a card on another server was listed
        }
    }
    return 0;
}
