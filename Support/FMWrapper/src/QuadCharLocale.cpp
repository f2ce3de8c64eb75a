// Four-character codes and locales.
#include "HostCalls.h"
#include "HostObjects.h"

#include <stdexcept>

using namespace fmxhost;

extern "C" {

fmx::QuadChar* FM_QuadChar_Constructor1(char c0, char c1, char c2, char c3, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::QuadChar* {
        auto* code = new HostQuadChar;
        code->chars = {c0, c1, c2, c3};
        return code;
    });
}

fmx::QuadChar* FM_QuadChar_Constructor2(fmx::_fmxcpt& x) {
    return hostCall(x, []() -> fmx::QuadChar* { return new HostQuadChar; });
}

void FM_QuadChar_Assign(fmx::QuadChar* self, const fmx::QuadChar& other, fmx::_fmxcpt& x) {
    hostCall(x, [&] { impl(self).chars = impl(other).chars; });
}

fmx::uint8 FM_QuadChar_At(const fmx::QuadChar* self, fmx::int32 index, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::uint8 {
        if (index < 0 || index > 3)
            throw std::out_of_range("quad char index");
        return static_cast<fmx::uint8>(impl(*self).chars[index]);
    });
}

bool FM_QuadChar_Equals(const fmx::QuadChar* self, const fmx::QuadChar& other, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return impl(*self).chars == impl(other).chars; });
}

void FM_QuadChar_Delete(fmx::QuadChar* self) {
    delete static_cast<HostQuadChar*>(self);
}

fmx::Locale* FM_Locale_Constructor1(fmx::int32 type, fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::Locale* {
        auto* locale = new HostLocale;
        locale->type = type;
        return locale;
    });
}

void FM_Locale_Delete(fmx::Locale* self) {
    delete static_cast<HostLocale*>(self);
}

} // extern "C"
