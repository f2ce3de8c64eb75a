// Nothing a script hands the client can add or split a header line of a request: credentials in
// every scheme, tags in If-Match, the URL. Each case says what the request carries, or that none
// went out; no request ever carries the injected header.
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct InjectionCase {
    const char* what;
    std::function<Query(CardDavClient&, const std::string& base)> send;
    // The header expected on the request, with its value; empty name: no request goes out.
    std::string header;
    std::string value;
};

// Sets the credentials, which must be accepted (or refused), and reads a card.
std::function<Query(CardDavClient&, const std::string&)>
withAuth(std::string type, std::string user, std::string secret, bool accepted) {
    return [=](CardDavClient& client, const std::string& base) {
        EXPECT_EQ(client.set_auth(type, user, secret), accepted) << type << " " << user;
        return client.get_vcard(base + "/c1.vcf");
    };
}

} // namespace

TEST(HeaderInjection, ScriptInputNeverAddsOrSplitsAHeaderLine) {
    const std::string injected = "\r\nX-Injected: 1\r\nHost: evil.example";
    const InjectionCase cases[] = {
        {"basic password", withAuth("basic", "alice", "pw" + injected, false), "Authorization", ""},
        {"basic user name", withAuth("basic", "alice" + injected, "pw", false), "Authorization",
         ""},
        {"digest user name", withAuth("digest", "alice" + injected, "pw", false), "Authorization",
         ""},
        {"NTLM password", withAuth("ntml", "alice", "pw\tx", false), "Authorization", ""},
        {"bearer token", withAuth("bearer", "", "tok" + injected, false), "Authorization", ""},
        {"bearer token with NUL", withAuth("bearer", "", std::string("tok\0x", 5), false),
         "Authorization", ""},
        // What a FileMaker field leaves at the end is trimmed.
        {"bearer token ending in a return", withAuth("bearer", "", "tok\r", true), "Authorization",
         "Bearer tok"},
        {"basic password ending in CR LF", withAuth("basic", "alice", "pw\r\n", true),
         "Authorization", "Basic YWxpY2U6cHc="},
        {"user name ending in a line feed", withAuth("basic", "alice\n", "pw", true),
         "Authorization", "Basic YWxpY2U6cHc="},
        {"If-Match of a save",
         [&](CardDavClient& client, const std::string& base) {
             return client.save_vcard(base + "/c1.vcf", "BEGIN:VCARD\r\nEND:VCARD\r\n",
                                      "abc" + injected);
         },
         "If-Match", "\"abcX-Injected: 1Host: evil.example\""},
        {"If-Match of a delete",
         [&](CardDavClient& client, const std::string& base) {
             return client.delete_vcard(base + "/c1.vcf", std::string("W/\"a\0\x7f\"", 7));
         },
         "If-Match", "W/\"a\""},
        {"card URL",
         [&](CardDavClient& client, const std::string& base) {
             return client.get_vcard(base + "/c1.vcf" + injected);
         },
         "", ""},
    };
    for (const InjectionCase& c : cases) {
        loopback::HttpServer server;
        CardDavClient client;
        c.send(client, server.baseUrl());
        const auto requests = server.requests();
        for (const loopback::Request& request : requests) {
            EXPECT_FALSE(request.header("X-Injected")) << c.what;
            EXPECT_EQ(request.header("Host"), server.baseUrl().substr(7)) << c.what;
        }
        if (c.header.empty()) {
            EXPECT_TRUE(requests.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(requests.size(), 1u) << c.what;
        EXPECT_EQ(requests[0].header(c.header).value_or(""), c.value) << c.what;
    }
}
