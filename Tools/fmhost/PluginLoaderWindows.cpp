#include "PluginLoader.h"

#include <windows.h>

// The path goes to LoadLibraryW as UTF-16: LoadLibraryA would read it in the ANSI code page.
LoadedPlugin::LoadedPlugin(const std::string& path) {
    const HMODULE module = LoadLibraryW(std::filesystem::u8path(path).c_str());
    if (!module)
        throw PluginLoadError("cannot load the plug-in " + path + ": Windows error " +
                              std::to_string(GetLastError()));
    handle_ = module;
    // GetProcAddress answers a FARPROC, whichever the function's type; the cast names the real one.
    entryPoint_ = reinterpret_cast<FMX_ExternCallProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "FMExternCallProc")));
    if (!entryPoint_) {
        FreeLibrary(module);
        throw PluginLoadError("the plug-in " + path + " does not export FMExternCallProc");
    }
}

LoadedPlugin::~LoadedPlugin() {
    FreeLibrary(static_cast<HMODULE>(handle_));
}

std::filesystem::path executableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}
