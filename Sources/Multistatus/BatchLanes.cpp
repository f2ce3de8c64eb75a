#include "Multistatus/BatchLanes.h"

#include <system_error>
#include <thread>

BatchLanes::BatchLanes(ReadPart read, TakePart take) : read(std::move(read)), take(std::move(take)) {}

BatchLanes::~BatchLanes() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    beside.reset();
}

void BatchLanes::submit(std::string batch) {
    std::size_t count = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        held.emplace_back().batch = std::move(batch);
        count = held.size();
    }
    if (!threadTried && count == 2) {
        threadTried = true;
        // On a single core a second thread would only take turns with this one.
        if (std::thread::hardware_concurrency() != 1) {
            try {
                beside.emplace([this] { work(); });
            } catch (const std::system_error&) {
                // No thread to be had: this one reads every batch.
            }
        }
    }
    changed.notify_all();
    takeRead();
    if (threadTried && (count > kMostHeld || !beside)) {
        readOldest();
        takeRead();
    }
}

void BatchLanes::drain() {
    for (;;) {
        takeRead();
        if (readOldest())
            continue;
        // What is left is being read on the other thread.
        std::unique_lock<std::mutex> lock(mutex);
        if (held.empty())
            return;
        changed.wait(lock, [&] { return held.front().state == Held::State::Read; });
    }
}

void BatchLanes::takeRead() {
    for (;;) {
        std::unique_ptr<BatchPart> part;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (held.empty() || held.front().state != Held::State::Read)
                return;
            Held& front = held.front();
            if (front.failure) {
                const std::exception_ptr failure = front.failure;
                held.pop_front();
                std::rethrow_exception(failure);
            }
            part = std::move(front.part);
            held.pop_front();
        }
        take(std::move(part));
    }
}

bool BatchLanes::readOldest() {
    Held* oldest = nullptr;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        oldest = claimWaiting();
    }
    if (oldest == nullptr)
        return false;
    readInto(*oldest);
    return true;
}

BatchLanes::Held* BatchLanes::claimWaiting() {
    for (Held& candidate : held) {
        if (candidate.state == Held::State::Waiting) {
            candidate.state = Held::State::Reading;
            return &candidate;
        }
    }
    return nullptr;
}

void BatchLanes::readInto(Held& target) {
    // The batch is read outside the lock; `target` stays where it is, as batches are added at the
    // back and taken from the front only once read.
    std::unique_ptr<BatchPart> part;
    std::exception_ptr failure;
    try {
        part = read(std::move(target.batch));
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        target.part = std::move(part);
        target.failure = failure;
        target.state = Held::State::Read;
    }
    changed.notify_all();
}

void BatchLanes::work() {
    for (;;) {
        Held* next = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return stopping || (next = claimWaiting()) != nullptr; });
            if (stopping && next == nullptr)
                return;
        }
        readInto(*next);
    }
}
