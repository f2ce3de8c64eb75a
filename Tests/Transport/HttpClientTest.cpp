// Settings of the HTTP client and how one request is executed and reported.
#include "LoopbackHttpServer.h"
#include "SelfSignedCertificate.h"
#include "Transport/CardDavClient.h"
#include "TurkishLocale.h"
#include "base64.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string basic(const std::string& credentials) {
    return "Basic " + base64_encode(reinterpret_cast<const unsigned char*>(credentials.data()),
                                    static_cast<unsigned int>(credentials.size()));
}

TEST(HttpClient, WriteDataAppendsOrRefuses) {
    std::string target = "a";
    char data[] = "bcdef";
    EXPECT_EQ(CardDavClient::write_data(data, 2, 2, &target), 4u);
    EXPECT_EQ(target, "abcde");
    EXPECT_EQ(CardDavClient::write_data(data, 1, 3, nullptr), 0u);
}

TEST(HttpClient, BaseUrlLosesOneTrailingSlash) {
    CardDavClient client;
    client.set_baseurl("https://dav.example/");
    EXPECT_EQ(client.get_baseurl(), "https://dav.example");
    client.set_baseurl("https://dav.example//");
    EXPECT_EQ(client.get_baseurl(), "https://dav.example/");
    client.set_baseurl("");
    EXPECT_EQ(client.get_baseurl(), "");
}

TEST(HttpClient, HttpErrorsAreOrdinaryResults) {
    loopback::HttpServer server;
    loopback::Response gone(404, {"X-Reason: none here"}, "no card");
    gone.reason = "Gone Away";
    server.enqueue(gone);
    CardDavClient client;
    const Query answer = client.get_vcard(server.baseUrl() + "/a.vcf");
    EXPECT_EQ(answer.status, 404);
    EXPECT_EQ(answer.headers.rfind("HTTP/1.1 404 Gone Away\r\n", 0), 0u);
    EXPECT_NE(answer.headers.find("X-Reason: none here\r\n"), std::string::npos);
    EXPECT_EQ(answer.body, "no card");
}

// Run under AddressSanitizer, these also show that the header list is freed on failure.
TEST(HttpClient, NoAnswerGivesStatusZero) {
    CardDavClient client;
    const loopback::RefusingPort closed;
    Query answer = client.get_baseprincipal(closed.baseUrl() + "/");
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(answer.headers, "");

    loopback::HttpServer server;
    loopback::Response hangUp;
    hangUp.closeWithoutAnswer = true;
    server.enqueue(hangUp);
    answer = client.save_vcard(server.baseUrl() + "/a.vcf", "BEGIN:VCARD", "t");
    EXPECT_EQ(answer.status, 0);
    EXPECT_EQ(server.requestCount(), 1u);

    loopback::Response garbage;
    garbage.raw = "this is not HTTP\r\n\r\n";
    server.enqueue(garbage);
    EXPECT_EQ(client.get_vcard(server.baseUrl() + "/a").status, 0);
}

TEST(HttpClient, TimeoutLimitsTheWholeRequest) {
    loopback::HttpServer server;
    CardDavClient client;
    client.set_timeout(1);
    client.set_timeout(-5); // ignored
    EXPECT_EQ(client.get_timeout(), 1);
    loopback::Response slow;
    slow.delay = std::chrono::milliseconds(2500);
    server.enqueue(slow);
    EXPECT_EQ(client.get_vcard(server.baseUrl() + "/a").status, 0);

    client.set_timeout(0);
    slow.delay = std::chrono::milliseconds(1100);
    server.enqueue(slow);
    EXPECT_EQ(client.get_vcard(server.baseUrl() + "/a").status, 200);
}

TEST(HttpClient, AuthenticationTypeWords) {
    loopback::HttpServer server;
    CardDavClient client;
    const std::string card = server.baseUrl() + "/a.vcf";

    client.set_auth("BASIC", "alice", "s3cret");
    EXPECT_EQ(client.get_authtype(), "basic");
    client.get_vcard(card);
    EXPECT_EQ(server.lastRequest().header("Authorization"), basic("alice:s3cret"));

    // NTLM goes by the word "ntml"; its first message is a base64 NTLMSSP negotiation.
    client.set_auth("NTML", "alice", "s3cret");
    client.get_vcard(card);
    EXPECT_EQ(server.lastRequest().header("Authorization").value_or("").rfind("NTLM TlRMTVNT", 0),
              0u);

    for (const char* word : {"ntlm", "", "kerberos"}) {
        client.set_auth(word, "alice", "s3cret");
        client.get_vcard(card);
        EXPECT_FALSE(server.lastRequest().header("Authorization")) << word;
    }
}

TEST(HttpClient, TypeWordsMatchInAnyLocale) {
    // In a Turkish locale the C library lower-cases "BASIC" to "basıc"; the word must still
    // select basic authentication.
    TurkishLocale turkish;
    if (!turkish.active())
        GTEST_SKIP() << "the Turkish locale could not be made here";
    loopback::HttpServer server;
    CardDavClient client;
    client.set_auth("BASIC", "alice", "s3cret");
    client.get_vcard(server.baseUrl() + "/a.vcf");
    EXPECT_EQ(server.lastRequest().header("Authorization"), basic("alice:s3cret"));
}

TEST(HttpClient, DigestAuthenticationKeepsBothHeaderBlocks) {
    loopback::Options options;
    options.digest = loopback::DigestCredentials{"alice", "s3cret"};
    loopback::HttpServer server(options);
    server.enqueue({207, {"ETag: \"e1\""}, "<multistatus/>"});
    CardDavClient client;
    client.set_auth("Digest", "alice", "s3cret");

    const Query answer = client.get_baseprincipal(server.baseUrl() + "/");
    EXPECT_EQ(answer.status, 207);
    EXPECT_EQ(answer.body, "<multistatus/>");
    const size_t challenge = answer.headers.find("HTTP/1.1 401 Unauthorized\r\n");
    const size_t final = answer.headers.find("HTTP/1.1 207 Multi-Status\r\n");
    EXPECT_EQ(challenge, 0u);
    EXPECT_NE(final, std::string::npos);
    EXPECT_LT(challenge, final);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].header("Authorization"));
    EXPECT_EQ(requests[1].header("Authorization").value_or("").rfind("Digest ", 0), 0u);
    EXPECT_EQ(requests[1].body.rfind("<?xml", 0), 0u);

    client.set_auth("digest", "alice", "wrong");
    EXPECT_EQ(client.get_baseprincipal(server.baseUrl() + "/").status, 401);
}

// Takes the pieces of a body; wants no more after `wanted` of them.
struct CollectingSink : BodySink {
    bool take(std::string_view bytes) override {
        pieces.emplace_back(bytes);
        return pieces.size() < wanted;
    }
    std::vector<std::string> pieces;
    std::size_t wanted = SIZE_MAX;
};

TEST(HttpClient, AMultistatusBodyGoesToTheSinkAsItArrives) {
    const loopback::DigestCredentials credentials{"alice", "s3cret"};
    loopback::Options options;
    options.digest = credentials;
    loopback::HttpServer server(options);
    CardDavClient client;
    client.set_auth("digest", credentials.user, credentials.password);
    const auto report = [&](CollectingSink& sink, std::size_t maxBody = 0) {
        return client.query(server.baseUrl() + "/book/", "REPORT", "<r/>", nullptr,
                            Redirects::refused, maxBody, &sink);
    };
    const std::string body = "<multistatus>" + std::string(100000, ' ') + "</multistatus>";

    // After the challenge's own body, which libcurl skips, the final answer's arrives in pieces.
    server.enqueue({207, {}, body});
    CollectingSink whole;
    Query answer = report(whole);
    EXPECT_EQ(answer.status, 207);
    EXPECT_EQ(answer.body, "");
    EXPECT_GT(whole.pieces.size(), 1u);
    std::string joined;
    for (const std::string& piece : whole.pieces)
        joined += piece;
    EXPECT_EQ(joined, body);

    server.enqueue({404, {}, "no such book"});
    CollectingSink refused;
    EXPECT_EQ(report(refused).body, "no such book");
    EXPECT_TRUE(refused.pieces.empty());

    // A sink that wants no more ends the transfer, and the answer keeps its status.
    server.enqueue({207, {}, body});
    CollectingSink first;
    first.wanted = 1;
    answer = report(first);
    EXPECT_EQ(answer.status, 207);
    EXPECT_EQ(answer.failure, "");
    EXPECT_EQ(first.pieces.size(), 1u);

    server.enqueue({207, {}, body});
    CollectingSink limited;
    answer = report(limited, 50000);
    EXPECT_EQ(answer.status, 0);
    EXPECT_TRUE(answer.tooLarge);

    loopback::Response cut;
    cut.raw = "HTTP/1.1 207 Multi-Status\r\nContent-Length: 100\r\n\r\n<multistatus>";
    server.enqueue(cut);
    CollectingSink partial;
    EXPECT_EQ(report(partial).status, 0);
    EXPECT_EQ(partial.pieces.size(), 1u);
}

TEST(HttpClient, LargeBodiesGoOutAtOnceWithoutExpectLine) {
    // libcurl would announce a body this large with "Expect: 100-continue" and wait a second for
    // an interim answer that many servers never send: the request must carry no Expect line.
    const std::string card(2 * 1000 * 1000, 'v');
    CardDavClient client;
    for (bool interim : {true, false}) {
        loopback::Options options;
        options.send100Continue = interim;
        loopback::HttpServer server(options);
        const Query answer = client.save_vcard(server.baseUrl() + "/big.vcf", card, "");
        EXPECT_EQ(answer.status, 200);
        const loopback::Request request = server.lastRequest();
        EXPECT_EQ(request.body, card);
        EXPECT_EQ(request.headerLines, (std::vector<std::string>{
                                           "Host: 127.0.0.1:" + std::to_string(server.port()),
                                           "Accept: */*", "Content-Type: text/vcard; charset=utf-8",
                                           "If-None-Match:\t*", "Content-Length: 2000000"}));
        EXPECT_EQ(answer.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    }
}

// A loopback HTTPS server with a certificate made for this test.
class HttpsServer : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/talvero-tls-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory = pattern;
        const CertificateFiles files = writeSelfSignedCertificate(directory);
        options.certificateFile = files.certificateFile;
        options.keyFile = files.keyFile;
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string directory;
    loopback::Options options;
};

TEST_F(HttpsServer, UnverifiableCertificateGives65501) {
    loopback::HttpServer server(options);
    ASSERT_EQ(server.baseUrl().rfind("https://", 0), 0u);
    server.setHandler([](const loopback::Request&) {
        return loopback::Response{200, {"ETag: \"x\""}, "card"};
    });
    CardDavClient client;
    client.set_validcert(true);
    Query answer = client.get_vcard(server.baseUrl() + "/a");
    EXPECT_EQ(answer.status, CardDavClient::kCertificateFailed);
    EXPECT_EQ(answer.headers, "");
    EXPECT_EQ(answer.body, "");
    EXPECT_EQ(server.requestCount(), 0u);

    client.set_validcert(false);
    answer = client.get_vcard(server.baseUrl() + "/a");
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "card");
    EXPECT_EQ(server.lastRequest().requestLine, "GET /a HTTP/1.1");
}

TEST_F(HttpsServer, SslVersionWordsNeverBlockARequest) {
    loopback::HttpServer server(options);
    CardDavClient client;
    // Old SSL versions that libcurl refuses leave its default in force.
    for (const char* word : {"TLS1", "ssl3", "SSL2", "tls13", ""}) {
        client.set_ssl(word);
        EXPECT_EQ(client.get_vcard(server.baseUrl() + "/a").status, 200) << word;
    }
    EXPECT_EQ(client.get_ssltype(), "");
    client.set_ssl("TLS1");
    EXPECT_EQ(client.get_ssltype(), "tls1");
}

} // namespace
