// Reading sync-collection and multiget answers, and the error bodies that refuse them.
#include "Multistatus/MultistatusResponse.h"
#include "ReadValues.h"

#include <gtest/gtest.h>

#include <array>

namespace {

const std::string kBook = "http://h/book/";

TEST(SyncAnswers, ChangesRemovalsTruncationAndTokenInAnyPrefixStyle) {
    ReadValues parser;
    const syncanswer answer = parser.getSyncChanges(
        R"(<?xml version="1.0"?><ns0:multistatus xmlns:ns0="DAV:">)"
        R"(<ns0:response><ns0:href>/book/a.vcf</ns0:href><ns0:propstat><ns0:prop>)"
        R"(<ns0:getetag>"t1"</ns0:getetag></ns0:prop><ns0:status>HTTP/1.1 200 OK</ns0:status>)"
        R"(</ns0:propstat></ns0:response>)"
        R"(<ns0:response><ns0:href>b.vcf</ns0:href><ns0:status>HTTP/1.1 404 Not Found)"
        R"(</ns0:status></ns0:response>)"
        R"(<ns0:response><ns0:href>http://elsewhere/book/c.vcf</ns0:href><ns0:propstat>)"
        R"(<ns0:prop><ns0:getetag>"x"</ns0:getetag></ns0:prop></ns0:propstat></ns0:response>)"
        R"(<ns0:response><ns0:href>/book/</ns0:href><ns0:status>HTTP/1.1 507 Insufficient)"
        R"( Storage</ns0:status></ns0:response>)"
        R"(<ns0:sync-token>http://h/sync/7</ns0:sync-token></ns0:multistatus>)",
        kBook);
    EXPECT_EQ(answer.token, "http://h/sync/7");
    EXPECT_TRUE(answer.truncated);
    ASSERT_EQ(answer.changes.size(), 2u) << "the card on another server is left out";
    EXPECT_EQ(answer.changes[0].card.url, "http://h/book/a.vcf");
    EXPECT_EQ(answer.changes[0].card.etag, "t1");
    EXPECT_FALSE(answer.changes[0].removed);
    EXPECT_EQ(answer.changes[1].card.url, "http://h/book/b.vcf");
    EXPECT_TRUE(answer.changes[1].removed);
}

TEST(SyncAnswers, TokenOfAPropfindAndNoneWhereThereIsNone) {
    ReadValues parser;
    EXPECT_EQ(parser.getSyncToken(R"(<multistatus xmlns="DAV:"><response><href>/book/</href>)"
                                  R"(<propstat><prop><sync-token>tok</sync-token></prop>)"
                                  R"(<status>HTTP/1.1 200 OK</status></propstat></response>)"
                                  R"(</multistatus>)"),
              "tok");
    EXPECT_EQ(parser.getSyncToken(R"(<multistatus xmlns="DAV:"><response><href>/book/</href>)"
                                  R"(<propstat><prop><sync-token/></prop><status>HTTP/1.1 404 )"
                                  R"(Not Found</status></propstat></response></multistatus>)"),
              "");
    EXPECT_EQ(parser.getSyncChanges("<html>nope</html>", kBook).token, "");
}

// A multiget answer body for cards (href, tag, text), the server's way with CDATA.
std::string multigetAnswer(const std::vector<std::array<std::string, 3>>& cards) {
    std::string body = R"(<d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">)"
                       R"(<d:response><d:href>/book/gone.vcf</d:href>)"
                       R"(<d:status>HTTP/1.1 404 Not Found</d:status></d:response>)";
    for (const auto& [href, etag, text] : cards)
        body += "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop><d:getetag>\"" +
                etag + "\"</d:getetag><c:address-data><![CDATA[" + text +
                "]]></c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                "</d:response>";
    return body + "</d:multistatus>";
}

TEST(SyncAnswers, MultigetCardsAreKnownByTheirTextsKeptWithinTheBudget) {
    ReadValues parser;
    const std::string a = "BEGIN:VCARD\nUID:a & b\nFN:Ada\nEND:VCARD\n";
    const std::string big = "BEGIN:VCARD\nUID:big\nNOTE:" + std::string(100, 'x') + "\nEND:VCARD\n";
    const std::string group = "BEGIN:VCARD\nUID:g\nX-ADDRESSBOOKSERVER-KIND:group\n"
                              "X-ADDRESSBOOKSERVER-MEMBER:urn:uuid:a & b\nEND:VCARD\n";
    const std::string body = multigetAnswer(
        {{"/book/a.vcf", "ta", a}, {"/book/big.vcf", "tb", big}, {"/book/g1", "tg", group}});
    const std::vector<cardtext> cards = parser.getCardTexts(body, kBook);
    ASSERT_EQ(cards.size(), 3u) << "the removed card is no card with a text";
    EXPECT_EQ(cards[0].card.url, "http://h/book/a.vcf");
    EXPECT_EQ(cards[0].card.cardid, "a");
    EXPECT_EQ(cards[0].card.etag, "ta");
    EXPECT_EQ(cards[0].card.uid, "a & b");
    EXPECT_EQ(cards[0].card.fn, "Ada");
    EXPECT_EQ(cards[0].text, a);
    EXPECT_TRUE(cards[2].card.isgroup);
    EXPECT_EQ(cards[2].card.members, std::vector<std::string>{"a & b"});

    // A text beyond what is left of the budget is not kept; the card is known all the same, and
    // a smaller text after it still fits.
    const std::vector<cardtext> within = parser.getCardTexts(body, kBook, a.size() + group.size());
    ASSERT_EQ(within.size(), 3u);
    EXPECT_EQ(within[0].text, a);
    EXPECT_EQ(within[1].text, "");
    EXPECT_EQ(within[1].card.uid, "big");
    EXPECT_EQ(within[2].text, group);

    // The same rule for the texts a sync answer brings.
    std::string sync = body;
    sync.insert(sync.rfind("</d:multistatus>"), "<d:sync-token>t2</d:sync-token>");
    const syncanswer changes = parser.getSyncChanges(sync, kBook, a.size());
    ASSERT_EQ(changes.changes.size(), 4u);
    EXPECT_TRUE(changes.changes[0].removed);
    EXPECT_FALSE(changes.changes[0].read);
    EXPECT_TRUE(changes.changes[1].read);
    EXPECT_EQ(changes.changes[1].text, a);
    EXPECT_TRUE(changes.changes[2].read);
    EXPECT_EQ(changes.changes[2].text, "");
    EXPECT_EQ(changes.changes[2].card.uid, "big");
    EXPECT_EQ(changes.changes[3].card.cardid, "g1");
}

TEST(SyncAnswers, CardTextsLoseOnlyAWrappingOfTheWholeText) {
    ReadValues parser;
    const std::string note = "NOTE:if (a[b[1]]>0) then <![CDATA[x]]>\n";
    const std::string card = "BEGIN:VCARD\nUID:u\n" + note + "END:VCARD\n";
    const std::string escapedNote = "NOTE:if (a[b[1]]&gt;0) then &lt;![CDATA[x]]&gt;\n";
    const std::string escaped = "BEGIN:VCARD\nUID:u\n" + escapedNote + "END:VCARD\n";
    // A CDATA writer splits the "]]>" of the text across two sections.
    const std::string sections = "<![CDATA[BEGIN:VCARD\nUID:u\nNOTE:if (a[b[1]]]]><![CDATA[>0) "
                                 "then <![CDATA[x]]]]><![CDATA[>\nEND:VCARD\n]]>";
    const struct {
        std::string addressData;
        std::string text;
    } cases[] = {
        {escaped, card},
        {sections, card},
        // Escaped once more: the markers arrive as text, wrapping the whole card.
        {" &lt;![CDATA[BEGIN:VCARD\nUID:u\nNOTE:if (a[b[1]]]]&gt;&lt;![CDATA[&gt;0) then "
         "&lt;![CDATA[x]]]]&gt;&lt;![CDATA[&gt;\nEND:VCARD\n]]&gt;\n",
         card},
        // Markers that wrap part of the text only are the card's own.
        {"&lt;![CDATA[" + escaped + "]]&gt;NOTE:after\n", "<![CDATA[" + card + "]]>NOTE:after\n"},
    };
    for (const auto& c : cases) {
        const std::string body = "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:"
                                 "ns:carddav\"><d:response><d:href>/book/u.vcf</d:href><d:propstat>"
                                 "<d:prop><d:getetag>t</d:getetag><c:address-data>" +
                                 c.addressData +
                                 "</c:address-data></d:prop></d:propstat></d:response>"
                                 "</d:multistatus>";
        const std::vector<cardtext> cards = parser.getCardTexts(body, kBook);
        ASSERT_EQ(cards.size(), 1u) << c.addressData;
        EXPECT_EQ(cards[0].text, c.text) << c.addressData;
    }
}

TEST(SyncAnswers, ErrorBodiesNameTheirConditions) {
    const xmlParser parser;
    using Names = std::vector<std::string>;
    EXPECT_EQ(parser.davErrorConditions(R"(<error xmlns="DAV:"><valid-sync-token /></error>)"),
              Names{"valid-sync-token"});
    EXPECT_EQ(parser.davErrorConditions(
                  R"(<D:error xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">)"
                  R"(<D:supported-report/><C:valid-address-data/></D:error>)"),
              (Names{"supported-report", "valid-address-data"}));
    EXPECT_EQ(parser.davErrorConditions(R"(<error xmlns="urn:x"><valid-sync-token/></error>)"),
              Names{});
    EXPECT_EQ(parser.davErrorConditions("Forbidden"), Names{});
    EXPECT_EQ(parser.davErrorConditions(R"(<multistatus xmlns="DAV:"/>)"), Names{});

    // The reason for a person: SabreDAV's message on one line, else the conditions, else its
    // exception.
    const std::string sabre = R"(<d:error xmlns:d="DAV:" xmlns:s="http://sabredav.org/ns">)";
    EXPECT_EQ(parser.davErrorReason(sabre + "<s:exception>PreconditionFailed</s:exception>"
                                            "<s:message>\n  An If-Match header was\n  specified. "
                                            "</s:message><s:header>If-Match</s:header></d:error>"),
              "An If-Match header was specified.");
    EXPECT_EQ(parser.davErrorReason(sabre +
                                    "<s:exception>UnsupportedLimit</s:exception><s:message/>"
                                    "<d:number-of-matches-within-limits/></d:error>"),
              "number-of-matches-within-limits");
    EXPECT_EQ(parser.davErrorReason(sabre + "<s:exception>InsufficientStorage</s:exception>"
                                            "<s:message/></d:error>"),
              "InsufficientStorage");
    EXPECT_EQ(parser.davErrorReason(R"(<error xmlns="DAV:"><valid-sync-token /></error>)"),
              "valid-sync-token");
    EXPECT_EQ(parser.davErrorReason("<p>Forbidden</p>"), "");
}

TEST(SyncAnswers, StatusLinesGiveTheirCode) {
    EXPECT_EQ(statusCodeOf("HTTP/1.1 507 Insufficient Storage"), 507);
    EXPECT_EQ(statusCodeOf("  HTTP/1.1   404"), 404);
    EXPECT_EQ(statusCodeOf("HTTP/1.1 2000"), 0);
    EXPECT_EQ(statusCodeOf("HTTP/1.1 OK"), 0);
    EXPECT_EQ(statusCodeOf(""), 0);
}

} // namespace
