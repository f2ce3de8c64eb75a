// How many requests each card function sends, and that they all share one connection.
#include "LoopbackBook.h"

#include <gtest/gtest.h>

namespace {

const std::string kCardText = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Test//EN\r\nUID:c1\r\n"
                              "FN:Ada Lovelace\r\nN:Lovelace;Ada;;;\r\nEND:VCARD\r\n";

class FunctionConnections : public ::testing::Test, protected LoopbackBook {
protected:
    void SetUp() override {
        addCard("c1", "t1");
        // A server that holds c1 and has room for new cards.
        server.setHandler([](const loopback::Request& request) {
            if (request.method == "GET" && request.target == "/alice/book/c1-file.vcf")
                return loopback::Response(200, {"ETag: \"t2\""}, kCardText);
            if (request.method == "PUT")
                return loopback::Response(201, {"ETag: \"t3\""});
            return loopback::Response(404);
        });
    }

    // The methods the server received since the last call, and that they came on connection 1.
    std::string takeMethods() {
        std::string methods;
        for (const loopback::Request& request : server.requests()) {
            methods += request.method + " ";
            EXPECT_EQ(request.connection, 1) << request.requestLine;
        }
        server.clearRequests();
        return methods;
    }
};

TEST_F(FunctionConnections, EachFunctionSendsWhatItNeedsOnOneConnection) {
    EXPECT_EQ(host.call("CardDav_GetvCard", {Arg::text("c1")}).number(), 1);
    EXPECT_EQ(takeMethods(), "GET ");
    EXPECT_EQ(host.call("CardDav_GetvCardItem", {Arg::text("displayname")}).text(), "Ada Lovelace");
    EXPECT_EQ(host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text("x")}).number(), 1);
    EXPECT_EQ(takeMethods(), "");
    EXPECT_EQ(host.call("CardDav_SaveCard").text(), "Saved");
    EXPECT_EQ(takeMethods(), "PUT ");
    const CallResult created = host.call("CardDav_NewvCard", {Arg::text(bookUrl())});
    EXPECT_EQ(created.error, 0);
    EXPECT_EQ(takeMethods(), "PUT ") << "one create-only PUT";
    EXPECT_EQ(server.connectionCount(), 1);
}

} // namespace
