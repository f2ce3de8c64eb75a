// FileMaker Server calls the plug-in for many host sessions at once, from threads of its own.
// Each session has its own state, its calls run one at a time, and the calls of different
// sessions neither wait for each other nor see each other's settings, book, card or errors. Run
// under ThreadSanitizer in CI.
#include "CardStore.h"
#include "Functions/Sessions.h"
#include "LoopbackHttpServer.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "base64.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::vector<Arg> textArguments(int count, const std::string& text) {
    return std::vector<Arg>(static_cast<std::size_t>(count), Arg::text(text));
}

// A session's state as a connection and a selection leave it: a book on `server` holding the
// card `uid` at <book>/<uid>.vcf, the user's own credentials.
void selectBook(SessionId id, const loopback::HttpServer& server, const std::string& user,
                const std::string& uid) {
    PluginState& state = sessions().acquire(id)->state;
    state.cd.set_baseurl(server.baseUrl());
    state.cd.set_auth("basic", user, user + "-secret");
    state.connected = true;
    state.root_address_url = server.baseUrl() + "/" + user + "/";
    state.book.select(server.baseUrl() + "/" + user + "/book/");
    state.current_mapping = createDefaultRawDataMap();
    addresscard card;
    card.uid = uid;
    card.url = state.book.url() + uid + ".vcf";
    card.etag = "t0";
    state.book.put(card);
}

std::string cardText(const std::string& uid, const std::string& note) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + uid + "\r\nNOTE:" + note +
           "\r\nEND:VCARD\r\n";
}

TEST(ConcurrentCalls, EveryRegisteredFunctionWaitsForItsOwnSessionOnly) {
    resetPluginState();
    PluginHarness host;
    const auto functions = fmx::host::registeredFunctions();
    ASSERT_FALSE(functions.empty());
    for (const fmx::host::RegisteredFunction& function : functions) {
        std::atomic<bool> done{false};
        std::thread caller;
        {
            const auto busy = sessions().acquire(7);
            const std::lock_guard<std::mutex> held(busy->calls);
            caller = std::thread([&] {
                host.callIn(7, function.name, textArguments(function.minArgs, ""));
                done = true;
            });
            // Another session is not held up meanwhile.
            host.callIn(8, function.name, textArguments(function.minArgs, ""));
            // While session 7 runs a call, its next one cannot have ended, however the threads
            // are scheduled; a function registered without the session's lock would end at once.
            std::this_thread::sleep_for(20ms);
            EXPECT_FALSE(done) << function.name << " ran beside a call of its own session";
        }
        caller.join();
        EXPECT_TRUE(done);
    }
}

// Four sessions fetching, editing and saving their own card on one server at the same time:
// every request carries its own session's credentials, every save its own session's note, and
// each session's last error is its own.
TEST(ConcurrentCalls, EachSessionKeepsItsCredentialsCardAndErrors) {
    resetPluginState();
    loopback::HttpServer server;
    CardStore store(server);
    PluginHarness host;
    constexpr int kSessions = 4;
    constexpr int kRounds = 8;
    for (int s = 1; s <= kSessions; ++s) {
        const std::string user = "user" + std::to_string(s);
        const std::string uid = "card" + std::to_string(s);
        store.put("/" + user + "/book/" + uid + ".vcf", cardText(uid, "server"), "t0");
        selectBook(s, server, user, uid);
    }
    std::vector<std::thread> scripts;
    for (int s = 1; s <= kSessions; ++s) {
        scripts.emplace_back([&host, s] {
            const std::string uid = "card" + std::to_string(s);
            for (int round = 0; round < kRounds; ++round) {
                const std::string note =
                    "session " + std::to_string(s) + " round " + std::to_string(round);
                EXPECT_EQ(host.callIn(s, "CardDav_GetvCard", {Arg::text(uid)}).number(), 1);
                host.callIn(s, "CardDav_SetvCardItem", {Arg::text("note"), Arg::text(note)});
                EXPECT_EQ(host.callIn(s, "CardDav_GetvCardItem", {Arg::text("note")}).text(), note);
                EXPECT_EQ(host.callIn(s, "CardDav_SaveCard").text(), "Saved");
                // A failure of this session is this session's last error alone.
                const bool fail = (round + s) % 2 == 0;
                host.callIn(s, "CardDav_GetvCard", {Arg::text(fail ? "missing" : uid)});
                EXPECT_EQ(host.callIn(s, "CardDav_LastError").number(), fail ? 3 : 0);
            }
        });
    }
    for (std::thread& script : scripts)
        script.join();

    for (int s = 1; s <= kSessions; ++s) {
        const std::string user = "user" + std::to_string(s);
        const std::string path = "/" + user + "/book/card" + std::to_string(s) + ".vcf";
        EXPECT_NE(store.text(path).find("NOTE:session " + std::to_string(s) + " round " +
                                        std::to_string(kRounds - 1)),
                  std::string::npos);
    }
    for (const loopback::Request& request : server.requests()) {
        // "/userN/..." was asked with userN's own password, and no other.
        const std::string user = request.target.substr(1, request.target.find('/', 1) - 1);
        const std::string credentials = user + ":" + user + "-secret";
        const std::string expected =
            "Basic " + base64_encode(reinterpret_cast<const unsigned char*>(credentials.data()),
                                     static_cast<unsigned int>(credentials.size()));
        EXPECT_EQ(request.header("Authorization").value_or(""), expected) << request.target;
    }
}

TEST(ConcurrentCalls, ASessionWaitingOnAStalledServerDelaysNoOtherSession) {
    resetPluginState();
    loopback::HttpServer stalled;
    loopback::HttpServer fast;
    CardStore store(fast);
    store.put("/user2/book/card2.vcf", cardText("card2", "fast"), "t0");
    // The stalled server holds session 1's request until session 2 is done (or, should session 2
    // wait for session 1 after all, a few seconds, so that the test fails instead of hanging).
    std::promise<void> arrived;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool signalled = false; // the handler is never called concurrently
    stalled.setHandler([&arrived, &signalled, released](const loopback::Request&) {
        if (!signalled)
            arrived.set_value();
        signalled = true;
        released.wait_for(5s);
        return loopback::Response(200, {"ETag: \"t1\""}, cardText("card1", "slow"));
    });
    PluginHarness host;
    selectBook(1, stalled, "user1", "card1");
    selectBook(2, fast, "user2", "card2");

    std::atomic<bool> slowDone{false};
    std::thread waiting([&] {
        EXPECT_EQ(host.callIn(1, "CardDav_GetvCard", {Arg::text("card1")}).number(), 1);
        slowDone = true;
    });
    arrived.get_future().wait();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(host.callIn(2, "CardDav_GetvCard", {Arg::text("card2")}).number(), 1);
    EXPECT_FALSE(slowDone) << "session 2 waited for session 1's stalled request";
    release.set_value();
    waiting.join();
    EXPECT_TRUE(slowDone);
}

TEST(ConcurrentCalls, AnEndedOrLongIdleSessionIsFreedAndTheLoneSessionStays) {
    resetPluginState();
    loopback::HttpServer server;
    CardStore store(server);
    store.put("/user3/book/card3.vcf", cardText("card3", "x"), "t0");
    PluginHarness host;
    selectBook(3, server, "user3", "card3");
    ASSERT_EQ(host.callIn(3, "CardDav_GetvCard", {Arg::text("card3")}).number(), 1);
    const std::weak_ptr<SessionRegistry::Slot> ended = sessions().acquire(3);
    host.connection().sessionShutdown(3);
    EXPECT_TRUE(ended.expired());

    // A session resting beyond its idle limit is freed when another session calls...
    selectBook(4, server, "user4", "card4");
    host.callIn(4, "CardDav_SetSessionIdleLimit", {Arg::number(0)});
    const std::weak_ptr<SessionRegistry::Slot> resting = sessions().acquire(4);
    std::this_thread::sleep_for(20ms);
    host.callIn(5, "CardDav_LastError");
    EXPECT_TRUE(resting.expired());
    // ... but the only session of the host (FileMaker Pro's) is never freed for resting.
    resetPluginState();
    host.callIn(6, "CardDav_SetSessionIdleLimit", {Arg::number(0)});
    const std::weak_ptr<SessionRegistry::Slot> lone = sessions().acquire(6);
    std::this_thread::sleep_for(20ms);
    host.callIn(6, "CardDav_LastError");
    EXPECT_FALSE(lone.expired());
}

// Whatever another session passes, it finds nothing of this session's book or card: it has no
// server, no book and no card of its own, and nothing reaches this session's server.
TEST(ConcurrentCalls, NoFunctionReachesAnotherSessionsBookOrCard) {
    resetPluginState();
    loopback::HttpServer server;
    CardStore store(server);
    store.put("/user1/book/card1.vcf", cardText("card1", "mine"), "t0");
    PluginHarness host;
    selectBook(1, server, "user1", "card1");
    ASSERT_EQ(host.callIn(1, "CardDav_GetvCard", {Arg::text("card1")}).number(), 1);
    server.clearRequests();

    const std::string book = server.baseUrl() + "/user1/book/";
    for (const fmx::host::RegisteredFunction& function : fmx::host::registeredFunctions()) {
        if (function.name == "CardDav_SetServer" || function.name == "CardDav_SetMapping")
            continue; // configures the calling session only
        for (const std::string& argument : {std::string("card1"), book}) {
            const CallResult outcome =
                host.callIn(2, function.name, textArguments(function.maxArgs, argument));
            EXPECT_EQ(outcome.text().find("mine"), std::string::npos) << function.name;
        }
    }
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_EQ(host.callIn(1, "CardDav_GetvCardItem", {Arg::text("note")}).text(), "mine");
    EXPECT_EQ(host.callIn(1, "CardDav_GetAddressbookvCards").text(), "card1\r");
}

} // namespace
