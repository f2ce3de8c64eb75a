// An answer that does not arrive whole is no answer: cut bodies, resets, stalls and time-outs all
// give status 0 with neither headers nor body, so that no function reads half a card as a card.
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\nEMAIL:a@b.c\r\n"
                          "NOTE:the rest of the card\r\nEND:VCARD\r\n";

void expectNoAnswer(const Query& answer, const std::string& what) {
    EXPECT_EQ(answer.status, 0) << what;
    EXPECT_EQ(answer.headers, "") << what;
    EXPECT_EQ(answer.body, "") << what;
}

loopback::Response rawAnswer(std::string bytes) {
    loopback::Response response;
    response.raw = std::move(bytes);
    return response;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(IncompleteAnswer, CutOrResetBodiesGiveNoAnswer) {
    const std::string head = "HTTP/1.1 200 OK\r\nETag: \"1\"\r\nContent-Type: text/vcard\r\n";
    const std::string half = kCard.substr(0, 40);
    struct Case {
        const char* what;
        loopback::Response response;
        // A read that got no byte on a reused connection is asked again on a fresh one.
        int times = 1;
    };
    std::vector<Case> cases = {
        {"shorter than its Content-Length",
         rawAnswer(head + "Content-Length: " + std::to_string(kCard.size()) + "\r\n\r\n" + half)},
        {"chunked and cut off", rawAnswer(head + "Transfer-Encoding: chunked\r\n\r\n28\r\n" + half +
                                          "\r\n40\r\nNOTE:the")},
        {"chunked without its last chunk",
         rawAnswer(head + "Transfer-Encoding: chunked\r\n\r\n28\r\n" + half + "\r\n")},
        {"reset in mid-body",
         rawAnswer(head + "Content-Length: " + std::to_string(kCard.size()) + "\r\n\r\n" + half)},
        {"reset before any answer", rawAnswer(""), 2},
        {"an error status cut off",
         rawAnswer("HTTP/1.1 404 Not Found\r\nContent-Length: 50\r\n\r\nno")},
    };
    cases[3].response.resetAfterRaw = true;
    cases[4].response.resetAfterRaw = true;

    loopback::HttpServer server;
    CardDavClient client;
    const std::string url = server.baseUrl() + "/book/c1.vcf";
    for (Case& test : cases) {
        // A complete answer first, on the same kept connection: nothing of it may show through.
        server.enqueue({200, {"ETag: \"0\""}, kCard});
        ASSERT_EQ(client.get_vcard(url).body, kCard);
        for (int i = 0; i < test.times; ++i)
            server.enqueue(test.response);
        expectNoAnswer(client.get_vcard(url), test.what);
    }
    // A whole chunked answer is of course read.
    server.enqueue(
        rawAnswer(head + "Transfer-Encoding: chunked\r\n\r\n28\r\n" + half + "\r\n" + "0\r\n\r\n"));
    EXPECT_EQ(client.get_vcard(url).body, half);
}

TEST(IncompleteAnswer, TimeoutInMidBodyGivesNoAnswer) {
    loopback::HttpServer server;
    loopback::Response stalled = rawAnswer("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nBEGIN");
    stalled.stallAfterRaw = std::chrono::milliseconds(3000);
    server.enqueue(stalled);
    CardDavClient client;
    client.set_timeout(1);
    const auto start = Clock::now();
    expectNoAnswer(client.get_vcard(server.baseUrl() + "/c1.vcf"), "time-out");
    EXPECT_LT(secondsSince(start), 2.5);
}

TEST(IncompleteAnswer, OnlyHttpAndHttpsAreSpoken) {
    // An href the server sent can never make the plug-in read (or write) a local file.
    CardDavClient client;
    expectNoAnswer(client.get_vcard("file:///etc/hostname"), "file URL");
    const std::string path = "/tmp/talvero-never-written.vcf";
    expectNoAnswer(client.save_vcard("file://" + path, kCard, ""), "file URL");
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
