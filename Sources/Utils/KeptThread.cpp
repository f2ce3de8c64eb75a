#include "Utils/KeptThread.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace {

// The kept thread and the one piece of work it was given, from its start until its giver has
// seen it end.
struct Kept {
    std::mutex mutex;
    std::condition_variable changed;
    std::thread thread;
    std::function<void()> work;
    bool given = false;
    bool done = false;
    bool stopping = false;
};

// Never destroyed: a thread still waiting for work when the process ends is no fault.
Kept& kept() {
    static Kept* const instance = new Kept();
    return *instance;
}

void serve() {
    Kept& k = kept();
    std::unique_lock<std::mutex> lock(k.mutex);
    for (;;) {
        k.changed.wait(lock, [&] { return k.stopping || k.work; });
        if (!k.work)
            return;
        const std::function<void()> work = std::move(k.work);
        k.work = nullptr;
        lock.unlock();
        work();
        lock.lock();
        k.done = true;
        k.changed.notify_all();
    }
}

// Gives `work` to the kept thread (started where it is not running); false while it has work.
bool giveToKept(std::function<void()>& work) {
    Kept& k = kept();
    const std::lock_guard<std::mutex> lock(k.mutex);
    if (k.given || k.stopping)
        return false;
    if (!k.thread.joinable())
        k.thread = std::thread(serve);
    k.work = std::move(work);
    k.given = true;
    k.done = false;
    k.changed.notify_all();
    return true;
}

void awaitKept() {
    Kept& k = kept();
    std::unique_lock<std::mutex> lock(k.mutex);
    k.changed.wait(lock, [&] { return k.done; });
    k.given = false;
}

} // namespace

BesideWork::BesideWork(std::function<void()> work) {
    if (!giveToKept(work))
        own = std::thread(std::move(work));
}

BesideWork::~BesideWork() {
    if (own.joinable())
        own.join();
    else
        awaitKept();
}

void stopKeptThread() {
    Kept& k = kept();
    std::thread ending;
    {
        const std::lock_guard<std::mutex> lock(k.mutex);
        k.stopping = true;
        k.changed.notify_all();
        ending = std::move(k.thread);
    }
    if (ending.joinable())
        ending.join();
    const std::lock_guard<std::mutex> lock(k.mutex);
    k.stopping = false;
}
