// How an operation of the engine ended: 0, or a code with the reason a person reads. Every
// operation that can fail returns one, so that a failure carries its own explanation to whoever
// reports it.
#pragma once

#include "Engine/ErrorCodes.h"

#include <string>
#include <utility>

struct [[nodiscard]] Verdict {
    Code code = ErrorCode::None;
    // Why it failed ("HTTP 412 Precondition Failed", "the multiget left out 2 of the cards asked
    // for"); empty on success.
    std::string reason;
    bool ok() const { return code == ErrorCode::None; }
};

// A failure with its reason.
inline Verdict failedBecause(Code code, std::string reason) {
    return {code, std::move(reason)};
}
// A failure that needs no more words than its code's own description.
inline Verdict failure(Code code) {
    return {code, describeError(code)};
}

// A value, and how getting it went; the value is empty unless the verdict is a success.
template <class Value> struct [[nodiscard]] Judged {
    Verdict verdict;
    Value value{};
};

// The outcome of an operation that goes on after a failure (many writes): the first failure,
// which a later success does not take back.
struct FirstFailure {
    Verdict first;
    void record(Verdict verdict) {
        if (first.ok() && !verdict.ok())
            first = std::move(verdict);
    }
};
