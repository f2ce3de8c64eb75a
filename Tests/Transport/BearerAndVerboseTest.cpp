// Bearer tokens on the wire, and a verbose log that never shows credentials.
#include "Http2Server.h"
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"
#include "Transport/VerboseLog.h"

#include <gtest/gtest.h>

namespace {

TEST(BearerToken, SentAsAuthorizationWhateverTheWordsCase) {
    loopback::HttpServer server;
    CardDavClient client;
    for (const char* word : {"bearer", "Bearer", "BEARER"}) {
        client.set_auth(word, "", "tok.123-abc");
        EXPECT_TRUE(client.sends_credentials());
        client.get_vcard(server.baseUrl() + "/c1.vcf");
        EXPECT_EQ(server.lastRequest().header("Authorization"), "Bearer tok.123-abc") << word;
    }
    // A user name is no part of it.
    client.set_auth("bearer", "alice", "tok");
    client.get_vcard(server.baseUrl() + "/c1.vcf");
    EXPECT_EQ(server.lastRequest().header("Authorization"), "Bearer tok");
}

TEST(BearerToken, RefusedTokenIsAPlain401) {
    loopback::HttpServer server;
    server.enqueue({401, {"WWW-Authenticate: Bearer error=\"invalid_token\""}, ""});
    CardDavClient client;
    client.set_auth("bearer", "", "expired");
    EXPECT_EQ(client.get_addressbookitems(server.baseUrl() + "/book/").status, 401);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST(VerboseLog, CredentialsAreHiddenInEveryFraming) {
    struct Case {
        std::string_view logged;
        std::string_view shown;
    };
    const Case cases[] = {
        // Header blocks, as libcurl reports HTTP/1.1 requests.
        {"GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Bearer tok\r\n"
         "authorization:Basic YWxpY2U6cw==\r\nProxy-Authorization: Basic cHU6cHc=\r\n"
         "Authorization: x\r\nX-Authorization: stays\r\n\r\n",
         "GET / HTTP/1.1\r\nHost: h\r\nAuthorization: Bearer [hidden]\r\n"
         "authorization:Basic [hidden]\r\nProxy-Authorization: Basic [hidden]\r\n"
         "Authorization: [hidden]\r\nX-Authorization: stays\r\n\r\n"},
        // Text lines, as libcurl versions report HTTP/2 and HTTP/3 request headers.
        {"h2h3 [authorization: Basic YWxpY2U6cw==]\n", "h2h3 [authorization: Basic [hidden]]\n"},
        {"[HTTP/2] [1] [authorization: Bearer tok]\n",
         "[HTTP/2] [1] [authorization: Bearer [hidden]]\n"},
        {"[HTTP/3] [0] [Proxy-Authorization: Digest username=\"a\", uri=\"/x]\", "
         "response=\"f0\"]\r\n",
         "[HTTP/3] [0] [Proxy-Authorization: Digest [hidden]]\r\n"},
        {"h2h3 [AUTHORIZATION:tok]\n", "h2h3 [AUTHORIZATION: [hidden]]\n"},
        {"h2h3 [x-authorization: stays]\n", "h2h3 [x-authorization: stays]\n"},
        {"Server auth using Basic with user 'alice'\n",
         "Server auth using Basic with user 'alice'\n"},
        // What servers send back: sessions, and authentication exchanges, in HTTP/1.1 blocks
        // and as libcurl shows HTTP/2 answers (lower-case names).
        {"HTTP/1.1 401 Unauthorized\r\nSet-Cookie: sid=abc; Path=/; HttpOnly\r\n"
         "WWW-Authenticate: Digest realm=\"dav\", nonce=\"n0,nce\", opaque=op, algorithm=MD5, "
         "qop=\"auth\"\r\n\r\n",
         "HTTP/1.1 401 Unauthorized\r\nSet-Cookie: [hidden]\r\n"
         "WWW-Authenticate: Digest realm=\"dav\", nonce=[hidden], opaque=[hidden], algorithm=MD5, "
         "qop=\"auth\"\r\n\r\n"},
        {"set-cookie: sid=abc\r\n", "set-cookie: [hidden]\r\n"},
        {"[HTTP/2] [1] [cookie: sid=abc]\n", "[HTTP/2] [1] [cookie: [hidden]]\n"},
        {"www-authenticate: NTLM TlRMTVNTUAACAAAADAAMADAAAAA1goriBbO2mBTyY2c=\r\n",
         "www-authenticate: NTLM [hidden]\r\n"},
        {"WWW-Authenticate: Negotiate YIIBgwYGKwYB==, Bearer realm=\"x\", error=\"invalid_token\", "
         "error_description=\"token abc expired\"\r\n",
         "WWW-Authenticate: Negotiate [hidden], Bearer realm=\"x\", error=\"invalid_token\", "
         "error_description=[hidden]\r\n"},
        {"Authentication-Info: rspauth=\"a1\", nextnonce=\"n2\", qop=auth\r\n",
         "Authentication-Info: rspauth=[hidden], nextnonce=[hidden], qop=auth\r\n"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(withCredentialsHidden(test.logged), test.shown) << test.logged;
}

TEST(VerboseLog, ASecretEchoedInAnyFormIsHidden) {
    const SecretForms forms("alice", "p@ss w0rd/+\xC3\xA9>?");
    const std::pair<std::string, std::string> echoes[] = {
        {"X-Echo: p@ss w0rd/+\xC3\xA9>?\r\n", "X-Echo: [hidden]\r\n"},
        {"X-Echo: p%40ss%20w0rd%2F%2B%C3%A9%3E%3F\r\n", "X-Echo: [hidden]\r\n"},
        {"X-Echo: p%40ss+w0rd%2f%2b%c3%a9%3e%3f;\r\n", "X-Echo: [hidden];\r\n"},
        {"X-Echo: cEBzcyB3MHJkLyvDqT4/\r\n", "X-Echo: [hidden]\r\n"},
        {"X-Echo: cEBzcyB3MHJkLyvDqT4_\r\n", "X-Echo: [hidden]\r\n"}, // base64url
        // The Basic credential, in a URL.
        {"Location: /x?a=YWxpY2U6cEBzcyB3MHJkLyvDqT4%2F\r\n", "Location: /x?a=[hidden]\r\n"},
        // Behind one byte of something else in a longer base64 text ("x" + the secret).
        {"X-Echo: eHBAc3MgdzByZC8rw6k+Pw==\r\n", "X-Echo: eH[hidden]w==\r\n"},
        {"[HTTP/2] [1] [x-echo: p%40ss%20w0rd%2F%2B%C3%A9%3E%3F]\n",
         "[HTTP/2] [1] [x-echo: [hidden]]\n"},
        {"X-Other: nothing of it\r\n", "X-Other: nothing of it\r\n"},
    };
    for (const auto& [echo, shown] : echoes)
        EXPECT_EQ(withCredentialsHidden(echo, forms), shown) << echo;
}

TEST(VerboseLog, NoSecretReachesTheLogOverHttp1OrHttp2) {
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nEND:VCARD\r\n";
    loopback::HttpServer http1;
    // A server that echoes what it was sent: the credentials as a session cookie and as a
    // header of their own.
    http1.setHandler([&](const loopback::Request& request) {
        const std::string sent = request.header("Authorization").value_or("");
        const std::string credentials = sent.substr(sent.find(' ') + 1);
        return loopback::Response(200, {"Set-Cookie: sid=" + credentials, "X-You-Sent: " + sent},
                                  card);
    });
    Http2Server http2;
    http2.serve("c1.vcf", card);

    struct Case {
        std::string url;
        const char* type;
        const char* user;
        const char* secret;
        // What the secret looks like on the wire.
        const char* sent;
        std::vector<std::string> shown;
    };
    const std::string basic = "YWxpY2U6d29uZGVybGFuZA=="; // alice:wonderland
    const Case cases[] = {
        {http1.baseUrl() + "/c1.vcf",
         "bearer",
         "",
         "secret-token-42",
         "Bearer secret-token-42",
         {"> GET /c1.vcf HTTP/1.1\r\n", "Authorization: Bearer [hidden]\r\n", "< HTTP/1.1 200 OK",
          "< Set-Cookie: [hidden]\r\n", "< X-You-Sent: Bearer [hidden]\r\n"}},
        {http1.baseUrl() + "/c1.vcf",
         "basic",
         "alice",
         "wonderland",
         "Basic YWxpY2U6d29uZGVybGFuZA==",
         {"Authorization: Basic [hidden]\r\n", "< X-You-Sent: Basic [hidden]\r\n"}},
        {http2.baseUrl() + "/c1.vcf",
         "basic",
         "alice",
         "wonderland",
         nullptr,
         {"> GET /c1.vcf HTTP/2\r\n", "[authorization: Basic [hidden]]", "< HTTP/2 200"}},
        {http2.baseUrl() + "/c1.vcf",
         "bearer",
         "",
         "secret-token-42",
         nullptr,
         {"[authorization: Bearer [hidden]]"}},
    };
    CardDavClient client;
    client.set_verbose(true);
    for (const Case& test : cases) {
        client.set_auth(test.type, test.user, test.secret);
        testing::internal::CaptureStderr();
        const Query answer = client.get_vcard(test.url);
        const std::string log = testing::internal::GetCapturedStderr();
        const std::string what = test.url + " " + test.type;
        EXPECT_EQ(answer.body, card) << what;
        for (const std::string& line : test.shown)
            EXPECT_NE(log.find(line), std::string::npos) << what << ": " << line << "\n" << log;
        EXPECT_EQ(log.find(test.secret), std::string::npos) << what << "\n" << log;
        EXPECT_EQ(log.find(basic), std::string::npos) << what << "\n" << log;
        // The credentials did go to the server (the HTTP/2 one does not record requests).
        if (test.sent != nullptr) {
            EXPECT_EQ(http1.lastRequest().header("Authorization"), test.sent) << what;
        }
    }
}

} // namespace
