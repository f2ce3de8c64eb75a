// Reading sync-collection and multiget answers, and the error bodies that refuse them.
#include "Multistatus/MultistatusResponse.h"
#include "ReadValues.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(answer.changes[0].url, "http://h/book/a.vcf");
    EXPECT_EQ(answer.changes[0].etag, "t1");
    EXPECT_FALSE(answer.changes[0].removed);
    EXPECT_EQ(answer.changes[1].url, "http://h/book/b.vcf");
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

TEST(SyncAnswers, MultigetTextsComeWithTheirTagsOnly) {
    ReadValues parser;
    const std::vector<cardtext> cards = parser.getCardTexts(
        R"(<d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">)"
        R"(<d:response><d:href>/book/gone.vcf</d:href><d:status>HTTP/1.1 404 Not Found</d:status>)"
        R"(</d:response><d:response><d:href>/book/a.vcf</d:href><d:propstat><d:prop>)"
        R"(<d:getetag>"ta"</d:getetag><c:address-data><![CDATA[BEGIN:VCARD)"
        "\r\nUID:a & b\r\nEND:VCARD\r\n"
        R"(]]></c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>)"
        R"(</d:response></d:multistatus>)",
        kBook);
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].url, "http://h/book/a.vcf");
    EXPECT_EQ(cards[0].etag, "ta");
    // XML reads every line end of its text as LF.
    EXPECT_EQ(cards[0].text, "BEGIN:VCARD\nUID:a & b\nEND:VCARD\n");
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
}

TEST(SyncAnswers, StatusLinesGiveTheirCode) {
    EXPECT_EQ(statusCodeOf("HTTP/1.1 507 Insufficient Storage"), 507);
    EXPECT_EQ(statusCodeOf("  HTTP/1.1   404"), 404);
    EXPECT_EQ(statusCodeOf("HTTP/1.1 2000"), 0);
    EXPECT_EQ(statusCodeOf("HTTP/1.1 OK"), 0);
    EXPECT_EQ(statusCodeOf(""), 0);
}

} // namespace
