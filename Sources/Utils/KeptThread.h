// Work done beside the calling thread, on a thread the process keeps for it whenever that one is
// free. Making a thread for every piece of work (every long listing reads on a second thread)
// left the C library's allocator to hand each new thread a heap in whatever state the last one
// left it, which measurably slowed the reading of a listing; the kept thread keeps its heap.
#pragma once

#include <functional>
#include <thread>

class BesideWork {
public:
    // Starts `work` on the kept thread when that is free, else on a thread of its own. As on any
    // thread, `work` must let no exception out. Throws std::system_error where no thread is to
    // be had.
    explicit BesideWork(std::function<void()> work);
    // Waits for the work to end.
    ~BesideWork();
    BesideWork(const BesideWork&) = delete;
    BesideWork& operator=(const BesideWork&) = delete;

private:
    struct Kept* kept = nullptr; // the kept thread, where it took the work
    std::thread own;             // where it was busy
};

// Ends the kept thread and frees what it holds (the plug-in is being unloaded): only once no
// BesideWork is left. A later piece of work starts it again.
void stopKeptThread();
