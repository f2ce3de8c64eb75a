// The plug-in state of each host session. FileMaker Pro has one session; FileMaker Server runs
// many side by side (scheduled scripts, Perform Script on Server, WebDirect users, Data API
// calls), and each has its own settings and credentials, connection, selected address book,
// current card, field map and last error: no session sees or changes another's.
//
// Calls of one session run one after another; calls of different sessions run at the same time.
// A session's state is made on its first call and freed when the host says the session ended,
// or once it has been idle longer than its idle limit.
#pragma once

#include "Engine/Session.h"
#include "FMWrapper/FMXTypes.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

using SessionId = std::intptr_t;

// Everything one host session keeps: what the engine knows of its work (Engine/Session.h), and
// what the host side adds, the last error as CardDav_LastError and CardDav_LastErrorText tell it
// and how long the session may rest. The calls of a session run one after another, so the
// members need no locking of their own.
struct PluginState : Session {
    // The first non-zero code recorded since the last call that started afresh, the function
    // whose call recorded it (its ID) and why, as CardDav_LastErrorText tells it.
    fmx::int16 last_error = 0;
    short last_error_function = 0;
    std::string last_error_reason;
    // The function whose call is running.
    short calling_function = 0;
    // How long the session may rest before its state is freed, when other sessions run beside
    // it.
    std::chrono::milliseconds idle_limit = std::chrono::hours(1);
};

// The session of FileMaker Pro's one user, and of everything outside a call.
constexpr SessionId kDefaultSession = 0;

class SessionRegistry {
public:
    using Clock = std::chrono::steady_clock;

    // One session: its state, the lock its calls run under, and when it was last used.
    struct Slot {
        std::mutex calls;
        PluginState state;
        // Read by the idle sweep without the call lock; written at the end of each call.
        std::atomic<Clock::rep> lastUse{0};
        std::atomic<std::int64_t> idleLimitMs{0};
    };

    // The session `id`, made on its first use. Sessions idle beyond their limit are freed on
    // the way (never one whose call is running).
    std::shared_ptr<Slot> acquire(SessionId id);
    // Frees the session `id` once its running call, if any, has ended.
    void end(SessionId id);
    // Frees every session, waiting for running calls.
    void endAll();
    // Closes every session's kept connection, waiting for running calls; the states stay (the
    // plug-in is shutting down, and may be started again).
    void releaseConnections();
    // How many sessions hold state.
    std::size_t size() const;

private:
    mutable std::mutex lock;
    std::map<SessionId, std::shared_ptr<Slot>> slots;
};

SessionRegistry& sessions();

// One call of a session: holds the session's call lock and makes it the state session() gives on
// this thread until the call ends.
class SessionCall {
public:
    explicit SessionCall(SessionId id);
    ~SessionCall();
    SessionCall(const SessionCall&) = delete;
    SessionCall& operator=(const SessionCall&) = delete;

private:
    std::shared_ptr<SessionRegistry::Slot> slot;
    std::unique_lock<std::mutex> held;
    PluginState* outer;
};

// The state of the session whose call runs on this thread; outside a call (tests, tools), the
// default session's.
PluginState& session();
