// Basic types of the host's plug-in interface: integer types, the error record that every host
// call fills, four-character codes and locales.
//
// Every fmx class is a facade over an object that lives inside the host library: the plug-in
// only ever holds pointers or references to them, obtained from the owning *AutoPtr wrappers or
// from the host. Each method forwards to an exported C function of the host library together with
// an error record (_fmxcpt) and checks the record afterwards: code 1 raises std::bad_alloc, code 2
// raises std::exception.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <new>

// What the host library exports, and the plug-in imports from it. On Windows the library is a DLL
// built with FMWrapper_EXPORTS defined (CMake's definition for a shared library's own sources).
#if defined(_WIN32) && defined(FMWrapper_EXPORTS)
#define FMX_API __declspec(dllexport)
#elif defined(_WIN32)
#define FMX_API __declspec(dllimport)
#else
#define FMX_API __attribute__((visibility("default")))
#endif

// The calling convention of the functions the host calls in a plug-in: its entry point and the
// handlers of its external functions. The stand-in gives them __stdcall on 32-bit Windows, as a
// host there may, so that compiling a plug-in for it shows that each of them carries FMX_CALL;
// elsewhere the compiler's default.
#if defined(_WIN32) && !defined(_WIN64)
#define FMX_CALL __stdcall
#else
#define FMX_CALL
#endif

namespace fmx {

typedef std::int8_t int8;
typedef std::uint8_t uint8;
typedef std::int16_t int16;
typedef std::uint16_t uint16;
typedef std::int32_t int32;
typedef std::uint32_t uint32;
typedef std::int64_t int64;
typedef std::uint64_t uint64;
typedef std::intptr_t ptrtype;
typedef char16_t unichar16;
typedef int16 errcode;

// The error record of one host call.
class _fmxcpt {
public:
    enum { kNoErr = 0, kBadAlloc = 1, kUnknown = 2 };

    void Check() const {
        if (m_code == kBadAlloc)
            throw std::bad_alloc();
        if (m_code != kNoErr)
            throw std::exception();
    }

    int32 m_vers = 1;
    int32 m_code = kNoErr;
};

class QuadChar;
class Locale;

} // namespace fmx

extern "C" {
FMX_API fmx::QuadChar* FM_QuadChar_Constructor1(char c0, char c1, char c2, char c3,
                                                fmx::_fmxcpt& x);
FMX_API fmx::QuadChar* FM_QuadChar_Constructor2(fmx::_fmxcpt& x);
FMX_API void FM_QuadChar_Assign(fmx::QuadChar* self, const fmx::QuadChar& other, fmx::_fmxcpt& x);
FMX_API fmx::uint8 FM_QuadChar_At(const fmx::QuadChar* self, fmx::int32 index, fmx::_fmxcpt& x);
FMX_API bool FM_QuadChar_Equals(const fmx::QuadChar* self, const fmx::QuadChar& other,
                                fmx::_fmxcpt& x);
FMX_API void FM_QuadChar_Delete(fmx::QuadChar* self);

FMX_API fmx::Locale* FM_Locale_Constructor1(fmx::int32 type, fmx::_fmxcpt& x);
FMX_API void FM_Locale_Delete(fmx::Locale* self);
}

namespace fmx {

// A four-character code, such as a plug-in ID or the type of a container stream.
class QuadChar {
public:
    // Copies the four characters of `other`.
    QuadChar& operator=(const QuadChar& other) {
        _fmxcpt x;
        FM_QuadChar_Assign(this, other, x);
        x.Check();
        return *this;
    }
    // The character at `index` (0 to 3); any other index is a host error.
    uint8 operator[](int32 index) const {
        _fmxcpt x;
        uint8 c = FM_QuadChar_At(this, index, x);
        x.Check();
        return c;
    }
    bool operator==(const QuadChar& other) const {
        _fmxcpt x;
        bool equal = FM_QuadChar_Equals(this, other, x);
        x.Check();
        return equal;
    }
    bool operator!=(const QuadChar& other) const { return !(*this == other); }

protected:
    QuadChar() = default;
    ~QuadChar() = default;
    QuadChar(const QuadChar&) = delete;
};

// The locale that a host value carries; the stand-in host knows only its type.
class Locale {
public:
    enum { kType_None = 0, kType_System = 1 };

protected:
    Locale() = default;
    ~Locale() = default;
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;
};

struct QuadCharDeleter {
    void operator()(QuadChar* p) const noexcept { FM_QuadChar_Delete(p); }
};
struct LocaleDeleter {
    void operator()(Locale* p) const noexcept { FM_Locale_Delete(p); }
};

class QuadCharAutoPtr : public std::unique_ptr<QuadChar, QuadCharDeleter> {
public:
    QuadCharAutoPtr(char c0, char c1, char c2, char c3) : unique_ptr(Create(c0, c1, c2, c3)) {}
    // "\0\0\0\0", to be filled by the host (BinaryData::GetType).
    QuadCharAutoPtr() : unique_ptr(Create()) {}

private:
    static QuadChar* Create(char c0, char c1, char c2, char c3) {
        _fmxcpt x;
        QuadChar* p = FM_QuadChar_Constructor1(c0, c1, c2, c3, x);
        x.Check();
        return p;
    }
    static QuadChar* Create() {
        _fmxcpt x;
        QuadChar* p = FM_QuadChar_Constructor2(x);
        x.Check();
        return p;
    }
};

class LocaleAutoPtr : public std::unique_ptr<Locale, LocaleDeleter> {
public:
    explicit LocaleAutoPtr(int32 type = Locale::kType_System) : unique_ptr(Create(type)) {}

private:
    static Locale* Create(int32 type) {
        _fmxcpt x;
        Locale* p = FM_Locale_Constructor1(type, x);
        x.Check();
        return p;
    }
};

} // namespace fmx
