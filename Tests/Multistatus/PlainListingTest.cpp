// The scanner of plain listings against pugixml's document: it reads what the document gives,
// or declines and leaves the batch to the document.
#include "Multistatus/PlainListing.h"
#include "ListedResponseLines.h"
#include "Multistatus/xmlParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string response(const std::string& inside) {
    return "<d:response>" + inside + "</d:response>";
}

const std::string kTop =
    R"(<d:multistatus xmlns:d="DAV:" xmlns:c='urn:ietf:params:xml:ns:carddav'>)";
const std::string kEnd = "</d:multistatus>";
const std::string kOk = "<d:status>HTTP/1.1 200 OK</d:status>";

struct Case {
    const char* what;
    std::string batch;
    bool plain;
};

TEST(PlainListing, ReadsWhatTheDocumentGivesOrDeclines) {
    const std::string card = "<d:href>/b/1.vcf</d:href>";
    const std::vector<Case> cases = {
        {"as most servers write it",
         "<?xml version=\"1.0\"?>\n" + kTop + "\n " +
             response(card +
                      "<d:propstat><d:prop><d:getetag>\"1\"</d:getetag><c:address-data>"
                      "BEGIN:VCARD\r\nUID:1\rEND:VCARD\r\n</c:address-data></d:prop>" +
                      kOk + "</d:propstat>") +
             "\n" + kEnd,
         true},
        {"default namespace, references, the first of each counts",
         R"(<multistatus xmlns="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav"><response>)"
         "<href>/b/a&amp;b&#x20;&#233;&#128512;.vcf</href><href>/second</href>"
         "<propstat><prop><getetag>&quot;x&lt;&gt;&apos;&quot;</getetag><getetag>2</getetag>"
         "<displayname>  </displayname><resourcetype><collection/></resourcetype></prop>"
         "<status>HTTP/1.1 404 Not Found</status></propstat>"
         "<propstat ><prop><getetag>ok</getetag><getcontentlength>12</getcontentlength></prop>"
         "<status>HTTP/1.1 200 OK</status></propstat><status>x</status><status>HTTP/1.1 507 "
         "Insufficient Storage</status></response></multistatus>",
         true},
        {"prefixes bound to nothing, to no namespace, to another",
         R"(<d:multistatus xmlns:d="DAV:" xmlns:e="" xmlns:o="urn:other">)" +
             response(card + "<d:propstat><d:prop><x:getetag>1</x:getetag><o:getetag>2</o:getetag>"
                             "<e:getlastmodified>3</e:getlastmodified><creationdate>4"
                             "</creationdate></d:prop></d:propstat>") +
             "<d:response/><o:response><d:href>/o</d:href></o:response>" + kEnd,
         true},
        {"a CDATA section", kTop + response("<d:href><![CDATA[/b/1.vcf]]></d:href>") + kEnd, false},
        {"a comment", kTop + response(card + "<!-- note -->") + kEnd, false},
        {"an attribute inside", kTop + response("<d:href xml:lang=\"en\">/a</d:href>") + kEnd,
         false},
        {"an entity pugixml keeps as written", kTop + response("<d:href>/a&nbsp;</d:href>") + kEnd,
         false},
        {"a reference to no character", kTop + response("<d:href>/a&#0;&#X41;</d:href>") + kEnd,
         false},
        {"text in pieces", kTop + response("<d:href>/a<x/>b</d:href>") + kEnd, false},
        {"a zero byte", kTop + response(std::string("<d:href>/a\0</d:href>", 16)) + kEnd, false},
        {"cut off", kTop + response(card), false},
        {"tags that do not match", kTop + "<d:response></d:responses>" + kEnd, false},
        {"no multistatus", "<d:error xmlns:d=\"DAV:\"/>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string batch = c.batch;
        std::vector<ListedResponse> responses;
        ASSERT_EQ(readPlainResponses(batch, responses), c.plain);
        if (c.plain)
            EXPECT_EQ(linesOf(responses), parsedLines(c.batch));
        else
            EXPECT_TRUE(batch == c.batch && responses.empty());
    }
}

TEST(PlainListing, ALongListingReadsWholeWhateverShapeEachBatchHas) {
    // Plain batches around one that is not: a card text in CDATA in the middle.
    constexpr int kCards = 1000;
    std::string body = kTop;
    for (int n = 0; n < kCards; ++n) {
        const std::string id = std::to_string(n);
        const std::string text = "BEGIN:VCARD\r\nUID:u" + id + "\r\nNOTE:a &lt; b\r\nEND:VCARD\r\n";
        body += response("<d:href>/b/" + id + ".vcf</d:href><d:propstat><d:prop><d:getetag>\"" +
                         id + "\"</d:getetag><c:address-data>" +
                         (n == kCards / 2 ? "<![CDATA[" + text + "]]>" : text) +
                         "</c:address-data></d:prop>" + kOk + "</d:propstat>");
    }
    body += kEnd;
    ASSERT_GT(body.size(), 3 * DocumentBatches::kBatchBytes);
    for (const std::size_t piece : {std::size_t{4096}, body.size()}) {
        ListingReading reading("http://h/b/", CardTexts::Always, SIZE_MAX);
        for (std::size_t at = 0; at < body.size(); at += piece)
            (void)reading.take(std::string_view(body).substr(at, piece));
        const Read<cardlisting> read = reading.finish();
        ASSERT_EQ(read.form, BodyForm::Multistatus);
        ASSERT_EQ(read.value.cards.size(), std::size_t{kCards});
        for (const int n : {0, kCards / 2, kCards - 1}) {
            const std::string id = std::to_string(n);
            EXPECT_EQ(read.value.cards[n].url, "http://h/b/" + id + ".vcf");
            EXPECT_EQ(read.value.cards[n].uid + read.value.cards[n].etag, "u" + id + id);
            // References stand as written inside CDATA; line ends read as "\n" either way.
            const std::string note = n == kCards / 2 ? "a &lt; b" : "a < b";
            EXPECT_EQ(read.value.texts[n],
                      "BEGIN:VCARD\nUID:u" + id + "\nNOTE:" + note + "\nEND:VCARD\n");
        }
    }
}

} // namespace
