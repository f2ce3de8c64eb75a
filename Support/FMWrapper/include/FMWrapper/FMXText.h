// Host text: a sequence of UTF-16 code units.
//
// Byte encodings the host converts from and to (Assign, GetBytes):
// - kEncoding_UTF8 (1): UTF-8. Malformed input bytes become U+FFFD; an unpaired surrogate in the
//   text is written as the UTF-8 form of U+FFFD. At most three bytes per code unit are written.
// - kEncoding_Native (0): the host's 8-bit native encoding, ISO-8859-1 in this host: one byte per
//   code unit; code units above U+00FF are written as "?".
#pragma once

#include "FMWrapper/FMXTypes.h"

namespace fmx {
class Text;
}

extern "C" {
FMX_API fmx::Text* FM_Text_Constructor1(fmx::_fmxcpt& x);
FMX_API void FM_Text_Delete(fmx::Text* self);
FMX_API fmx::uint32 FM_Text_GetSize(const fmx::Text* self, fmx::_fmxcpt& x);
FMX_API void FM_Text_Assign(fmx::Text* self, const char* s, fmx::int32 encoding, fmx::_fmxcpt& x);
FMX_API void FM_Text_AssignUnicode(fmx::Text* self, const fmx::unichar16* s, fmx::_fmxcpt& x);
FMX_API void FM_Text_SetText(fmx::Text* self, const fmx::Text& other, fmx::uint32 position,
                             fmx::uint32 size, fmx::_fmxcpt& x);
FMX_API void FM_Text_AppendText(fmx::Text* self, const fmx::Text& other, fmx::uint32 position,
                                fmx::uint32 size, fmx::_fmxcpt& x);
FMX_API void FM_Text_DeleteText(fmx::Text* self, fmx::uint32 position, fmx::uint32 size,
                                fmx::_fmxcpt& x);
FMX_API fmx::uint32 FM_Text_Find(const fmx::Text* self, const fmx::Text& other,
                                 fmx::uint32 position, fmx::_fmxcpt& x);
FMX_API void FM_Text_GetBytes(const fmx::Text* self, char* buffer, fmx::uint32 bufferSize,
                              fmx::uint32 position, fmx::uint32 size, fmx::int32 encoding,
                              fmx::_fmxcpt& x);
FMX_API bool FM_Text_Equals(const fmx::Text* self, const fmx::Text& other, fmx::_fmxcpt& x);
}

namespace fmx {

class Text {
public:
    enum { kEncoding_Native = 0, kEncoding_UTF8 = 1 };
    // A size meaning "to the end of the text"; also what Find returns when nothing is found.
    enum : uint32 { kSize_End = 0xFFFFFFFF, kSize_Invalid = 0xFFFFFFFF };

    // Length in UTF-16 code units.
    uint32 GetSize() const {
        _fmxcpt x;
        uint32 size = FM_Text_GetSize(this, x);
        x.Check();
        return size;
    }
    // Replaces the text by the zero-terminated bytes `s` in `encoding` (a null pointer gives the
    // empty text).
    void Assign(const char* s, int32 encoding = kEncoding_Native) {
        _fmxcpt x;
        FM_Text_Assign(this, s, encoding, x);
        x.Check();
    }
    // Replaces the text by the zero-terminated UTF-16 text `s`.
    void AssignUnicode(const unichar16* s) {
        _fmxcpt x;
        FM_Text_AssignUnicode(this, s, x);
        x.Check();
    }
    // Replaces the text by `size` units of `other` from `position` (clipped to its end).
    void SetText(const Text& other, uint32 position = 0, uint32 size = kSize_End) {
        _fmxcpt x;
        FM_Text_SetText(this, other, position, size, x);
        x.Check();
    }
    // Appends `size` units of `other` from `position` (clipped to its end).
    void AppendText(const Text& other, uint32 position = 0, uint32 size = kSize_End) {
        _fmxcpt x;
        FM_Text_AppendText(this, other, position, size, x);
        x.Check();
    }
    // Deletes `size` units from `position` (clipped to the end; nothing beyond the end).
    void DeleteText(uint32 position, uint32 size = kSize_End) {
        _fmxcpt x;
        FM_Text_DeleteText(this, position, size, x);
        x.Check();
    }
    // Position of the first occurrence of `other` at or after `position`, else kSize_Invalid.
    uint32 Find(const Text& other, uint32 position) const {
        _fmxcpt x;
        uint32 found = FM_Text_Find(this, other, position, x);
        x.Check();
        return found;
    }
    // Writes the units from `position` (`size` of them, clipped) in `encoding` to `buffer`: at
    // most `bufferSize` bytes, never part of a character, and no terminating zero byte.
    void GetBytes(char* buffer, uint32 bufferSize, uint32 position = 0, uint32 size = kSize_End,
                  int32 encoding = kEncoding_Native) const {
        _fmxcpt x;
        FM_Text_GetBytes(this, buffer, bufferSize, position, size, encoding, x);
        x.Check();
    }
    // Equal when both hold the same code units (case and accents count).
    bool operator==(const Text& other) const {
        _fmxcpt x;
        bool equal = FM_Text_Equals(this, other, x);
        x.Check();
        return equal;
    }
    bool operator!=(const Text& other) const { return !(*this == other); }

protected:
    Text() = default;
    ~Text() = default;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
};

struct TextDeleter {
    void operator()(Text* p) const noexcept { FM_Text_Delete(p); }
};

// An empty host text owned by the plug-in.
class TextAutoPtr : public std::unique_ptr<Text, TextDeleter> {
public:
    TextAutoPtr() : unique_ptr(Create()) {}

private:
    static Text* Create() {
        _fmxcpt x;
        Text* p = FM_Text_Constructor1(x);
        x.Check();
        return p;
    }
};

} // namespace fmx
