// Loads the plug-in file as the host does (dlopen or LoadLibraryW), then its FMExternCallProc.
// One implementation per platform: PluginLoaderPosix.cpp, PluginLoaderWindows.cpp.
#pragma once

#include "FMWrapper/FMXExtern.h"

#include <filesystem>
#include <stdexcept>
#include <string>

class PluginLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LoadedPlugin {
public:
    // `path` is UTF-8. Throws PluginLoadError naming the cause.
    explicit LoadedPlugin(const std::string& path);
    // Unloads the plug-in, which destroys its state.
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    FMX_ExternCallProc entryPoint() const { return entryPoint_; }
    // The module handle, which the plug-in reads its string resources from.
    void* handle() const { return handle_; }

private:
    void* handle_;
    FMX_ExternCallProc entryPoint_;
};

// The folder of the running fmhost; empty when the system does not tell.
std::filesystem::path executableFolder();
