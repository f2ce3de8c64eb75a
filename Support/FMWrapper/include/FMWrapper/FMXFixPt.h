// Host numbers: a value with a precision (the number of decimal digits the host keeps after the
// point when it shows the number). Non-finite values are invalid numbers that the host shows as
// "?" and reads as 0.
#pragma once

#include "FMWrapper/FMXTypes.h"

namespace fmx {
class FixPt;
}

extern "C" {
FMX_API fmx::FixPt* FM_FixPt_Constructor1(fmx::int32 value, fmx::int32 precision, fmx::_fmxcpt& x);
FMX_API void FM_FixPt_Delete(fmx::FixPt* self);
FMX_API void FM_FixPt_AssignInt(fmx::FixPt* self, fmx::int32 value, fmx::_fmxcpt& x);
FMX_API void FM_FixPt_AssignDouble(fmx::FixPt* self, double value, fmx::_fmxcpt& x);
FMX_API fmx::int32 FM_FixPt_AsLong(const fmx::FixPt* self, fmx::_fmxcpt& x);
FMX_API double FM_FixPt_AsFloat(const fmx::FixPt* self, fmx::_fmxcpt& x);
}

namespace fmx {

class FixPt {
public:
    enum { kDefltFixedPrecision = 16 };

    void AssignInt(int32 value) {
        _fmxcpt x;
        FM_FixPt_AssignInt(this, value, x);
        x.Check();
    }
    void AssignDouble(double value) {
        _fmxcpt x;
        FM_FixPt_AssignDouble(this, value, x);
        x.Check();
    }
    // The value cut toward zero and clamped to the 32-bit range; 0 for an invalid number.
    int32 AsLong() const {
        _fmxcpt x;
        int32 value = FM_FixPt_AsLong(this, x);
        x.Check();
        return value;
    }
    double AsFloat() const {
        _fmxcpt x;
        double value = FM_FixPt_AsFloat(this, x);
        x.Check();
        return value;
    }

protected:
    FixPt() = default;
    ~FixPt() = default;
    FixPt(const FixPt&) = delete;
    FixPt& operator=(const FixPt&) = delete;
};

struct FixPtDeleter {
    void operator()(FixPt* p) const noexcept { FM_FixPt_Delete(p); }
};

class FixPtAutoPtr : public std::unique_ptr<FixPt, FixPtDeleter> {
public:
    explicit FixPtAutoPtr(int32 value = 0, int32 precision = FixPt::kDefltFixedPrecision)
        : unique_ptr(Create(value, precision)) {}

private:
    static FixPt* Create(int32 value, int32 precision) {
        _fmxcpt x;
        FixPt* p = FM_FixPt_Constructor1(value, precision, x);
        x.Check();
        return p;
    }
};

} // namespace fmx
