// The rule that ends a transfer that has all but stopped: it fails once fewer than kMinimumBytes
// bytes (sent and received together) moved within the last window. A trickle of a few bytes a
// second, or bursts spaced to dodge a speed measured over a few seconds, cannot hold a request
// open; a large body on a slow link that keeps moving is never cut.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

class StallWatch {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::int64_t kMinimumBytes = 1024;

    StallWatch(std::chrono::milliseconds window, Clock::time_point start);

    // Takes the transfer's byte counts at `now` (libcurl's counters, which start again at 0 when
    // an authentication round sends the request anew) and tells whether it still moves.
    bool keepsMoving(std::int64_t received, std::int64_t sent, Clock::time_point now);

private:
    struct Sample {
        Clock::time_point at;
        std::int64_t moved;
    };

    std::chrono::milliseconds window;
    // How far apart the kept samples are at least: a fraction of the window, so that a fast
    // transfer keeps a few samples and not one per callback.
    std::chrono::milliseconds spacing;
    // Oldest first; the first one is the newest taken at least a window ago, once there is one.
    std::deque<Sample> samples;
    // Bytes counted before libcurl's counters last started again, and their last values.
    std::int64_t earlier = 0;
    std::int64_t lastReceived = 0;
    std::int64_t lastSent = 0;
};
