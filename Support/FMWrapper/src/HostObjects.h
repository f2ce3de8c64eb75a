// The host's own objects behind the fmx facades. Every fmx object the plug-in sees was created
// here as one of these, so the facade pointers are turned back into them with static_cast.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"
#include "FMWrapper/FMXHost.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace fmxhost {

struct HostQuadChar final : fmx::QuadChar {
    std::array<char, 4> chars{};
    std::string str() const { return std::string(chars.data(), chars.size()); }
};

struct HostLocale final : fmx::Locale {
    fmx::int32 type = kType_System;
};

struct HostText final : fmx::Text {
    std::u16string units;
};

struct HostFixPt final : fmx::FixPt {
    double value = 0;
    fmx::int32 precision = kDefltFixedPrecision;
};

struct HostBinaryData final : fmx::BinaryData {
    std::vector<fmx::host::Stream> streams;
};

// One value. The kind-specific readers (GetAsText, GetAsNumber, GetBinaryData) hand out
// references to the caches, refreshed from `value` at each read.
struct HostData final : fmx::Data {
    fmx::host::Value value;
    fmx::int32 nativeType = kDTInvalid;
    HostLocale locale;
    mutable HostText textCache;
    mutable HostFixPt numberCache;
    mutable HostBinaryData binaryCache;
};

struct HostDataVect final : fmx::DataVect {
    std::vector<std::unique_ptr<HostData>> items;
};

struct HostExprEnv final : fmx::ExprEnv {
    fmx::ptrtype session = 0;
    fmx::ptrtype file = 0;
};

inline HostQuadChar& impl(fmx::QuadChar* p) {
    return *static_cast<HostQuadChar*>(p);
}
inline const HostQuadChar& impl(const fmx::QuadChar& p) {
    return static_cast<const HostQuadChar&>(p);
}
inline const HostLocale& impl(const fmx::Locale& p) {
    return static_cast<const HostLocale&>(p);
}
inline HostText& impl(fmx::Text* p) {
    return *static_cast<HostText*>(p);
}
inline const HostText& impl(const fmx::Text& p) {
    return static_cast<const HostText&>(p);
}
inline HostFixPt& impl(fmx::FixPt* p) {
    return *static_cast<HostFixPt*>(p);
}
inline const HostFixPt& impl(const fmx::FixPt& p) {
    return static_cast<const HostFixPt&>(p);
}
inline HostBinaryData& impl(fmx::BinaryData* p) {
    return *static_cast<HostBinaryData*>(p);
}
inline const HostBinaryData& impl(const fmx::BinaryData& p) {
    return static_cast<const HostBinaryData&>(p);
}
inline HostData& impl(fmx::Data* p) {
    return *static_cast<HostData*>(p);
}
inline const HostData& impl(const fmx::Data& p) {
    return static_cast<const HostData&>(p);
}
inline HostDataVect& impl(fmx::DataVect* p) {
    return *static_cast<HostDataVect*>(p);
}
inline const HostDataVect& impl(const fmx::DataVect& p) {
    return static_cast<const HostDataVect&>(p);
}

} // namespace fmxhost
