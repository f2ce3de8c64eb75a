#include "Utils/KeptThread.h"

#include <condition_variable>
#include <mutex>
#include <utility>

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

namespace {

// The kept thread's state, made with its first work and freed when it is stopped.
std::mutex instanceMutex;
Kept* instance = nullptr;

Kept& keptThread() {
    const std::lock_guard<std::mutex> lock(instanceMutex);
    if (!instance)
        instance = new Kept();
    return *instance;
}

void serve(Kept& k) {
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
bool giveTo(Kept& k, std::function<void()>& work) {
    const std::lock_guard<std::mutex> lock(k.mutex);
    if (k.given || k.stopping)
        return false;
    if (!k.thread.joinable())
        k.thread = std::thread(serve, std::ref(k));
    k.work = std::move(work);
    k.given = true;
    k.done = false;
    k.changed.notify_all();
    return true;
}

} // namespace

BesideWork::BesideWork(std::function<void()> work) {
    Kept& k = keptThread();
    if (giveTo(k, work))
        kept = &k;
    else
        own = std::thread(std::move(work));
}

BesideWork::~BesideWork() {
    if (!kept) {
        own.join();
        return;
    }
    std::unique_lock<std::mutex> lock(kept->mutex);
    kept->changed.wait(lock, [&] { return kept->done; });
    kept->given = false;
}

void stopKeptThread() {
    Kept* k = nullptr;
    {
        const std::lock_guard<std::mutex> lock(instanceMutex);
        std::swap(k, instance);
    }
    if (!k)
        return;
    {
        const std::lock_guard<std::mutex> lock(k->mutex);
        k->stopping = true;
        k->changed.notify_all();
    }
    if (k->thread.joinable())
        k->thread.join();
    delete k;
}
