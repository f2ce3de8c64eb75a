// The bytes each CardDAV operation puts on the wire, checked on the loopback server.
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"
#include "Transport/EntityTag.h"
#include "Transport/HrefResolver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

const char* const kXmlType = "Content-Type: text/xml; charset=utf-8";
const char* const kAcceptXml = "Accept:  text/xml";

class CardDavRequests : public ::testing::Test {
protected:
    CardDavRequests() { client.set_baseurl(server.baseUrl() + "/"); }

    std::string url(const std::string& path) const { return server.baseUrl() + path; }

    // The header lines that the request itself chose: libcurl's own Host, "Accept: */*",
    // Content-Length and Expect lines left out.
    static Lines ownLines(const loopback::Request& request) {
        Lines own;
        for (const std::string& line : request.headerLines)
            if (line.rfind("Host: ", 0) != 0 && line != "Accept: */*" &&
                line.rfind("Content-Length: ", 0) != 0 && line.rfind("Expect: ", 0) != 0)
                own.push_back(line);
        return own;
    }

    loopback::HttpServer server;
    CardDavClient client;
};

TEST_F(CardDavRequests, PrincipalDiscoveryAsksTheServerRoot) {
    client.get_baseprincipal(url("/"));
    auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PROPFIND / HTTP/1.1");
    EXPECT_EQ(ownLines(request), (Lines{kXmlType, kAcceptXml, "Depth:\t1"}));
    EXPECT_EQ(request.body, "<?xml version='1.0' encoding='utf-8'?><propfind xmlns='DAV:'>"
                            "<allprop/></propfind>");
    EXPECT_EQ(request.header("Content-Length"), std::to_string(request.body.size()));

    client.get_userprincipal(url("/"));
    request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PROPFIND / HTTP/1.1");
    EXPECT_EQ(ownLines(request), (Lines{kXmlType, kAcceptXml, "Depth:\t0"}));
    EXPECT_EQ(request.body, "<?xml version=\"1.0\" encoding=\"utf-8\" ?><D:propfind "
                            "xmlns:D=\"DAV:\"><D:prop><D:current-user-principal/></D:prop>"
                            "</D:propfind>");
}

TEST_F(CardDavRequests, HomeDiscoveryAndListingBodies) {
    client.get_addressbookurl(url("/principals/alice/"));
    auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PROPFIND /principals/alice/ HTTP/1.1");
    EXPECT_EQ(ownLines(request), (Lines{kXmlType, kAcceptXml, "Depth:\t1"}));
    EXPECT_EQ(request.body,
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?> <D:propfind xmlns:D=\"DAV:\" "
              "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"> <D:prop> <D:getetag/> "
              "<C:addressbook-home-set/> <C:principal-address/> <D:displayname/> </D:prop> "
              "</D:propfind>");

    client.get_addressbookitems(url("/alice/contacts/"));
    request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "REPORT /alice/contacts/ HTTP/1.1");
    EXPECT_EQ(ownLines(request), (Lines{kXmlType, kAcceptXml, "Depth:\t1"}));
    EXPECT_EQ(request.body,
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><C:addressbook-query xmlns:D=\"DAV:\" "
              "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:prop><D:getetag/><D:displayname/>"
              "<D:creationdate/><D:getlastmodified/><D:getcontenttype/><D:getcontentlength/>"
              "<C:address-data><C:prop name=\"UID\"/><C:prop name=\"FN\"/>"
              "<C:prop name=\"X-ADDRESSBOOKSERVER-KIND\"/>"
              "<C:prop name=\"X-ADDRESSBOOKSERVER-MEMBER\"/><C:prop name=\"KIND\"/>"
              "<C:prop name=\"MEMBER\"/></C:address-data></D:prop>"
              "<C:filter/></C:addressbook-query>");
}

TEST_F(CardDavRequests, AddressBookListAsksForNamesAndPrivileges) {
    client.get_addressbooks(url("/alice/"));
    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PROPFIND /alice/ HTTP/1.1");
    EXPECT_EQ(ownLines(request), (Lines{kXmlType, kAcceptXml, "Depth:\t1"}));
    // The privileges are computed: an allprop answer need not hold them.
    EXPECT_EQ(request.body,
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><D:propfind xmlns:D=\"DAV:\"><D:prop>"
              "<D:resourcetype/><D:displayname/><D:getlastmodified/>"
              "<D:current-user-privilege-set/></D:prop></D:propfind>");
}

TEST_F(CardDavRequests, GetAsksForAVcardWithOneHeaderLine) {
    server.enqueue({200, {"ETag: \"7-a\"", "Content-Type: text/vcard"}, "BEGIN:VCARD\r\n"});
    const Query answer = client.get_vcard(url("/book/card"));
    auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "GET /book/card HTTP/1.1");
    EXPECT_EQ(request.headerLines, (Lines{"Host: 127.0.0.1:" + std::to_string(server.port()),
                                          "Accept: text/vcard, */*;q=0.5"}));
    EXPECT_EQ(request.body, "");
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "BEGIN:VCARD\r\n");
    EXPECT_NE(answer.headers.find("ETag: \"7-a\"\r\n"), std::string::npos);

    // A card is fetched where the server keeps it, whatever its resource name.
    for (const char* target : {"/book/card.vcf", "/book/n1.card", "/book/card.VCF"}) {
        client.get_vcard(url(target));
        EXPECT_EQ(server.lastRequest().target, target);
    }
}

TEST_F(CardDavRequests, EtagLookupIsAPropfindOfTheCard) {
    client.get_etag(url("/book/card.vcf"));
    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PROPFIND /book/card.vcf HTTP/1.1");
    EXPECT_EQ(ownLines(request), (Lines{kXmlType, kAcceptXml, "Depth:\t0"}));
    EXPECT_EQ(request.body, "<?xml version=\"1.0\" encoding=\"utf-8\" ?><D:propfind "
                            "xmlns:D=\"DAV:\"><D:prop><D:getetag/></D:prop></D:propfind>");
}

TEST_F(CardDavRequests, PutIsCreateOnlyWithoutTagAndConditionalWithOne) {
    const std::string card = "BEGIN:VCARD\r\nFN:J\xc3\xb6rg\r\nEND:VCARD\r\n";
    client.save_vcard(url("/book/new"), card, "");
    auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PUT /book/new HTTP/1.1");
    EXPECT_EQ(ownLines(request),
              (Lines{"Content-Type: text/vcard; charset=utf-8", "If-None-Match:\t*"}));
    EXPECT_EQ(request.body, card);

    client.save_vcard(url("/book/a.vcf"), card, "3-abc");
    request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "PUT /book/a.vcf HTTP/1.1");
    EXPECT_EQ(ownLines(request),
              (Lines{"Content-Type: text/vcard; charset=utf-8", "If-Match: \"3-abc\""}));
    EXPECT_EQ(request.body, card);

    client.save_vcard(url("/book/a.vcf"), card, "W/x");
    EXPECT_EQ(server.lastRequest().header("If-Match"), "W/\"x\"");
}

TEST(EntityTag, QuotedOnceForIfMatch) {
    EXPECT_EQ(quotedEntityTag("abc"), "\"abc\"");
    EXPECT_EQ(quotedEntityTag("W/x"), "W/\"x\"");
    EXPECT_EQ(quotedEntityTag("\"abc\""), "\"abc\"");
    EXPECT_EQ(quotedEntityTag("W/\"x\""), "W/\"x\"");
    // A tag cannot end the header line and add lines of its own.
    EXPECT_EQ(quotedEntityTag("a\r\nX-Evil: 1"), "\"aX-Evil: 1\"");
}

TEST(EntityTag, StoredAlikeFromHeaderOrXml) {
    struct Case {
        const char* raw;
        const char* stored;
        const char* quoted; // quotedEntityTag of the stored tag
    };
    const Case cases[] = {
        {"\"abc\"", "abc", "\"abc\""},
        {" \"abc\"\r\n", "abc", "\"abc\""},      // an ETag header's value
        {"\n\t\t\"abc\"\n\t", "abc", "\"abc\""}, // a getetag element's text
        {"W/\"x\"", "W/x", "W/\"x\""},
        {" W/\"3-a b\"\t", "W/3-a b", "W/\"3-a b\""},
        {"abc", "abc", "\"abc\""},         // unquoted, as some servers write it
        {"\"W/x\"", "\"W/x\"", "\"W/x\""}, // strong: not the weak W/"x"
        {" \r\n", "", "\"\""},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(storedEntityTag(test.raw), test.stored) << test.raw;
        EXPECT_EQ(quotedEntityTag(storedEntityTag(test.raw)), test.quoted) << test.raw;
    }
}

TEST_F(CardDavRequests, DeleteSendsNoHeaderLinesOrBody) {
    client.delete_vcard(url("/book/a.vcf"));
    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine, "DELETE /book/a.vcf HTTP/1.1");
    EXPECT_EQ(ownLines(request), Lines{});
    EXPECT_EQ(request.body, "");
}

TEST_F(CardDavRequests, RequestsSentTogetherKeepTheirOrderOnAFewKeptConnections) {
    server.setHandler([](const loopback::Request& request) {
        loopback::Response answer(201, {"ETag: \"" + request.target + "\""});
        // The later requests answered sooner: the answers still come back in request order.
        answer.delay = std::chrono::milliseconds(request.target.size() % 3 * 20);
        return answer;
    });
    std::vector<HttpRequest> writes;
    for (int n = 0; n < 12; ++n)
        writes.push_back(CardDavClient::save_request(url("/book/" + std::to_string(n) + ".vcf"),
                                                     "BEGIN:VCARD\r\nEND:VCARD\r\n", ""));
    writes.push_back(CardDavClient::delete_request(url("/book/gone.vcf"), "t"));
    const std::vector<Query> answers = client.query_all(writes);
    ASSERT_EQ(answers.size(), writes.size());
    for (std::size_t n = 0; n < writes.size(); ++n) {
        EXPECT_EQ(answers[n].url, writes[n].url);
        EXPECT_NE(answers[n].headers.find(pathOf(writes[n].url)), std::string::npos);
    }
    EXPECT_EQ(server.requestCount(), writes.size()) << "each sent once";
    // They arrive in any order.
    for (const loopback::Request& request : server.requests()) {
        if (request.method == "DELETE") {
            EXPECT_EQ(request.header("If-Match"), "\"t\"");
        }
    }
    const int connections = server.connectionCount();
    EXPECT_LE(connections, static_cast<int>(CardDavClient::kParallelConnections));
    EXPECT_GT(connections, 1);
    // The next call goes out on the same connections.
    client.query_all(writes);
    EXPECT_EQ(server.connectionCount(), connections);
}

} // namespace
