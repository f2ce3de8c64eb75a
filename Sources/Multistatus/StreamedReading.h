// A reading that takes an answer's body as it arrives, handed to the request as its sink: the
// body is split into batches of whole responses (DocumentBatches), each read into a part on one of
// two lanes (BatchLanes) and taken up in the body's order. Neither the body nor a document of it
// is held whole. Once the transfer is over, `finish` gives what was read: nothing at all from a
// body that was not read whole.
//
// A `Reader` says what is read: its `Value`; `readPart(batch)`, which reads a batch on either
// thread and may use nothing that `takePart` changes; `takePart(part)`, called in the body's
// order; and `value()`, what it read.
#pragma once

#include "Multistatus/BatchLanes.h"
#include "Multistatus/BodyForm.h"
#include "Multistatus/DocumentBatches.h"
#include "Transport/BodySink.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

template <class Reader> class StreamedReading final : public BodySink {
public:
    template <class... Arguments>
    explicit StreamedReading(Arguments&&... arguments)
        : reader(std::forward<Arguments>(arguments)...),
          batches([this](std::string batch) {
              lanes.submit(std::move(batch));
              return !forms.broken();
          }),
          lanes([this](std::string batch) { return reader.readPart(std::move(batch)); },
                [this](std::unique_ptr<BatchPart> part) {
                    if (forms.accept(part->shape()))
                        reader.takePart(*part);
                }) {}
    StreamedReading(const StreamedReading&) = delete;
    StreamedReading& operator=(const StreamedReading&) = delete;

    bool take(std::string_view bytes) override {
        taken += bytes.size();
        return batches.take(bytes);
    }
    // How many bytes of the body came.
    std::size_t bytesTaken() const { return taken; }

    Read<typename Reader::Value> finish() {
        lanes.drain();
        return readingOf(forms.of(batches.finish()), std::move(reader.value()));
    }

    // What the reading gives of a body that came whole.
    template <class... Arguments>
    static Read<typename Reader::Value> of(std::string_view body, Arguments&&... arguments) {
        StreamedReading reading(std::forward<Arguments>(arguments)...);
        (void)reading.take(body);
        return reading.finish();
    }

private:
    Reader reader;
    BatchForms forms;
    DocumentBatches batches;
    std::size_t taken = 0;
    // Last, so that its thread has ended before anything it reads with goes.
    BatchLanes lanes;
};
