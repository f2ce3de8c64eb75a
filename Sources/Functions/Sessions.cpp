#include "Functions/Sessions.h"

#include <utility>
#include <vector>

namespace {

thread_local PluginState* currentState = nullptr;

SessionRegistry::Clock::rep ticks(SessionRegistry::Clock::time_point at) {
    return at.time_since_epoch().count();
}

} // namespace

SessionRegistry& sessions() {
    static SessionRegistry registry;
    return registry;
}

std::shared_ptr<SessionRegistry::Slot> SessionRegistry::acquire(SessionId id) {
    const Clock::time_point now = Clock::now();
    std::vector<std::shared_ptr<Slot>> ended;
    std::shared_ptr<Slot> slot;
    {
        const std::lock_guard<std::mutex> guard(lock);
        for (auto it = slots.begin(); it != slots.end();) {
            Slot& other = *it->second;
            const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(
                now - Clock::time_point(Clock::duration(other.lastUse.load())));
            // A session whose call is running is not idle, whatever it last finished. Only a
            // session beside the one calling is freed: FileMaker Pro's one session lasts as long
            // as the application, however long it rests.
            if (it->first != id && idle.count() > other.idleLimitMs.load() &&
                other.calls.try_lock()) {
                other.calls.unlock();
                ended.push_back(std::move(it->second));
                it = slots.erase(it);
            } else {
                ++it;
            }
        }
        std::shared_ptr<Slot>& found = slots[id];
        if (!found) {
            found = std::make_shared<Slot>();
            found->idleLimitMs = found->state.idle_limit.count();
        }
        found->lastUse = ticks(now);
        slot = found;
    }
    // Closing the connections of the sessions freed happens outside the registry's lock.
    ended.clear();
    return slot;
}

void SessionRegistry::end(SessionId id) {
    std::shared_ptr<Slot> slot;
    {
        const std::lock_guard<std::mutex> guard(lock);
        const auto found = slots.find(id);
        if (found == slots.end())
            return;
        slot = std::move(found->second);
        slots.erase(found);
    }
    // A call that found the session before it was taken out still holds it; its state goes
    // with the last holder, after that call.
    const std::lock_guard<std::mutex> wait(slot->calls);
}

void SessionRegistry::endAll() {
    std::map<SessionId, std::shared_ptr<Slot>> all;
    {
        const std::lock_guard<std::mutex> guard(lock);
        all.swap(slots);
    }
    for (auto& [id, slot] : all) {
        const std::lock_guard<std::mutex> wait(slot->calls);
    }
}

void SessionRegistry::releaseConnections() {
    // Each session's running call is waited for outside the registry's lock, which a call of
    // another session may be waiting to take.
    std::vector<std::shared_ptr<Slot>> all;
    {
        const std::lock_guard<std::mutex> guard(lock);
        for (const auto& [id, slot] : slots)
            all.push_back(slot);
    }
    for (const std::shared_ptr<Slot>& slot : all) {
        const std::lock_guard<std::mutex> wait(slot->calls);
        slot->state.cd.release_connection();
    }
}

std::size_t SessionRegistry::size() const {
    const std::lock_guard<std::mutex> guard(lock);
    return slots.size();
}

SessionCall::SessionCall(SessionId id)
    : slot(sessions().acquire(id)), held(slot->calls), outer(currentState) {
    currentState = &slot->state;
}

SessionCall::~SessionCall() {
    slot->idleLimitMs = slot->state.idle_limit.count();
    slot->lastUse = ticks(SessionRegistry::Clock::now());
    currentState = outer;
}

PluginState& session() {
    if (currentState != nullptr)
        return *currentState;
    return sessions().acquire(kDefaultSession)->state;
}
