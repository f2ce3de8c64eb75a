// The plug-in file as the host loads it: FMExternCallProc is its only export.
#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(PluginFile, ExportsTheEntryPointAlone) {
    void* plugin = dlopen(TALVERO_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();
    EXPECT_NE(dlsym(plugin, "FMExternCallProc"), nullptr);
    // The plug-in's own functions and globals, and pugixml, linked in: all kept inside.
    for (const char* name : {"_Z13Do_PluginInits", "gPlugInInitialized", "kStringTable",
                             "_ZN4pugi12xml_documentC1Ev", "_Z12platformNamev"})
        EXPECT_EQ(dlsym(plugin, name), nullptr) << name;
    dlclose(plugin);
}
