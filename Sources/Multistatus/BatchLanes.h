// Reads the batches of one answer (DocumentBatches) on two lanes. Once a second batch shows the
// answer to be long, a second thread (BesideWork) reads batches as they come while the thread
// that takes the body receives and splits the next; that thread reads too, the oldest batch not
// yet begun, when it has run too far ahead and once the body is all there. What each batch gives,
// its part, is taken up in the body's order on the taking thread, so that what depends on order
// (a text budget, the first of two cards) is decided as if the batches had been read one after
// the other.
// The taking thread never waits for the other except for a batch that one is reading when the
// answer is done, so a busy machine that seldom lets the second thread run costs little. An answer
// of one batch is read without a thread.
#pragma once

#include "Multistatus/ParsedBody.h"
#include "Utils/KeptThread.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// What a reading reads of one batch; it holds the batch, parsed or as a scanner of its own read
// it, so that it may keep views of its text until it is taken up.
struct BatchPart {
    explicit BatchPart(std::string text) : text(std::move(text)) {}
    virtual ~BatchPart() = default;

    // Parses the batch whole, for a reading of its document.
    const ParsedBody& parse() { return parsed.emplace(std::move(text)); }
    // Takes the batch as read in place by a scanner of its own, which found it of `form`.
    void scanned(BodyForm form) { scannedForm = form; }
    BodyForm shape() const { return parsed ? parsed->shape() : scannedForm; }
    // The bytes the texts read of the batch are views of, where they are not copies.
    std::string_view bytes() const { return parsed ? parsed->bytes() : std::string_view(text); }

    // The batch as it came, until it is parsed.
    std::string text;

private:
    std::optional<ParsedBody> parsed;
    BodyForm scannedForm = BodyForm::Unreadable;
};

class BatchLanes {
public:
    // At most this many batches are held, read or not, before the taking thread reads too.
    static constexpr std::size_t kMostHeld = 8;

    // Reads a batch into its part, on either thread: it may use nothing that taking a part
    // changes.
    using ReadPart = std::function<std::unique_ptr<BatchPart>(std::string batch)>;
    // Takes a part up, on the taking thread, the parts in the body's order.
    using TakePart = std::function<void(std::unique_ptr<BatchPart> part)>;

    BatchLanes(ReadPart read, TakePart take);
    // Waits for the batch the thread reads, if any, and ends the thread.
    ~BatchLanes();
    BatchLanes(const BatchLanes&) = delete;
    BatchLanes& operator=(const BatchLanes&) = delete;

    // The next batch. What reading or taking a part throws comes out here or in `drain`.
    void submit(std::string batch);
    // Reads and takes every batch still held.
    void drain();

private:
    struct Held {
        enum class State { Waiting, Reading, Read } state = State::Waiting;
        std::string batch;
        std::unique_ptr<BatchPart> part;
        std::exception_ptr failure;
    };

    // Takes up the parts read at the front, in order.
    void takeRead();
    // Reads the oldest waiting batch on this thread; false when none waits.
    bool readOldest();
    // The first waiting batch, marked as being read; null when none waits. Under the lock.
    Held* claimWaiting();
    void readInto(Held& held);
    void work();

    ReadPart read;
    TakePart take;
    // Whether a second batch came, and a thread was asked for.
    bool threadTried = false;
    std::optional<BesideWork> beside;
    std::mutex mutex;
    std::condition_variable changed;
    // The batches submitted and not yet taken up, in the body's order.
    std::deque<Held> held;
    bool stopping = false;
};
