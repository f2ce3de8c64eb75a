// One external function at a time. FileMaker Server evaluates plug-in functions for several
// scripts at once, on threads of its own, but the plug-in has one shared state (one connection,
// one selected address book, one current card): every handler is registered behind this lock,
// so that calls run one after another, each to its end, whichever thread makes them.
#pragma once

#include "FMWrapper/FMXCalcEngine.h"
#include "FMXCall.h"

#include <mutex>

// The lock every external function runs under; also taken by shutdown, so that it waits for a
// call still running.
std::mutex& pluginCallLock();

// The handler of an external function: an ordinary C++ function, called only by serialised().
using PluginHandler = fmx::errcode (*)(short functionId, const fmx::ExprEnv& env,
                                       const fmx::DataVect& args, fmx::Data& result);

// `handler`, run under pluginCallLock(). The function table registers this in place of each
// handler, so it is what the host calls, in the host's calling convention.
template <PluginHandler handler>
fmx::errcode FMX_CALL serialised(short functionId, const fmx::ExprEnv& env,
                                 const fmx::DataVect& args, fmx::Data& result) {
    const std::lock_guard<std::mutex> lock(pluginCallLock());
    return handler(functionId, env, args, result);
}
