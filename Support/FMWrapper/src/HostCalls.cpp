#include "HostCalls.h"

#include "FMWrapper/FMXHost.h"

namespace fmxhost {

Faults& faults() {
    static Faults state;
    return state;
}

bool beginHostCall(fmx::_fmxcpt& x) {
    Faults& state = faults();
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
    fmxhost::faults().failCountdown = n;
    fmxhost::faults().failCode = code;
}

void refuseRegistration(int16 functionId, errcode code) {
    fmxhost::faults().refusedRegistrations[functionId] = code;
}

void refuseStreamAdds(bool refuse) {
    fmxhost::faults().refuseStreamAdds = refuse;
}

void resetFaults() {
    fmxhost::Faults& state = fmxhost::faults();
    state.failCountdown = 0;
    state.refusedRegistrations.clear();
    state.refuseStreamAdds = false;
}

uint64 hostCallCount() {
    return fmxhost::faults().calls;
}

} // namespace host
} // namespace fmx
