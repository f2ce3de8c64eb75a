#include "Shell/StringResources.h"

#include <windows.h>

// The module's string table (Talvero.rc, in US English). With a buffer size of 0 LoadStringW
// hands out the text in the module itself and its length: nothing is cut, and the length rules
// of the caller decide what fits.
std::optional<std::u16string> platformFindString(void* resourceHandle, fmx::uint32 id) {
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(static_cast<HINSTANCE>(resourceHandle), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return std::nullopt;
    return std::u16string(text, text + length);
}
