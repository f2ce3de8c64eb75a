// Long answers read as they arrive: in pieces of any size they read as when read whole, and an
// answer cut off anywhere, or malformed after its first batches, gives nothing at all.
#include "Multistatus/BatchLanes.h"
#include "Multistatus/xmlParser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <thread>

namespace {

const std::string kBook = "http://h/book/";
// Enough for a few batches.
constexpr int kResponses = 600;

// A listing of several batches, with the markup that could mislead a reader looking for where
// responses end: a document type, comments and instructions holding tags, '>' in an attribute
// value, card texts that hold "</D:response>" escaped and in CDATA, an element of its own between
// responses.
std::string trickyListing(int responses) {
    std::string body = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- a <comment> -->\n"
                       "<!DOCTYPE D:multistatus [<!ENTITY x \"]>\"><!-- it's ]> -->]>\n"
                       "<D:multistatus xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">";
    for (int n = 0; n < responses; ++n) {
        const std::string id = std::to_string(n);
        const std::string note = n % 2 == 0 ? "<![CDATA[NOTE:</D:response>]]>"
                                            : "NOTE:&lt;/D:response&gt;";
        body += "<D:response><D:href>/book/" + id + ".vcf?a=1&amp;b=2</D:href><D:propstat>"
                "<D:prop><D:getetag>\"" + id + "\"</D:getetag><C:address-data note='a>b/'>"
                "BEGIN:VCARD\nUID:u" + id + "\nFN:P " + id + "\n" + note + "\nEND:VCARD\n"
                "</C:address-data></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
                "</D:response>\n";
        if (n % 50 == 0)
            body += "<?pi <D:response>?><!-- </D:multistatus> --><D:responsedescription/>";
    }
    return body + "</D:multistatus>\n<!-- after -->\n";
}

Read<cardlisting> readInPieces(const std::string& body, std::size_t piece) {
    ListingReading reading(kBook, CardTexts::Always, SIZE_MAX);
    for (std::size_t at = 0; at < body.size(); at += piece)
        if (!reading.take(std::string_view(body).substr(at, piece)))
            break;
    return reading.finish();
}

// Every card of a listing as one line: what a test compares.
std::vector<std::string> linesOf(const cardlisting& listing) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < listing.cards.size(); ++i)
        lines.push_back(listing.cards[i].uid + " " + listing.cards[i].url + " " +
                        listing.cards[i].etag + " " + listing.texts[i]);
    return lines;
}

TEST(StreamedAnswer, ReadsTheSameInPiecesOfAnySize) {
    const std::string body = trickyListing(kResponses);
    ASSERT_GT(body.size(), 2 * DocumentBatches::kBatchBytes);
    const Read<cardlisting> whole =
        xmlParser().getCardData(body, kBook, CardTexts::Always, SIZE_MAX);
    ASSERT_EQ(whole.form, BodyForm::Multistatus);
    ASSERT_EQ(whole.value.cards.size(), std::size_t{kResponses});
    EXPECT_EQ(whole.value.cards[599].url, "http://h/book/599.vcf?a=1&b=2");
    EXPECT_EQ(whole.value.texts[598], "BEGIN:VCARD\nUID:u598\nFN:P 598\nNOTE:</D:response>\n"
                                      "END:VCARD\n");
    for (const std::size_t piece : {1, 7, 64, 4096, 70000}) {
        const Read<cardlisting> read = readInPieces(body, piece);
        EXPECT_EQ(read.form, BodyForm::Multistatus) << piece;
        EXPECT_EQ(linesOf(read.value), linesOf(whole.value)) << piece;
    }
}

TEST(StreamedAnswer, AnAnswerCutAnywhereGivesNothing) {
    std::string body = trickyListing(kResponses);
    // Past the first batches, which were read and taken up before the cut.
    const std::size_t late = body.size() * 3 / 4;
    const std::size_t end = body.rfind("</D:multistatus>");
    const struct {
        const char* where;
        std::size_t at;
    } cuts[] = {
        {"inside the prolog", body.find("DOCTYPE") + 3},
        {"inside a tag", body.find("<D:propstat>", late) + 4},
        {"inside an attribute value", body.find("'a>", late) + 2},
        {"between responses", body.find("</D:response>", late) + 13},
        {"inside a card text", body.find("FN:P", late) + 2},
        {"inside a CDATA section", body.find("<![CDATA[", late) + 12},
        {"inside a comment", body.find("<!-- </D:multistatus>", late) + 6},
        {"before the closing multistatus", end},
        {"inside the closing multistatus", end + 5},
    };
    for (const auto& cut : cuts) {
        const Read<cardlisting> read = readInPieces(body.substr(0, cut.at), 4096);
        EXPECT_EQ(read.form, BodyForm::Unreadable) << cut.where;
        EXPECT_TRUE(read.value.cards.empty() && read.value.texts.empty()) << cut.where;
    }
    // Whatever follows the multistatus does not count.
    EXPECT_EQ(readInPieces(body.substr(0, end + 20), 4096).value.cards.size(),
              std::size_t{kResponses});

    body.replace(body.find("</D:prop>", late), 9, "</D:prp>");
    const Read<cardlisting> malformed = readInPieces(body, 4096);
    EXPECT_EQ(malformed.form, BodyForm::Unreadable);
    EXPECT_TRUE(malformed.value.cards.empty());
}

TEST(StreamedAnswer, PartsAreTakenInOrderAndAFailedReadComesOut) {
    std::vector<std::string> taken;
    BatchLanes lanes(
        [](std::string batch) {
            if (batch == "<n>20</n>")
                throw std::runtime_error("unreadable");
            // Parts read at different speeds on the two threads.
            std::this_thread::sleep_for(std::chrono::microseconds(batch.size() % 3 * 200));
            return std::make_unique<BatchPart>(std::move(batch));
        },
        [&](std::unique_ptr<BatchPart> part) {
            taken.push_back(part->parse().top().element().child_value());
        });
    std::vector<std::string> submitted;
    for (int n = 0; n < 20; ++n) {
        submitted.push_back(std::to_string(n));
        lanes.submit("<n>" + submitted.back() + "</n>");
    }
    lanes.drain();
    EXPECT_EQ(taken, submitted);
    EXPECT_THROW(
        {
            lanes.submit("<n>20</n>");
            lanes.submit("<n>21</n>");
            lanes.drain();
        },
        std::runtime_error);
}

} // namespace
