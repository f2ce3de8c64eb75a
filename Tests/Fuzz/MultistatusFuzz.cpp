// Fuzzes the multistatus reader with every getter the connection and listing steps use, and
// checks that a card record written as new card text reads back as the same card, that an
// answer taken in pieces as it arrives reads as when read whole, and that a batch the plain
// listing scanner reads gives what pugixml's document of it gives.
#include "ListedResponseLines.h"
#include "Multistatus/PlainListing.h"
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

// The cards of a listing, as one text to compare.
std::string linesOf(const Read<cardlisting>& read) {
    std::string lines = std::to_string(static_cast<int>(read.form)) +
                        (read.value.truncated ? " truncated\n" : "\n");
    for (std::size_t i = 0; i < read.value.cards.size(); ++i)
        lines += read.value.cards[i].url + " " + read.value.cards[i].uid + " " +
                 read.value.cards[i].etag + " " + read.value.texts[i] + "\n";
    return lines;
}

void checkReadInPieces(const std::string& body, const std::string& requestUrl, std::size_t piece) {
    ListingReading streamed(requestUrl, CardTexts::Always, SIZE_MAX);
    for (std::size_t at = 0; at < body.size(); at += piece)
        if (!streamed.take(std::string_view(body).substr(at, piece)))
            break;
    const std::string inPieces = linesOf(streamed.finish());
    const std::string whole =
        linesOf(xmlParser().getCardData(body, requestUrl, CardTexts::Always, SIZE_MAX));
    if (inPieces != whole) {
        std::fprintf(stderr, "read in pieces of %zu:\n%s\nread whole:\n%s\n", piece,
                     inPieces.c_str(), whole.c_str());
        std::abort();
    }
}

void checkPlainReading(const std::string& body) {
    std::string batch = body;
    std::vector<ListedResponse> responses;
    if (!readPlainResponses(batch, responses)) {
        if (batch != body || !responses.empty())
            std::abort(); // declined, yet the batch was changed
        return;
    }
    const std::string plain = linesOf(responses);
    const std::string parsed = parsedLines(body);
    if (ParsedBody(body).shape() != BodyForm::Multistatus || plain != parsed) {
        std::fprintf(stderr, "plain reading:\n%s\ndocument:\n%s\n", plain.c_str(), parsed.c_str());
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
    checkReadInPieces(body, "http://h/", 1 + (size > 0 ? data[size - 1] % 61 : 0));
    checkPlainReading(body);
    return 0;
}
