// What a request can hand the body of its answer to as the bytes arrive, instead of the answer
// holding the body whole: a long listing is then read while it is received.
#pragma once

#include <string_view>

class BodySink {
public:
    virtual ~BodySink() = default;

    // Takes the next bytes of the body. False when the sink needs no more: what it took already
    // tells all it can learn (it is complete, or can no longer be), and the transfer ends there.
    virtual bool take(std::string_view bytes) = 0;
};
