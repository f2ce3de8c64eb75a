// A host that evaluates scripts side by side (FileMaker Server) calls the plug-in from several
// threads at once; the shared state must see one call at a time. Run under ThreadSanitizer in CI.
#include "LoopbackBook.h"
#include "PluginHarness.h"
#include "PluginStateReset.h"
#include "Shell/SerialisedCall.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<Arg> emptyArguments(int count) {
    return std::vector<Arg>(static_cast<std::size_t>(count), Arg::text(""));
}

TEST(ConcurrentCalls, EveryRegisteredFunctionWaitsForTheCallLock) {
    resetPluginState();
    PluginHarness host;
    const auto functions = fmx::host::registeredFunctions();
    ASSERT_FALSE(functions.empty());
    for (const fmx::host::RegisteredFunction& function : functions) {
        std::atomic<bool> done{false};
        std::thread caller;
        {
            const std::lock_guard<std::mutex> held(pluginCallLock());
            caller = std::thread([&] {
                fmx::host::callFunction(function, emptyArguments(function.minArgs));
                done = true;
            });
            // While the lock is held the call cannot have ended, however the threads are
            // scheduled; a function registered without the lock would end at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_FALSE(done) << function.name << " ran without the call lock";
        }
        caller.join();
        EXPECT_TRUE(done);
    }
}

// Four scripts fetching, editing and reading the one current card at the same time. Each call
// sees the state whole: a fetch always succeeds and a read gives one of the values written.
TEST(ConcurrentCalls, ScriptsOnSeveralThreadsShareTheStateSafely) {
    LoopbackBook book;
    book.addCard("u1");
    plugin_state.current_mapping = createDefaultRawDataMap();
    book.server.setHandler([](const loopback::Request&) {
        return loopback::Response(200, {"ETag: \"t1\"", "Content-Type: text/vcard"},
                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Ada\r\n"
                                  "NOTE:server\r\nEND:VCARD\r\n");
    });
    constexpr int kThreads = 4;
    constexpr int kRounds = 15;
    std::vector<std::thread> scripts;
    for (int t = 0; t < kThreads; ++t) {
        scripts.emplace_back([&book, t] {
            const std::string mine = "script " + std::to_string(t);
            for (int round = 0; round < kRounds; ++round) {
                const CallResult fetched = book.host.call("CardDav_GetvCard", {Arg::text("u1")});
                EXPECT_EQ(fetched.error, 0);
                EXPECT_EQ(fetched.number(), 1);
                book.host.call("CardDav_SetvCardItem", {Arg::text("note"), Arg::text(mine)});
                const std::string note =
                    book.host.call("CardDav_GetvCardItem", {Arg::text("note")}).text();
                EXPECT_TRUE(note == "server" || note.rfind("script ", 0) == 0) << note;
                EXPECT_EQ(book.host.call("CardDav_GetAddressbookvCards").text(), "u1\r");
                book.host.call("CardDav_SetTimeout", {Arg::number(30)});
                book.host.call("CardDav_LastError");
                book.host.call("CardDav_GetMapping");
            }
        });
    }
    for (std::thread& script : scripts)
        script.join();
    EXPECT_EQ(book.server.requestCount(), static_cast<std::size_t>(kThreads * kRounds));
}

} // namespace
