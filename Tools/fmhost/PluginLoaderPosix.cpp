#include "PluginLoader.h"

#include <dlfcn.h>

LoadedPlugin::LoadedPlugin(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* reason = dlerror();
        throw PluginLoadError("cannot load the plug-in " + path + ": " +
                              (reason ? reason : "unknown reason"));
    }
    entryPoint_ = reinterpret_cast<FMX_ExternCallProc>(dlsym(handle_, "FMExternCallProc"));
    if (!entryPoint_) {
        dlclose(handle_);
        throw PluginLoadError("the plug-in " + path + " does not export FMExternCallProc");
    }
}

LoadedPlugin::~LoadedPlugin() {
    dlclose(handle_);
}

std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}
