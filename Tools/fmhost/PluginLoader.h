// Loads the plug-in file as the host does: dlopen, then its FMExternCallProc.
#pragma once

#include "FMWrapper/FMXExtern.h"

#include <stdexcept>
#include <string>

class PluginLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class LoadedPlugin {
public:
    // Throws PluginLoadError naming the cause.
    explicit LoadedPlugin(const std::string& path);
    // Unloads the plug-in, which destroys its state.
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    FMX_ExternCallProc entryPoint() const { return entryPoint_; }
    void* handle() const { return handle_; }

private:
    void* handle_;
    FMX_ExternCallProc entryPoint_;
};

// Talvero.fmx64 in the directory of the running fmhost.
std::string defaultPluginPath();
