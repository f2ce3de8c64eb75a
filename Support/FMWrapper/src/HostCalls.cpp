#include "HostCalls.h"

#include "FMWrapper/FMXHost.h"

namespace fmxhost {

Faults& faults() {
    static Faults state;
    return state;
}

bool beginHostCall(fmx::_fmxcpt& x) {
    Faults& state = faults();
    const std::lock_guard<std::mutex> guard(state.lock);
    ++state.calls;
    if (state.failCountdown == 0 || --state.failCountdown != 0)
        return true;
    x.m_code = state.failCode;
    return false;
}

} // namespace fmxhost

namespace fmx {
namespace host {

void failHostCall(uint32 n, int32 code) {
    fmxhost::Faults& state = fmxhost::faults();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.failCountdown = n;
    state.failCode = code;
}

void refuseRegistration(int16 functionId, errcode code) {
    fmxhost::Faults& state = fmxhost::faults();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.refusedRegistrations[functionId] = code;
}

void refuseStreamAdds(bool refuse) {
    fmxhost::Faults& state = fmxhost::faults();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.refuseStreamAdds = refuse;
}

void resetFaults() {
    fmxhost::Faults& state = fmxhost::faults();
    const std::lock_guard<std::mutex> guard(state.lock);
    state.failCountdown = 0;
    state.refusedRegistrations.clear();
    state.refuseStreamAdds = false;
}

uint64 hostCallCount() {
    fmxhost::Faults& state = fmxhost::faults();
    const std::lock_guard<std::mutex> guard(state.lock);
    return state.calls;
}

} // namespace host
} // namespace fmx
