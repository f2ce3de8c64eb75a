#include "Platform/OpenFile.h"

#include <windows.h>

#include <climits>

namespace {

// The UTF-16 form of UTF-8 `text`; false when it is not UTF-8.
bool toWide(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    const int length = static_cast<int>(text.size());
    const int units =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (units == 0)
        return false;
    wide.resize(static_cast<std::size_t>(units));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, &wide[0],
                               units) == units;
}

} // namespace

// fopen would read the path in the ANSI code page, so C:\Users\Jürgen\... could not be opened:
// the path goes to _wfopen as UTF-16 instead.
std::FILE* platformOpenFile(const std::string& path, const char* mode) {
    std::wstring widePath;
    std::wstring wideMode;
    if (!toWide(path, widePath) || !toWide(mode, wideMode))
        return nullptr;
    return _wfopen(widePath.c_str(), wideMode.c_str());
}
