// Service discovery in CardDav_Connect: a base URL that names no principal (often a bare host
// name) is followed up at /.well-known/carddav on its host, through its redirects to the DAV
// root, which is kept until the server is set again.
#include "DiscoveryAnswers.h"
#include "Functions/CardDavState.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using loopback::Request;
using loopback::Response;

const char* const kAllprop =
    "<?xml version='1.0' encoding='utf-8'?><propfind xmlns='DAV:'><allprop/></propfind>";

std::string bookList(const std::string& href) {
    return multistatus("<d:response><d:href>" + href +
                       "</d:href><d:propstat><d:prop><d:resourcetype><d:collection/>"
                       "<card:addressbook/></d:resourcetype><d:displayname>Contacts"
                       "</d:displayname></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
                       "</d:propstat></d:response>");
}

// A provider whose DAV service lives under /dav/: the root is no DAV collection, and
// /.well-known/carddav redirects as the test says.
class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        resetPluginState();
        server.setHandler([this](const Request& request) {
            const auto scripted = redirects.find(request.target);
            if (scripted != redirects.end())
                return Response(scripted->second.first, {"Location: " + scripted->second.second});
            if (request.target == "/dav/")
                return loopback::xmlResponse(207, principalAnswer("/dav/", "/dav/principals/u/"));
            if (request.target == "/dav/principals/u/")
                return loopback::xmlResponse(
                    207, homeAnswer("/dav/principals/u/", "/dav/addressbooks/u/"));
            if (request.target == "/dav/addressbooks/u/")
                return loopback::xmlResponse(207, bookList("/dav/addressbooks/u/contacts/"));
            return Response(404);
        });
        host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    }

    std::vector<std::string> requestLines() const {
        std::vector<std::string> lines;
        for (const Request& request : server.requests())
            lines.push_back(request.requestLine);
        return lines;
    }

    // Status and Location by request target.
    std::map<std::string, std::pair<int, std::string>> redirects;
    loopback::HttpServer server;
    PluginHarness host;
};

using Lines = std::vector<std::string>;

TEST_F(Discovery, WellKnownRedirectLeadsToTheDavRoot) {
    for (const std::string& location : {std::string("/dav/"), server.baseUrl() + "/dav/"}) {
        host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
        server.clearRequests();
        redirects["/.well-known/carddav"] = {301, location};
        const CallResult connect = host.call("CardDav_Connect");
        EXPECT_EQ(connect.error, 0) << location;
        EXPECT_EQ(requestLines(),
                  (Lines{"PROPFIND / HTTP/1.1", "PROPFIND /.well-known/carddav HTTP/1.1",
                         "PROPFIND /dav/ HTTP/1.1", "PROPFIND /dav/principals/u/ HTTP/1.1"}));
        // The redirected PROPFIND is the allprop request it was, body and all.
        const auto requests = server.requests();
        EXPECT_EQ(requests[1].body, kAllprop);
        EXPECT_EQ(requests[2].body, kAllprop);
        EXPECT_EQ(requests[2].header("Depth"), "1");
        EXPECT_EQ(session().root_address_url, server.baseUrl() + "/dav/addressbooks/u/");
        EXPECT_EQ(session().cd.server_facts().davRoot, server.baseUrl() + "/dav/");
    }
    // The address books come back as full URLs that work.
    const CallResult books = host.call("CardDav_GetAddressBooks");
    EXPECT_EQ(books.error, 0);
    EXPECT_EQ(books.text(), server.baseUrl() + "/dav/addressbooks/u/contacts/\r");
}

TEST_F(Discovery, DavRootIsKeptUntilTheServerIsSetAgain) {
    redirects["/.well-known/carddav"] = {302, "/dav/"};
    ASSERT_EQ(host.call("CardDav_Connect").error, 0);
    server.clearRequests();
    EXPECT_EQ(host.call("CardDav_Connect").error, 0);
    EXPECT_EQ(requestLines(),
              (Lines{"PROPFIND /dav/ HTTP/1.1", "PROPFIND /dav/principals/u/ HTTP/1.1"}));

    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    EXPECT_EQ(session().cd.server_facts().davRoot, "");
    server.clearRequests();
    EXPECT_EQ(host.call("CardDav_Connect").error, 0);
    EXPECT_EQ(requestLines().front(), "PROPFIND / HTTP/1.1");
    EXPECT_EQ(requestLines().size(), 4u);
}

TEST_F(Discovery, ChainOfThreePermanentRedirects) {
    redirects["/.well-known/carddav"] = {308, "/a/"};
    redirects["/a/"] = {308, server.baseUrl() + "/b/"};
    redirects["/b/"] = {308, "../dav/"};
    EXPECT_EQ(host.call("CardDav_Connect").error, 0);
    EXPECT_EQ(requestLines(),
              (Lines{"PROPFIND / HTTP/1.1", "PROPFIND /.well-known/carddav HTTP/1.1",
                     "PROPFIND /a/ HTTP/1.1", "PROPFIND /b/ HTTP/1.1", "PROPFIND /dav/ HTTP/1.1",
                     "PROPFIND /dav/principals/u/ HTTP/1.1"}));
    EXPECT_EQ(session().root_address_url, server.baseUrl() + "/dav/addressbooks/u/");
}

TEST_F(Discovery, FailedDiscoveryEndsAsTodayWithTheFirstCode) {
    // A redirect loop is given up after five redirects; the code is the base URL's 404.
    redirects["/.well-known/carddav"] = {301, "/loop/"};
    redirects["/loop/"] = {301, "/.well-known/carddav"};
    const CallResult loop = host.call("CardDav_Connect");
    EXPECT_EQ(loop.error, 44);
    EXPECT_EQ(loop.number(), 1);
    EXPECT_EQ(server.requestCount(), 2u + 5u);
    EXPECT_TRUE(session().root_address_url.empty());
    EXPECT_FALSE(session().connected);
    EXPECT_EQ(session().cd.server_facts().davRoot, "");

    // No well-known service at all.
    redirects.clear();
    server.clearRequests();
    EXPECT_EQ(host.call("CardDav_Connect").error, 44);
    EXPECT_EQ(requestLines(),
              (Lines{"PROPFIND / HTTP/1.1", "PROPFIND /.well-known/carddav HTTP/1.1"}));
}

TEST_F(Discovery, NoAnswerAtAllIsNotFollowedUp) {
    Response hangUp;
    hangUp.closeWithoutAnswer = true;
    server.enqueue(hangUp);
    EXPECT_EQ(host.call("CardDav_Connect").error, -1);
    EXPECT_EQ(requestLines(), (Lines{"PROPFIND / HTTP/1.1"}));
}

TEST_F(Discovery, BaseUrlWithAPathAsksTheWellKnownUrlOfItsHost) {
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl() + "/wrong/path/")});
    redirects["/.well-known/carddav"] = {301, "/dav/"};
    EXPECT_EQ(host.call("CardDav_Connect").error, 0);
    EXPECT_EQ(requestLines(),
              (Lines{"PROPFIND /wrong/path/ HTTP/1.1", "PROPFIND /.well-known/carddav HTTP/1.1",
                     "PROPFIND /dav/ HTTP/1.1", "PROPFIND /dav/principals/u/ HTTP/1.1"}));
}

TEST(BearerConnect, RefusedTokenGivesTheCodeOf401) {
    resetPluginState();
    loopback::HttpServer server;
    server.setHandler([](const Request&) {
        return Response(401, {"WWW-Authenticate: Bearer error=\"invalid_token\""});
    });
    PluginHarness host;
    host.call("CardDav_SetServer", {Arg::text(server.baseUrl())});
    host.call("CardDav_SetAuth", {Arg::text("Bearer"), Arg::text(""), Arg::text("old-token")});
    EXPECT_EQ(host.call("CardDav_Connect").error, -1);
    EXPECT_EQ(host.call("CardDav_LastError").number(), -1);
    for (const Request& request : server.requests())
        EXPECT_EQ(request.header("Authorization"), "Bearer old-token");
}

} // namespace
