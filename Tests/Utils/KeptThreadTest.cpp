#include "Utils/KeptThread.h"
#include "Utils/BothAtOnce.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

// Work given while the kept thread is busy runs at once on a thread of its own: each of these
// waits for the other to begin, which would never happen if the second waited for the first.
TEST(KeptThread, WorkGivenWhileItIsBusyRunsAtOnceElsewhere) {
    std::atomic<int> begun{0};
    const auto meetTheOther = [&] {
        ++begun;
        while (begun < 2)
            std::this_thread::yield();
    };
    {
        BesideWork first(meetTheOther);
        BesideWork second(meetTheOther);
    }
    EXPECT_EQ(begun, 2);
    // Stopped (as when the plug-in is unloaded), it starts again for the next work.
    stopKeptThread();
    std::atomic<bool> ran{false};
    {
        BesideWork again([&] { ran = true; });
    }
    EXPECT_TRUE(ran);
}

TEST(KeptThread, BothAtOnceGivesWhatEitherSideThrows) {
    EXPECT_THROW(bothAtOnce([] { throw std::runtime_error("first"); }, [] {}), std::runtime_error);
    EXPECT_THROW(bothAtOnce([] {}, [] { throw std::logic_error("second"); }), std::logic_error);
    std::atomic<int> both{0};
    bothAtOnce([&] { both |= 1; }, [&] { both |= 2; });
    EXPECT_EQ(both, 3);
}
