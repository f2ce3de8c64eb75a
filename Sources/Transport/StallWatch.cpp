#include "Transport/StallWatch.h"

namespace {

constexpr int kSamplesPerWindow = 16;

} // namespace

StallWatch::StallWatch(std::chrono::milliseconds window, Clock::time_point start)
    : window(window), spacing(window / kSamplesPerWindow), samples{{start, 0}} {}

bool StallWatch::keepsMoving(std::int64_t received, std::int64_t sent, Clock::time_point now) {
    if (received < lastReceived)
        earlier += lastReceived;
    if (sent < lastSent)
        earlier += lastSent;
    lastReceived = received;
    lastSent = sent;
    const std::int64_t moved = earlier + received + sent;
    if (now - samples.back().at >= spacing)
        samples.push_back({now, moved});
    const Clock::time_point windowStart = now - window;
    while (samples.size() > 1 && samples[1].at <= windowStart)
        samples.pop_front();
    return samples.front().at > windowStart || moved - samples.front().moved >= kMinimumBytes;
}
