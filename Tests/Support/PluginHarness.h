// An in-process host for function-layer tests. It drives the plug-in as the host does: init
// through FMExternCallProc (the stand-in host's registry receives the functions), then calls of a
// registered handler by function name with host values as arguments, and shutdown at the end.
//
//     PluginHarness host;
//     CallResult r = host.call("CardDav_SetServer", {Arg::text("http://127.0.0.1:8080/dav"),
//                                                    Arg::boolean(true)});
//     EXPECT_EQ(r.error, 11);
//     EXPECT_EQ(r.number(), 1);
//
// Results: r.error, r.type() (ValueType::text/number/boolean/container/none), r.text() (UTF-8),
// r.number(), r.container() (the streams). Host faults: fmx::host::failHostCall,
// refuseRegistration, refuseStreamAdds (FMWrapper/FMXHost.h); the harness clears them at the end.
#pragma once

#include "FMWrapper/FMXHost.h"

#include <string>
#include <vector>

using Arg = fmx::host::Value;
using CallResult = fmx::host::CallResult;
using fmx::host::Stream;
using fmx::host::ValueType;

class PluginHarness {
public:
    // Sends init with `hostVersion`; a refused init adds a test failure unless `expectAccepted` is
    // false.
    explicit PluginHarness(fmx::int16 hostVersion = 62, bool expectAccepted = true);
    // Sends shutdown and clears injected faults and the unregistration log.
    ~PluginHarness();
    PluginHarness(const PluginHarness&) = delete;
    PluginHarness& operator=(const PluginHarness&) = delete;

    // Calls the registered function `name` with `args` as a formula would. Adds a test failure
    // (and returns an empty result) when no such function is registered or the argument count
    // lies outside its range, which a host would not accept.
    CallResult call(const std::string& name, const std::vector<Arg>& args = {});
    // The same call made in the host session `session` (ExprEnv::SessionID), as FileMaker Server
    // makes calls for each of its sessions.
    CallResult callIn(fmx::ptrtype session, const std::string& name,
                      const std::vector<Arg>& args = {});

    // The plug-in's answer to init.
    fmx::ptrtype initResult() const { return initResult_; }
    fmx::host::PluginConnection& connection() { return connection_; }

private:
    fmx::host::PluginConnection connection_;
    fmx::ptrtype initResult_;
};
