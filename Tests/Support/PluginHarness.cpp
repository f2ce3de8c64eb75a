#include "PluginHarness.h"

#include <gtest/gtest.h>

PluginHarness::PluginHarness(fmx::int16 hostVersion, bool expectAccepted)
    : connection_(FMExternCallProc), initResult_(connection_.init(hostVersion)) {
    if (expectAccepted) {
        EXPECT_GT(initResult_, 0) << "the plug-in refused init with host version " << hostVersion;
    }
}

PluginHarness::~PluginHarness() {
    fmx::host::resetFaults();
    connection_.shutdown();
    fmx::host::clearUnregistrationLog();
}

CallResult PluginHarness::call(const std::string& name, const std::vector<Arg>& args) {
    return callIn(0, name, args);
}

CallResult PluginHarness::callIn(fmx::ptrtype session, const std::string& name,
                                 const std::vector<Arg>& args) {
    const auto function = fmx::host::findFunction(name);
    if (!function) {
        ADD_FAILURE() << name << " is not registered";
        return {};
    }
    const auto count = static_cast<long>(args.size());
    if (count < function->minArgs || count > function->maxArgs) {
        ADD_FAILURE() << name << " takes " << function->minArgs << " to " << function->maxArgs
                      << " arguments, not " << count;
        return {};
    }
    return fmx::host::callFunction(*function, args, {session, 0});
}
