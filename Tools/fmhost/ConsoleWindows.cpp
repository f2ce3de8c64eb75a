#include "Console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <climits>
#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

// An unpaired surrogate becomes U+FFFD rather than a failure.
std::string toUtf8(const wchar_t* text) {
    const std::size_t units = std::wcslen(text);
    if (units == 0 || units > INT_MAX)
        return {};
    const int length = static_cast<int>(units);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

} // namespace

// argv holds the arguments in the ANSI code page, where a path such as C:\Users\Jürgen\... may
// not survive: they are read again from the UTF-16 command line.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(toUtf8(wide.get()[i]));
    return arguments;
}

// Text mode would write "\n" as "\r\n" and drop the carriage returns of a script read from
// standard input; the output must be the same bytes as on every other platform.
void useByteExactStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

bool standardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}
