// The frame of every call the plug-in makes into the host: counting, injected failures, and the
// error record in place of exceptions (none may cross into the plug-in's side of the library
// boundary other than through the record).
#pragma once

#include "FMWrapper/FMXTypes.h"

#include <map>
#include <mutex>
#include <new>

namespace fmxhost {

// The host serves calls from several threads at once (a server evaluates scripts side by side):
// every access goes through `lock`.
struct Faults {
    std::mutex lock;
    fmx::uint64 calls = 0;
    fmx::uint32 failCountdown = 0; // 0: no failure armed
    fmx::int32 failCode = 0;
    std::map<fmx::int16, fmx::errcode> refusedRegistrations;
    bool refuseStreamAdds = false;
};

Faults& faults();

// Counts one call; fills the record and returns false when this call is to fail.
bool beginHostCall(fmx::_fmxcpt& x);

// Runs `body` as one host call. On failure the record holds the code and a value-initialised
// result is returned, which the facade never uses because Check() throws.
template <class Body> auto hostCall(fmx::_fmxcpt& x, Body&& body) -> decltype(body()) {
    using Result = decltype(body());
    x.m_code = fmx::_fmxcpt::kNoErr;
    if (!beginHostCall(x))
        return Result();
    try {
        return body();
    } catch (const std::bad_alloc&) {
        x.m_code = fmx::_fmxcpt::kBadAlloc;
    } catch (...) {
        x.m_code = fmx::_fmxcpt::kUnknown;
    }
    return Result();
}

} // namespace fmxhost
