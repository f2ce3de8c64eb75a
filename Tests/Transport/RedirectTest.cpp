// Redirects: followed only where discovery asks for it, with method and body kept, at most five,
// never from https to http, and credentials only where they may go.
#include "LoopbackHttpServer.h"
#include "SelfSignedCertificate.h"
#include "Transport/CardDavClient.h"
#include "Transport/Redirects.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

loopback::Response redirect(int status, const std::string& location) {
    return loopback::Response(status, {"Location: " + location}, "moved");
}

class Redirect : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory = "/tmp/talvero-redirect-" + std::to_string(::getpid());
        const CertificateFiles files = writeSelfSignedCertificate(directory);
        tls.certificateFile = files.certificateFile;
        tls.keyFile = files.keyFile;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(directory); }

    static std::string directory;
    static loopback::Options tls;
    CardDavClient client;
};

std::string Redirect::directory;
loopback::Options Redirect::tls;

TEST_F(Redirect, EveryRedirectStatusKeepsMethodBodyAndHeaders) {
    loopback::HttpServer server;
    for (int status : {301, 302, 303, 307, 308}) {
        server.clearRequests();
        server.enqueue(redirect(status, "/dav/"));
        const Query answer = client.get_baseprincipal(server.baseUrl() + "/.well-known/carddav",
                                                      Redirects::followed);
        EXPECT_EQ(answer.status, 200) << status;
        EXPECT_EQ(answer.url, server.baseUrl() + "/dav/");
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].requestLine, "PROPFIND /dav/ HTTP/1.1") << status;
        EXPECT_EQ(requests[1].body, requests[0].body);
        EXPECT_NE(requests[1].body.find("<allprop/>"), std::string::npos);
        EXPECT_EQ(requests[1].header("Depth"), "1");
        EXPECT_EQ(requests[1].header("Content-Type"), "text/xml; charset=utf-8");
    }
}

TEST_F(Redirect, ChainsFollowRelativeAndAbsoluteLocationsUpToFive) {
    loopback::HttpServer server;
    server.enqueue(redirect(308, "a/"));
    server.enqueue(redirect(308, server.baseUrl() + "/b/"));
    server.enqueue(redirect(308, "../c/"));
    Query answer = client.get_userprincipal(server.baseUrl() + "/start/", Redirects::followed);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.url, server.baseUrl() + "/c/");
    std::vector<std::string> targets;
    for (const auto& request : server.requests())
        targets.push_back(request.target);
    EXPECT_EQ(targets, (std::vector<std::string>{"/start/", "/start/a/", "/b/", "/c/"}));

    // A loop is given up after five redirects: the last redirect is the answer.
    server.clearRequests();
    server.setHandler([](const loopback::Request&) { return redirect(301, "/loop/"); });
    answer = client.get_addressbookurl(server.baseUrl() + "/loop/", Redirects::followed);
    EXPECT_EQ(answer.status, 301);
    EXPECT_EQ(server.requestCount(), 1u + RedirectChain::kMaxRedirects);
}

TEST_F(Redirect, CardRequestsAndUnaskedRequestsFollowNothing) {
    loopback::HttpServer server;
    loopback::HttpServer elsewhere;
    const std::string moved = elsewhere.baseUrl() + "/book/c1.vcf";
    server.setHandler([&](const loopback::Request&) { return redirect(301, moved); });
    const std::string card = server.baseUrl() + "/book/c1.vcf";
    EXPECT_EQ(client.save_vcard(card, "BEGIN:VCARD\r\n", "t").status, 301);
    EXPECT_EQ(client.delete_vcard(card).status, 301);
    EXPECT_EQ(client.get_vcard(card).status, 301);
    EXPECT_EQ(client.get_baseprincipal(server.baseUrl() + "/").status, 301);
    EXPECT_EQ(server.requestCount(), 4u);
    EXPECT_EQ(elsewhere.requestCount(), 0u);
}

TEST_F(Redirect, NeverFromHttpsToHttp) {
    loopback::HttpServer secure(tls);
    loopback::HttpServer plain;
    secure.enqueue(redirect(301, plain.baseUrl() + "/dav/"));
    const Query answer =
        client.get_baseprincipal(secure.baseUrl() + "/.well-known/carddav", Redirects::followed);
    EXPECT_EQ(answer.status, 301);
    EXPECT_EQ(plain.requestCount(), 0u);
    // Nor to another scheme at all.
    secure.enqueue(redirect(301, "file:///etc/passwd"));
    EXPECT_EQ(client.get_baseprincipal(secure.baseUrl() + "/", Redirects::followed).status, 301);
}

// "localhost" is another host than "127.0.0.1" for these rules, although both lead here.
std::string onLocalhost(const loopback::HttpServer& server, const std::string& path) {
    return std::string(server.baseUrl().rfind("https", 0) == 0 ? "https" : "http") +
           "://localhost:" + std::to_string(server.port()) + path;
}

TEST_F(Redirect, CredentialsGoToAnotherHostOnlyOverHttps) {
    client.set_auth("basic", "alice", "s3cret");
    // Over https, another host the user's host names gets them, and one that host names too.
    {
        loopback::HttpServer given(tls);
        loopback::HttpServer provider(tls);
        loopback::HttpServer third(tls);
        given.enqueue(redirect(301, onLocalhost(provider, "/dav/")));
        provider.enqueue(redirect(307, third.baseUrl() + "/root/"));
        const Query answer =
            client.get_baseprincipal(given.baseUrl() + "/.well-known/carddav", Redirects::followed);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.url, third.baseUrl() + "/root/");
        for (const auto* server : {&given, &provider, &third}) {
            ASSERT_EQ(server->requestCount(), 1u);
            EXPECT_TRUE(server->lastRequest().header("Authorization"));
        }
    }
    // A plain http redirect to another host could come from anyone on the way: not followed.
    {
        loopback::HttpServer given;
        loopback::HttpServer other;
        given.enqueue(redirect(302, onLocalhost(other, "/dav/")));
        EXPECT_EQ(
            client.get_baseprincipal(given.baseUrl() + "/.well-known/carddav", Redirects::followed)
                .status,
            302);
        EXPECT_EQ(other.requestCount(), 0u);
        // The user's own host over https is the user's host still.
        loopback::HttpServer secure(tls);
        given.enqueue(redirect(301, secure.baseUrl() + "/dav/"));
        EXPECT_EQ(
            client.get_baseprincipal(given.baseUrl() + "/.well-known/carddav", Redirects::followed)
                .status,
            200);
        EXPECT_EQ(secure.lastRequest().header("Authorization"), "Basic YWxpY2U6czNjcmV0");
    }
    // Without credentials there is nothing to give away: any http(s) redirect is followed.
    {
        client.set_auth("", "", "");
        loopback::HttpServer given;
        loopback::HttpServer other;
        given.enqueue(redirect(302, onLocalhost(other, "/dav/")));
        EXPECT_EQ(
            client.get_baseprincipal(given.baseUrl() + "/.well-known/carddav", Redirects::followed)
                .status,
            200);
        EXPECT_FALSE(other.lastRequest().header("Authorization"));
    }
}

} // namespace
