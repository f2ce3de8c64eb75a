// Host texts.
#include "HostCalls.h"
#include "HostObjects.h"
#include "TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

using namespace fmxhost;

namespace {

// The units of `text` from `position`, `size` of them, clipped to its end.
std::u16string_view range(const std::u16string& text, fmx::uint32 position, fmx::uint32 size) {
    if (position >= text.size())
        return {};
    return std::u16string_view(text).substr(position, size);
}

void checkEncoding(fmx::int32 encoding) {
    if (encoding != fmx::Text::kEncoding_Native && encoding != fmx::Text::kEncoding_UTF8)
        throw std::invalid_argument("unknown text encoding");
}

} // namespace

extern "C" {

fmx::Text* FM_Text_Constructor1(fmx::_fmxcpt& x) {
    return hostCall(x, []() -> fmx::Text* { return new HostText; });
}

void FM_Text_Delete(fmx::Text* self) {
    delete static_cast<HostText*>(self);
}

fmx::uint32 FM_Text_GetSize(const fmx::Text* self, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return static_cast<fmx::uint32>(impl(*self).units.size()); });
}

void FM_Text_Assign(fmx::Text* self, const char* s, fmx::int32 encoding, fmx::_fmxcpt& x) {
    hostCall(x, [&] {
        checkEncoding(encoding);
        const std::string_view bytes = s ? std::string_view(s, std::strlen(s)) : "";
        impl(self).units =
            encoding == fmx::Text::kEncoding_UTF8 ? utf16FromUtf8(bytes) : utf16FromLatin1(bytes);
    });
}

void FM_Text_AssignUnicode(fmx::Text* self, const fmx::unichar16* s, fmx::_fmxcpt& x) {
    hostCall(x, [&] { impl(self).units = s ? std::u16string(s) : std::u16string(); });
}

void FM_Text_SetText(fmx::Text* self, const fmx::Text& other, fmx::uint32 position,
                     fmx::uint32 size, fmx::_fmxcpt& x) {
    hostCall(x,
             [&] { impl(self).units = std::u16string(range(impl(other).units, position, size)); });
}

void FM_Text_AppendText(fmx::Text* self, const fmx::Text& other, fmx::uint32 position,
                        fmx::uint32 size, fmx::_fmxcpt& x) {
    // Copied first: `other` may be this very text.
    hostCall(x,
             [&] { impl(self).units += std::u16string(range(impl(other).units, position, size)); });
}

void FM_Text_DeleteText(fmx::Text* self, fmx::uint32 position, fmx::uint32 size, fmx::_fmxcpt& x) {
    hostCall(x, [&] {
        std::u16string& units = impl(self).units;
        if (position < units.size())
            units.erase(position, size);
    });
}

fmx::uint32 FM_Text_Find(const fmx::Text* self, const fmx::Text& other, fmx::uint32 position,
                         fmx::_fmxcpt& x) {
    return hostCall(x, [&]() -> fmx::uint32 {
        const std::size_t found = impl(*self).units.find(impl(other).units, position);
        return found == std::u16string::npos ? fmx::Text::kSize_Invalid
                                             : static_cast<fmx::uint32>(found);
    });
}

void FM_Text_GetBytes(const fmx::Text* self, char* buffer, fmx::uint32 bufferSize,
                      fmx::uint32 position, fmx::uint32 size, fmx::int32 encoding,
                      fmx::_fmxcpt& x) {
    hostCall(x, [&] {
        checkEncoding(encoding);
        if (!buffer)
            return;
        const std::u16string_view units = range(impl(*self).units, position, size);
        const std::string bytes = encoding == fmx::Text::kEncoding_UTF8
                                      ? utf8FromUtf16(units, bufferSize)
                                      : latin1FromUtf16(units, bufferSize);
        std::memcpy(buffer, bytes.data(), bytes.size());
    });
}

bool FM_Text_Equals(const fmx::Text* self, const fmx::Text& other, fmx::_fmxcpt& x) {
    return hostCall(x, [&] { return impl(*self).units == impl(other).units; });
}

} // extern "C"
