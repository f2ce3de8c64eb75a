// One kept connection: requests reuse it while the settings stay, start afresh when a setting
// changes, carry nothing of the request before, and survive a server that closes connections.
#include "LoopbackHttpServer.h"
#include "SelfSignedCertificate.h"
#include "Transport/CardDavClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

namespace {

using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\nEND:VCARD\r\n";

std::string hostLine(const loopback::HttpServer& server) {
    return "Host: 127.0.0.1:" + std::to_string(server.port());
}

TEST(ConnectionReuse, RequestsShareOneConnectionAndNothingCarriesOver) {
    loopback::HttpServer server;
    CardDavClient client;
    const std::string book = server.baseUrl() + "/book/";
    client.get_addressbookitems(book);
    client.save_vcard(book + "c1.vcf", kCard, "3-a");
    client.get_vcard(book + "c1.vcf");
    client.delete_vcard(book + "c1.vcf");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(server.connectionCount(), 1);
    for (const auto& request : requests)
        EXPECT_EQ(request.connection, 1);
    EXPECT_EQ(requests[0].requestLine, "REPORT /book/ HTTP/1.1");
    EXPECT_EQ(requests[1].requestLine, "PUT /book/c1.vcf HTTP/1.1");
    EXPECT_EQ(requests[1].body, kCard);
    // The GET after the PUT: its own method, header line and no body.
    EXPECT_EQ(requests[2].requestLine, "GET /book/c1.vcf HTTP/1.1");
    EXPECT_EQ(requests[2].headerLines, (Lines{hostLine(server), "Accept: text/vcard, */*;q=0.5"}));
    EXPECT_EQ(requests[2].body, "");
    // A method of its own without body after bodies: no Content-Length, no body.
    EXPECT_EQ(requests[3].requestLine, "DELETE /book/c1.vcf HTTP/1.1");
    EXPECT_EQ(requests[3].headerLines, (Lines{hostLine(server), "Accept: */*"}));
    EXPECT_EQ(requests[3].body, "");
}

TEST(ConnectionReuse, EachAnswerHasItsOwnHeadersAndBody) {
    loopback::HttpServer server;
    server.enqueue({200, {"ETag: \"1\"", "Set-Cookie: session=abc"}, kCard});
    server.enqueue({404, {}, ""});
    CardDavClient client;
    const std::string url = server.baseUrl() + "/c1.vcf";
    EXPECT_EQ(client.get_vcard(url).body, kCard);
    const Query second = client.get_vcard(url);
    EXPECT_EQ(second.status, 404);
    EXPECT_EQ(second.body, "");
    EXPECT_EQ(second.headers.find("ETag"), std::string::npos);
    EXPECT_EQ(second.url, url);
    // Cookies stay off: what a server sets never comes back.
    EXPECT_FALSE(server.lastRequest().header("Cookie"));
}

TEST(ConnectionReuse, EverySettingChangeStartsAFreshConnection) {
    loopback::HttpServer server;
    CardDavClient client;
    const std::string url = server.baseUrl() + "/c1.vcf";
    const std::vector<std::function<void()>> changes = {
        [&] { client.set_baseurl(server.baseUrl()); },
        [&] { client.set_auth("basic", "alice", "s3cret"); },
        [&] { client.set_ssl("tls1"); },
        [&] { client.set_timeout(30); },
        [&] { client.set_validcert(false); },
        [&] { client.set_verbose(false); },
        [&] { client.set_auth("", "alice", "s3cret"); },
    };
    client.get_vcard(url);
    for (const auto& change : changes) {
        change();
        client.get_vcard(url);
        client.get_vcard(url);
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1 + 2 * changes.size());
    EXPECT_EQ(server.connectionCount(), static_cast<int>(1 + changes.size()));
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(requests[1 + 2 * i].connection, static_cast<int>(2 + i));
        EXPECT_EQ(requests[2 + 2 * i].connection, static_cast<int>(2 + i));
    }
    // Credentials went out on the connections opened while they were set, and only there.
    for (const auto& request : requests)
        EXPECT_EQ(request.header("Authorization").has_value(),
                  request.connection >= 3 && request.connection <= 7)
            << request.connection;
}

TEST(ConnectionReuse, DigestIsAnsweredAtOnceAfterTheFirstChallenge) {
    loopback::Options options;
    options.digest = loopback::DigestCredentials{"alice", "s3cret"};
    loopback::HttpServer server(options);
    CardDavClient client;
    client.set_auth("digest", "alice", "s3cret");
    const std::string book = server.baseUrl() + "/book/";
    const Query first = client.get_addressbookitems(book);
    EXPECT_EQ(first.headers.rfind("HTTP/1.1 401 Unauthorized\r\n", 0), 0u);
    EXPECT_NE(first.headers.find("HTTP/1.1 200 OK\r\n"), std::string::npos);
    for (const char* card : {"c1.vcf", "c2.vcf", "c3.vcf"}) {
        const Query answer = client.save_vcard(book + card, kCard, "t");
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << "no challenge";
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u) << "one challenge, then one round trip per request";
    EXPECT_FALSE(requests[0].header("Authorization"));
    for (size_t i = 1; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].header("Authorization").value_or("").rfind("Digest ", 0), 0u);
    for (size_t i = 2; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].body, kCard);
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(ConnectionReuse, ServerThatClosesIdleConnectionsIsNoError) {
    loopback::Options options;
    options.idleClose = 200ms;
    loopback::HttpServer server(options);
    CardDavClient client;
    const std::string url = server.baseUrl() + "/c1.vcf";
    EXPECT_EQ(client.get_vcard(url).status, 200);
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(client.save_vcard(url, kCard, "t").status, 200);
    EXPECT_EQ(client.get_vcard(url).status, 200);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u) << "the PUT went out once";
    EXPECT_EQ(requests[1].method, "PUT");
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST(ConnectionReuse, ServerThatClosesAfterEveryAnswerIsNoError) {
    loopback::Options options;
    options.closeAfterEveryAnswer = true;
    loopback::HttpServer server(options);
    CardDavClient client;
    const std::string url = server.baseUrl() + "/c1.vcf";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(client.save_vcard(url, kCard, "t").status, 200);
        EXPECT_EQ(client.get_vcard(url).status, 200);
    }
    EXPECT_EQ(server.requestCount(), 6u);
    EXPECT_EQ(server.connectionCount(), 6);
}

TEST(ConnectionReuse, AWriteIsNeverSentTwice) {
    // The server takes the PUT on the reused connection and closes it without answering: it may
    // have stored the card. libcurl would send it again on a fresh connection; the plug-in
    // reports the transfer as aborted instead.
    loopback::HttpServer server;
    CardDavClient client;
    const std::string url = server.baseUrl() + "/c1.vcf";
    loopback::Response hangUp;
    hangUp.closeWithoutAnswer = true;
    for (const std::string& method : {std::string("PUT"), std::string("DELETE")}) {
        server.clearRequests();
        ASSERT_EQ(client.get_vcard(url).status, 200);
        server.enqueue(hangUp);
        const Query answer =
            method == "PUT" ? client.save_vcard(url, kCard, "t") : client.delete_vcard(url);
        EXPECT_EQ(answer.status, CardDavClient::kAbortedByCallback) << method;
        EXPECT_EQ(answer.body, "");
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 2u) << method;
        EXPECT_EQ(requests[1].method, method);
    }
    // A read in the same situation is simply asked again.
    server.clearRequests();
    ASSERT_EQ(client.get_vcard(url).status, 200);
    server.enqueue(hangUp);
    server.enqueue({200, {}, kCard});
    const Query again = client.get_vcard(url);
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.body, kCard);
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST(ConnectionReuse, TlsConnectionIsKeptAndItsSessionResumed) {
    const std::string directory = "/tmp/talvero-reuse-" + std::to_string(::getpid());
    const CertificateFiles files = writeSelfSignedCertificate(directory);
    loopback::Options options;
    options.certificateFile = files.certificateFile;
    options.keyFile = files.keyFile;
    options.idleClose = 200ms;
    {
        loopback::HttpServer server(options);
        CardDavClient client;
        const std::string url = server.baseUrl() + "/c1.vcf";
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(client.get_vcard(url).status, 200);
        std::this_thread::sleep_for(400ms);
        EXPECT_EQ(client.get_vcard(url).status, 200);
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_EQ(requests[2].connection, 1);
        EXPECT_EQ(requests[3].connection, 2);
        EXPECT_FALSE(requests[0].resumedTls);
        EXPECT_TRUE(requests[3].resumedTls) << "the new connection resumed the TLS session";
    }
    std::filesystem::remove_all(directory);
}

} // namespace
