// The shared frame of the external functions (entry check, error recording, status codes, entity
// tags) and the connection step, driven through the registered handlers against the loopback
// server.
#include "DiscoveryAnswers.h"
#include "Engine/AnswerJudge.h"
#include "Functions/Sessions.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"

#include <gtest/gtest.h>

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { resetPluginState(); }

    CallResult setServer(const std::string& url) {
        return host.call("CardDav_SetServer", {Arg::text(url)});
    }
    fmx::int16 lastError() {
        return static_cast<fmx::int16>(host.call("CardDav_LastError").number());
    }

    loopback::HttpServer server;
    PluginHarness host;
};

} // namespace

TEST(StatusCodes, HandleQueryMapsStatusesToErrorCodes) {
    const std::pair<int, fmx::int16> cases[] = {
        {200, 0},    {201, 0},    {204, 0},  {207, 0},  {403, 43}, {404, 44}, {500, 47},
        {65501, 46}, {65502, 45}, {401, 24}, {412, -1}, {409, -1}, {0, -1},   {302, -1}};
    for (const auto& [status, code] : cases) {
        Query query;
        query.status = status;
        EXPECT_EQ(handleQuery(query), code) << status;
    }
    // No answer at all, by what kept it away; a 403 that asks for credentials refuses them.
    const std::pair<TransportFailure, fmx::int16> failures[] = {{TransportFailure::Unreachable, 25},
                                                                {TransportFailure::Tls, 26},
                                                                {TransportFailure::UnusableUrl, 27},
                                                                {TransportFailure::Other, -1}};
    for (const auto& [kind, code] : failures) {
        Query query;
        query.failureKind = kind;
        EXPECT_EQ(handleQuery(query), code);
    }
    Query challenge;
    challenge.status = 403;
    challenge.headers = "HTTP/1.1 403 Forbidden\r\nWWW-Authenticate: Basic realm=\"x\"\r\n";
    EXPECT_EQ(handleQuery(challenge), 24);
}

TEST(EntityTags, GetEtagReadsTheFinalResponsesFirstTagWhateverTheHeaderNameCase) {
    const std::string head = "HTTP/1.1 201 Created\r\n";
    const std::string tail = "Content-Length: 0\r\n\r\n";
    EXPECT_EQ(getEtag(head + "ETag: \"abc\"\r\n" + tail), "abc");
    EXPECT_EQ(getEtag(head + "etag: \"abc\"\r\n" + tail), "abc");
    EXPECT_EQ(getEtag(head + "Etag:W/\"x\"\r\n" + tail), "W/x");
    EXPECT_EQ(getEtag(head + "ETag: \"first\"\r\nETag: \"second\"\r\n" + tail), "first");
    // As a tag in an XML answer is kept: only the blanks around it go.
    EXPECT_EQ(getEtag(head + "ETag:  \"3 - abc\" \r\n"), "3 - abc");
    EXPECT_EQ(getEtag(head + tail), "");
    EXPECT_EQ(getEtag(head + "X-ETag: \"no\"\r\n" + tail), "");
    EXPECT_EQ(getEtag(""), "");
    // An authentication challenge's tag is not the resource's.
    EXPECT_EQ(getEtag("HTTP/1.1 401 Unauthorized\r\nETag: \"challenge\"\r\n\r\n" + head + tail),
              "");
}

TEST_F(ConnectionTest, ConfigurationBeforeAnyConnectionAppliesSettingsAndReports11) {
    const CallResult set = setServer(server.baseUrl() + "/dav//");
    EXPECT_EQ(set.number(), 1);
    EXPECT_EQ(set.error, 11);
    EXPECT_EQ(lastError(), 11);
    EXPECT_EQ(session().cd.get_baseurl(), server.baseUrl() + "/dav/");
    EXPECT_EQ(session().current_mapping.size(), 42u);

    EXPECT_EQ(host.call("CardDav_SetTimeout", {Arg::number(30)}).error, 11);
    EXPECT_EQ(session().cd.get_timeout(), 30);
    EXPECT_EQ(host.call("CardDav_SetTimeout", {Arg::number(-5)}).number(), 1);
    EXPECT_EQ(session().cd.get_timeout(), 30);

    host.call("CardDav_SetSsl", {Arg::text("TLS1")});
    EXPECT_EQ(session().cd.get_ssltype(), "tls1");
    EXPECT_FALSE(session().cd.get_validcert());
    host.call("CardDav_SetAuth", {Arg::text("Digest"), Arg::text("u")});
    EXPECT_EQ(session().cd.get_authtype(), "digest");
    EXPECT_EQ(session().cd.get_user(), "u");
    EXPECT_EQ(session().cd.get_password(), "");
    EXPECT_EQ(server.requestCount(), 0u) << "configuration sends nothing";
}

TEST_F(ConnectionTest, UnusableServerUrlsAndCredentialsAreRefusedAndGoNowhere) {
    const std::string hostAndPort = server.baseUrl().substr(7);
    const struct {
        const char* function;
        std::vector<std::string> args;
        fmx::int16 code;
    } cases[] = {
        {"CardDav_SetServer", {"http://alice:secret@" + hostAndPort + "/dav"}, 27},
        {"CardDav_SetServer", {"alice@" + hostAndPort + "/dav"}, 27},
        {"CardDav_SetServer", {server.baseUrl() + "/dav\r\nX-Injected: 1"}, 27},
        {"CardDav_SetAuth", {"basic", "alice", "pw\r\nX-Injected: 1"}, 33},
        {"CardDav_SetAuth", {"bearer", "", "tok\tx"}, 33},
    };
    for (const auto& c : cases) {
        setServer(server.baseUrl() + "/dav");
        host.call("CardDav_SetAuth", {Arg::text("basic"), Arg::text("bob"), Arg::text("old")});
        std::vector<Arg> args;
        for (const std::string& arg : c.args)
            args.push_back(Arg::text(arg));
        const CallResult refused = host.call(c.function, args);
        EXPECT_EQ(refused.error, c.code) << c.args[0];
        EXPECT_EQ(refused.number(), 0) << c.args[0];
        EXPECT_EQ(lastError(), c.code) << c.args[0];
        EXPECT_NE(host.call("CardDav_LastErrorText").text(), "") << c.args[0];
        // Neither the refused text nor what was set before goes out.
        server.clearRequests();
        host.call("CardDav_Connect");
        for (const loopback::Request& request : server.requests()) {
            EXPECT_EQ(c.code, 33) << c.args[0] << ": a refused URL sends nothing";
            EXPECT_FALSE(request.header("Authorization")) << c.args[0];
            EXPECT_FALSE(request.header("X-Injected")) << c.args[0];
        }
    }
    // What a FileMaker field leaves at the end is no part of the URL.
    EXPECT_EQ(setServer(server.baseUrl() + "/dav/\r").error, 11);
    EXPECT_EQ(session().cd.get_baseurl(), server.baseUrl() + "/dav");
}

TEST_F(ConnectionTest, ConnectJoinsHrefsOnTheServerRootAndKeepsTheHome) {
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/dav/", "/dav/principals/u/")));
    server.enqueue(
        loopback::xmlResponse(207, homeAnswer("/dav/principals/u/", "/dav/addressbooks/u/")));
    setServer(server.baseUrl() + "/dav");

    const CallResult connect = host.call("CardDav_Connect");
    EXPECT_EQ(connect.error, 0);
    EXPECT_EQ(connect.number(), 1);
    EXPECT_EQ(lastError(), 0);
    EXPECT_EQ(session().root_address_url, server.baseUrl() + "/dav/addressbooks/u/");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].requestLine, "PROPFIND /dav/ HTTP/1.1");
    EXPECT_EQ(requests[1].requestLine, "PROPFIND /dav/principals/u/ HTTP/1.1");

    // A second connection builds the same principal URL.
    server.clearRequests();
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/dav/", "/dav/principals/u/")));
    server.enqueue(
        loopback::xmlResponse(207, homeAnswer("/dav/principals/u/", "/dav/addressbooks/u/")));
    EXPECT_EQ(host.call("CardDav_Connect").error, 0);
    EXPECT_EQ(server.requests().at(1).requestLine, "PROPFIND /dav/principals/u/ HTTP/1.1");
}

TEST_F(ConnectionTest, PrincipalMissingFromAllpropIsAskedForByName) {
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/", "")));
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/", "/principals/u/")));
    server.enqueue(loopback::xmlResponse(207, homeAnswer("/principals/u/", "/books/u/")));
    setServer(server.baseUrl());

    EXPECT_EQ(host.call("CardDav_Connect").error, 0);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].header("Depth"), std::optional<std::string>("0"));
    EXPECT_NE(requests[1].body.find("<D:current-user-principal/>"), std::string::npos);
    EXPECT_EQ(requests[2].target, "/principals/u/");
    EXPECT_EQ(session().root_address_url, server.baseUrl() + "/books/u/");
}

TEST_F(ConnectionTest, FailedDiscoveryStepsReportTheirCodes) {
    setServer(server.baseUrl());

    // The principal request refused: nothing changes.
    server.enqueue(loopback::Response(401));
    EXPECT_EQ(host.call("CardDav_Connect").error, 24);
    EXPECT_EQ(lastError(), 24);
    EXPECT_FALSE(session().connected);

    // The home request answered 404: still not connected.
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/", "/p/")));
    server.enqueue(loopback::Response(404));
    const CallResult notFound = host.call("CardDav_Connect");
    EXPECT_EQ(notFound.error, 44);
    EXPECT_EQ(notFound.number(), 1);
    EXPECT_FALSE(session().connected);

    // A home request that names no home connects, but the home stays unknown: no DAV server of
    // contacts was found, which is no success.
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/", "/p/")));
    server.enqueue(loopback::xmlResponse(207, multistatus("")));
    EXPECT_EQ(host.call("CardDav_Connect").error, 11);
    EXPECT_TRUE(session().connected);
    EXPECT_TRUE(session().root_address_url.empty());
    // Functions that need the home fail with 11 whatever the connection did.
    EXPECT_EQ(host.call("CardDav_GetAddressBooks").error, 11);
    EXPECT_EQ(lastError(), 11);
}

TEST_F(ConnectionTest, FunctionsConnectOnFirstUse) {
    server.enqueue(loopback::xmlResponse(207, principalAnswer("/", "/p/")));
    server.enqueue(loopback::xmlResponse(207, homeAnswer("/p/", "/home/")));
    server.enqueue(loopback::xmlResponse(207, multistatus("")));
    setServer(server.baseUrl());

    const CallResult books = host.call("CardDav_GetAddressBooks");
    EXPECT_EQ(books.error, 0);
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_EQ(server.requests().at(2).target, "/home/");
}

TEST_F(ConnectionTest, UnreachableServersAndUnusableUrlsFailWithTheirCodes) {
    loopback::RefusingPort closed;
    setServer(closed.baseUrl());
    EXPECT_EQ(host.call("CardDav_Connect").error, 25);

    setServer("http://unknown-host.invalid");
    EXPECT_EQ(host.call("CardDav_Connect").error, 25);

    setServer("htp://" + server.baseUrl().substr(7));
    EXPECT_EQ(host.call("CardDav_Connect").error, 27);
}

// Waits out the shortest time-out a script can set, a second.
TEST_F(ConnectionTest, SlowServerIsUnreachable) {
    loopback::Response slow(207, {}, principalAnswer("/", "/p/"));
    slow.delay = std::chrono::milliseconds(2500);
    server.enqueue(slow);
    setServer(server.baseUrl());
    host.call("CardDav_SetTimeout", {Arg::number(1)});
    EXPECT_EQ(host.call("CardDav_Connect").error, 25);
}

TEST_F(ConnectionTest, HostErrorsWhileAnsweringBecomeCodesSevenAndMinusOne) {
    setServer(server.baseUrl());
    const auto before = fmx::host::hostCallCount();
    ASSERT_EQ(host.call("CardDav_SetTimeout", {Arg::number(5)}).error, 11);
    const auto calls = static_cast<fmx::uint32>(fmx::host::hostCallCount() - before);

    // The last host call of the handler sets its result.
    fmx::host::failHostCall(calls, 1);
    EXPECT_EQ(host.call("CardDav_SetTimeout", {Arg::number(5)}).error, 7);
    EXPECT_EQ(lastError(), 11) << "the entry check's code was recorded first";
    fmx::host::failHostCall(calls, 2);
    EXPECT_EQ(host.call("CardDav_SetTimeout", {Arg::number(5)}).error, -1);
    // A failing argument read falls back to the default instead.
    fmx::host::failHostCall(1, 2);
    EXPECT_EQ(host.call("CardDav_SetTimeout", {Arg::number(5)}).error, 11);
    EXPECT_EQ(session().cd.get_timeout(), 600);
}
