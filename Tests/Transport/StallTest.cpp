// Without a time-out, a request fails once it moves less than 1 KB within the stall limit: a
// silent, stalled or trickling server cannot hold FileMaker, a slow link that keeps moving can
// carry a large body.
#include "LoopbackHttpServer.h"
#include "Transport/CardDavClient.h"
#include "Transport/StallWatch.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::chrono_literals;

TEST(StallWatch, FailsWhenLessThanAKilobyteMovedInTheWindow) {
    struct Case {
        const char* what;
        // The counters libcurl reports (received, sent) after so many seconds, one call a second.
        std::function<std::pair<std::int64_t, std::int64_t>(std::int64_t)> counts;
        int failsAt; // the first second that reports a stall; 0: none within ten minutes
    };
    const Case cases[] = {
        {"silent", [](std::int64_t) { return std::make_pair(0, 0); }, 60},
        {"a trickle of 2 bytes a second", [](std::int64_t t) { return std::make_pair(2 * t, 0); },
         60},
        {"17 bytes a second", [](std::int64_t t) { return std::make_pair(17 * t, 0); }, 60},
        {"18 bytes a second", [](std::int64_t t) { return std::make_pair(18 * t, 0); }, 0},
        {"bursts of 90 bytes every 6 seconds",
         [](std::int64_t t) { return std::make_pair(90 * (t / 6), 0); }, 60},
        {"a stall after a fast start",
         [](std::int64_t t) { return std::make_pair(std::min<std::int64_t>(t, 100) * 65536, 0); },
         160},
        {"a slow photo download", [](std::int64_t t) { return std::make_pair(1024 * t, 0); }, 0},
        {"a slow upload", [](std::int64_t t) { return std::make_pair(0, 100 * t); }, 0},
        // An authentication round starts libcurl's counters again; what came before still counts.
        {"counters that start again",
         [](std::int64_t t) {
             return std::make_pair(t < 4 ? 0 : t == 4 ? 2000 : 20 * (t - 5), 0);
         },
         0},
    };
    for (const Case& test : cases) {
        const StallWatch::Clock::time_point start{};
        StallWatch watch(60s, start);
        int failedAt = 0;
        for (std::int64_t second = 1; second <= 600 && failedAt == 0; ++second) {
            const auto [received, sent] = test.counts(second);
            if (!watch.keepsMoving(received, sent, start + std::chrono::seconds(second)))
                failedAt = static_cast<int>(second);
        }
        EXPECT_EQ(failedAt, test.failsAt) << test.what;
    }
}

const std::string kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\nEND:VCARD\r\n";

TEST(StallLimit, EndsRequestsWithoutTimeoutThatHardlyMove) {
    CardDavClient client;
    EXPECT_EQ(CardDavClient::kStallSeconds, 60);
    EXPECT_EQ(client.get_stall_limit(), CardDavClient::kStallSeconds);
    client.set_stall_limit(1);

    // A server that takes the request and never answers, one that stops in mid-body, and one that
    // trickles its answer at 400 bytes a second.
    loopback::Response silent;
    silent.delay = 5s;
    loopback::Response stalled;
    stalled.raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nBEGIN";
    stalled.stallAfterRaw = 5s;
    loopback::Response trickle(200, {}, std::string(4000, 'x'));
    trickle.trickleBytes = 100;
    trickle.tricklePause = 250ms;
    // A large photo over a slow link: 16 KB every 100 ms, for longer than the stall limit.
    const std::string photo(192 * 1024, 'p');
    loopback::Response slowPhoto(200, {}, photo);
    slowPhoto.trickleBytes = 16 * 1024;
    slowPhoto.tricklePause = 100ms;
    struct Case {
        const char* what;
        loopback::Response response;
        int status;
        const std::string& body;
    };
    const std::string none;
    const Case cases[] = {
        {"silent", silent, 0, none},
        {"stalled in mid-body", stalled, 0, none},
        {"trickling", trickle, 0, none},
        {"slow but moving", slowPhoto, 200, photo},
    };
    loopback::HttpServer server;
    const std::string url = server.baseUrl() + "/c1.vcf";
    for (const Case& test : cases) {
        server.enqueue(test.response);
        const Query answer = client.get_vcard(url);
        EXPECT_EQ(answer.status, test.status) << test.what;
        EXPECT_EQ(answer.body, test.body) << test.what;
    }

    // With a time-out set, the time-out alone limits the request: a slow answer within it is
    // read although it stalls longer than the stall limit.
    client.set_timeout(10);
    EXPECT_EQ(client.get_stall_limit(), 1);
    loopback::Response slow(200, {}, kCard);
    slow.delay = 1200ms;
    server.enqueue(slow);
    const Query answer = client.get_vcard(url);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, kCard);
}

} // namespace
