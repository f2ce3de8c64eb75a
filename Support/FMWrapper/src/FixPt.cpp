// Host numbers.
#include "HostCalls.h"
#include "HostObjects.h"

#include <cmath>
#include <limits>

using namespace fmxhost;

extern "C" {

fmx::FixPt* FM_FixPt_Constructor1(fmx::int32 value, fmx::int32 precision, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::FixPt* {
        auto* number = new HostFixPt;
        number->value = value;
        number->precision = precision;
        return number;
    });
}

void FM_FixPt_Delete(fmx::FixPt* self) {
    delete static_cast<HostFixPt*>(self);
}

void FM_FixPt_AssignInt(fmx::FixPt* self, fmx::int32 value, fmx::_fmxcpt& x) {
    hostCall(x, [&] { impl(self).value = value; });
}

void FM_FixPt_AssignDouble(fmx::FixPt* self, double value, fmx::_fmxcpt& x) {
    hostCall(x, [&] { impl(self).value = value; });
}

fmx::int32 FM_FixPt_AsLong(const fmx::FixPt* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::int32 {
        const double value = impl(*self).value;
        if (!std::isfinite(value))
            return 0;
        using Limits = std::numeric_limits<fmx::int32>;
        if (value <= Limits::min())
            return Limits::min();
        if (value >= Limits::max())
            return Limits::max();
        return static_cast<fmx::int32>(value);
    });
}

double FM_FixPt_AsFloat(const fmx::FixPt* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return impl(*self).value; });
}

} // extern "C"
